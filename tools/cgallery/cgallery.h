/* Dialog and item numbers of zrpc-cgallery.exe, shared by its program and its resource script. */
#ifndef ZRPC_CGALLERY_H
#define ZRPC_CGALLERY_H

#define IDD_CGALLERY 100
#define IDC_REPORT 101
#define IDC_PASSWORD 102
#define IDC_PROMPT 103
#define IDC_RESULT 104

#endif
