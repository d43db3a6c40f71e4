# Token access: the two machine-wide caches.
zrpc_win_sources(token/win_keycache.cpp token/win_tokeninfocache.cpp)
zrpc_def(token/exports.def)
