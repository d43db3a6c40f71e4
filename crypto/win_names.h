// Names of algorithms, for the library's own code.
#ifndef ZRPC_CRYPTO_WIN_NAMES_H
#define ZRPC_CRYPTO_WIN_NAMES_H

namespace zrpc {

// The name of an algorithm number (its low byte): a fixed name for the known ones, else the language
// string of an unknown algorithm. Either text lives as long as the library.
const char* AlgorithmName(unsigned long id);

} // namespace zrpc

#endif
