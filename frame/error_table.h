// The fixed mapping from result codes to the language module's string numbers.
#ifndef ZRPC_ERROR_TABLE_H
#define ZRPC_ERROR_TABLE_H

#include <cstdint>
#include <string>

namespace zrpc {

constexpr uint32_t kUnknownErrorCode = 0xFFFFFFFFu;

// The string number of a known code, or kUnknownErrorCode.
uint32_t ErrorStringId(uint32_t code);
// "Unknown Corvane+ Error : %08X" with the code.
std::string UnknownErrorText(uint32_t code);

} // namespace zrpc

#endif
