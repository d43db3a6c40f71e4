# The key store: its document, the read connection's snapshot and the report of its long changes
# (portable), and its files, connection, public keys, updates and backup.
zrpc_portable_sources(keystore/store_doc.cpp keystore/store_check.cpp keystore/serial_index.cpp
                      keystore/connection.cpp keystore/progress.cpp)
zrpc_win_sources(keystore/win_store_files.cpp keystore/win_connection.cpp keystore/win_public_keys.cpp
                 keystore/win_updates.cpp keystore/win_backup.cpp)
zrpc_def(keystore/exports.def)
