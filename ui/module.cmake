# Dialogs and key controls.
zrpc_portable_sources(ui/picture_colours.cpp)
zrpc_win_sources(ui/win_working_dialog.cpp ui/win_secure_edit.cpp ui/win_password_box.cpp
                 ui/win_keystore_controls.cpp ui/win_db_combo.cpp
                 ui/win_db_list.cpp ui/win_db_list_rows.cpp ui/win_db_list_layout.cpp ui/win_db_list_paint.cpp
                 ui/win_db_list_input.cpp ui/win_db_list_edit.cpp ui/win_db_list_keys.cpp
                 ui/win_token_list.cpp ui/win_key_list.cpp ui/win_control_classes.cpp
                 ui/win_dialog_picture.cpp)
zrpc_def(ui/exports.def)
