#include "base/win_module.h"

#include <commctrl.h>

// The linker's symbol at the start of this image: its address is the module handle.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace zrpc {

HINSTANCE SelfModule() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

void InitCommonControlsOnce() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

} // namespace zrpc
