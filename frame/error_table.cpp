#include "frame/error_table.h"

#include <cstdio>

namespace zrpc {

uint32_t ErrorStringId(uint32_t code) {
    if (code <= 16) return code;
    if (code >= 21 && code <= 61) return code - 4;
    switch (code) {
    case 19:
        return 59171;
    case 62:
        return 59158;
    case 63:
        return 59159;
    case 64:
        return 59160;
    case 75:
        return 59157;
    case 76:
        return 59161;
    case 77:
        return 59162;
    case 65:
        return 59172;
    default:
        return kUnknownErrorCode;
    }
}

std::string UnknownErrorText(uint32_t code) {
    char text[40];
    std::snprintf(text, sizeof text, "Unknown Corvane+ Error : %08X", (unsigned)code);
    return text;
}

} // namespace zrpc
