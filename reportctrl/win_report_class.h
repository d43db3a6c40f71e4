// The report control's window class ("MFCReportCtrl"): registered once per process, global, so that
// dialog templates and CreateWindowEx calls of every module can name it. A window made by
// CReportCtrl::Create is that object's; any other window of the class gets a control of its own that
// answers the messages of include/zrpcctl.h and goes with the window.
#ifndef ZRPC_WIN_REPORT_CLASS_H
#define ZRPC_WIN_REPORT_CLASS_H

namespace zrpc::report {

// Registers the class (a class already registered counts); false when the system refuses it.
bool RegisterReportClass();

} // namespace zrpc::report

#endif
