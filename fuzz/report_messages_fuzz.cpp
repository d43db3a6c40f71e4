// Sends random sequences of the report control's messages, with random records (wrong sizes, null
// records and texts, counted texts without their zero byte, stale and made-up node handles), to the
// message table over the model, in list, tree or virtual mode, and checks after each message that the
// model still holds together.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_input.h"
#include "tests/common/report_message_driver.h"
#include "tests/common/report_message_target.h"

namespace {

// Answers the control's data requests in virtual mode.
struct DataHost : zrpc::report::ReportHost {
    intptr_t Notify(RVNMHDR* hdr) override {
        if (hdr->code != RVN_NEEDDATA) return 0;
        _RVITEM& r = reinterpret_cast<_NMRVITEMCALLBACK*>(hdr)->item;
        r.nMask = RVIM_USERDATA;
        r.lParam = r.iItem;
        if (r.iSubItem >= 0 && r.lpszText && r.iTextMax > 0) {
            std::snprintf(r.lpszText, (size_t)r.iTextMax, "v%d", r.iItem % 7);
            r.nMask |= RVIM_LABEL;
        }
        return 0;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    DataHost host;
    reporttest::MessageTarget target(&host);
    static const uint32_t kModes[] = {0, RVS_TREEMODE, RVS_VIRTUALDATA, RVS_ENTRYROW | RVS_CELLFOCUS};
    uint32_t mode = kModes[in.Byte() % 4];
    target.Send(RVM_MODIFYSTYLE, 0, (intptr_t)mode);
    // A control set up as a client sets one up, through messages: three shown columns and some items.
    const char* titles[] = {"Name", "Size", "Note"};
    for (int i = 0; i < 3; ++i) {
        RVMSUBITEM sub = {sizeof sub, RV_HDF_STRING, 80, 0, 0, 0, titles[i], -1, 0};
        target.Send(RVM_DEFINESUBITEM, (uintptr_t)i, (intptr_t)&sub);
        target.Send(RVM_ACTIVATESUBITEM, (uintptr_t)i, i);
    }
    int items = in.Byte() % 24;
    if (mode & RVS_VIRTUALDATA) target.Send(RVM_SETITEMCOUNT, (uintptr_t)items, 0);
    for (int i = 0; i < items && !(mode & RVS_VIRTUALDATA); ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%c%d", 'a' + in.Byte() % 4, i);
        RVMITEM item = {};
        item.cbSize = sizeof item;
        item.nMask = RVIM_LABEL | RVIM_USERDATA;
        item.pszText = text;
        item.cchText = -1;
        item.lParam = i;
        if (mode & RVS_TREEMODE) {
            RVMTREEITEM tree = {};
            tree.cbSize = sizeof tree;
            tree.hParent = i % 3 ? reinterpret_cast<struct _TREEITEM*>(
                                       target.Send(RVM_GETITEMHANDLE, (uintptr_t)(i / 3 * 3), 0))
                                 : TVI_ROOT;
            tree.hInsertAfter = TVI_LAST;
            tree.iTreeSubItem = -1;
            tree.item = item;
            target.Send(RVM_INSERTTREEITEM, 0, (intptr_t)&tree);
        } else {
            item.iItem = i;
            target.Send(RVM_INSERTITEM, 0, (intptr_t)&item);
        }
    }
    reporttest::DriverHandles handles;
    handles.images = 0x10;
    handles.font = 0x20;
    handles.listBox = 0x30;
    auto driver = reporttest::MakeMessageDriver(
        in, handles, [&](uint32_t msg, uintptr_t wp, intptr_t lp) { return target.Send(msg, wp, lp); });
    for (int steps = 0; driver.More() && steps < 500; ++steps) {
        driver.Step();
        std::string why;
        if (!target.model.CheckInvariants(&why)) {
            std::fprintf(stderr, "after a message: %s\n", why.c_str());
            __builtin_trap();
        }
    }
    return 0;
}
