zrpc_win_sources(token/keycache.cpp token/tokeninfocache.cpp)
zrpc_def(token/exports.def)
