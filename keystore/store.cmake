# The key store: its document (portable) and its files, connection, public keys, updates and backup.
zrpc_portable_sources(keystore/store_doc.cpp)
