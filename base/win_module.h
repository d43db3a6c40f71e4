// The library's own module: its handle, known from the image itself (no start-up is needed for it),
// and the common controls' one-time initialisation that the library's windows need.
#ifndef ZRPC_BASE_WIN_MODULE_H
#define ZRPC_BASE_WIN_MODULE_H

#include <windows.h>

namespace zrpc {

// The library's own module handle.
HINSTANCE SelfModule();

// Initialises the common controls the library's windows use, once per process (any thread, any
// number of times); never from the library entry, where the loader lock is held.
void InitCommonControlsOnce();

} // namespace zrpc

#endif
