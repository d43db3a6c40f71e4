# The key store: its document (portable) and its files, connection, public keys, updates and backup.
zrpc_portable_sources(keystore/store_doc.cpp keystore/store_check.cpp keystore/serial_index.cpp)
zrpc_win_sources(keystore/store_files.cpp keystore/connection.cpp keystore/public_keys.cpp keystore/updates.cpp
                 keystore/backup.cpp)
zrpc_def(keystore/exports.def)
