# Digests, encodings and names: portable SHA-1 and Base64 cores, Windows exports.
zrpc_portable_sources(crypto/sha1.cpp crypto/base64.cpp)
zrpc_win_sources(crypto/win_sha1.cpp crypto/win_base64.cpp crypto/win_names.cpp)
zrpc_def(crypto/exports.def)
