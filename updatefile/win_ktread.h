// Reading an update file whole, with the update-file result codes.
#ifndef ZRPC_UPDATEFILE_WIN_KTREAD_H
#define ZRPC_UPDATEFILE_WIN_KTREAD_H

#include <cstdint>

#include "base/win_file.h"
#include "updatefile/ktformat.h"

namespace zrpc {
namespace kt {

// Reads path whole, nobody else having it open meanwhile: 0; 1 when the file cannot be opened or is
// not read in full; 6 when it is too large or no buffer is obtained.
inline uint32_t ReadUpdateFile(const char* path, FileBytes& data) {
    switch (ReadWholeFile(path, false, data)) {
    case FileRead::Ok:
        return kOk;
    case FileRead::NoMemory:
        return kNoMemory;
    default:
        return kNotRead;
    }
}

} // namespace kt
} // namespace zrpc

#endif
