# The thin window layer the dialogs and controls are built on, with the export that routes a host's
# messages through the library's windows.
zrpc_win_sources(winlayer/win_dialog.cpp winlayer/win_window.cpp winlayer/win_dpi.cpp)
zrpc_def(winlayer/exports.def)
