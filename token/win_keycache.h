// The machine-wide key cache, for the library's own code.
#ifndef ZRPC_TOKEN_WIN_KEYCACHE_H
#define ZRPC_TOKEN_WIN_KEYCACHE_H

namespace zrpc {

// Empties the cache: no key cached, every slot marked empty, no group code known.
void ResetKeyCache();

} // namespace zrpc

#endif
