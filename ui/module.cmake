# Dialogs and key controls.
zrpc_win_sources(ui/working_dialog.cpp)
zrpc_def(ui/exports.def)
