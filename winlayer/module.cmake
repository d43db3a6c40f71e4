# The thin window layer the dialogs and controls are built on.
zrpc_win_sources(winlayer/win_dialog.cpp winlayer/win_window.cpp)
