// Update files on disk, for the library's own code (the exports are shells over these).
#ifndef ZRPC_UPDATEFILE_WIN_KTFILE_H
#define ZRPC_UPDATEFILE_WIN_KTFILE_H

#include <windows.h>

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

// Writes packet (type 12 or 14) as an update file at path, asking owner first whether an existing
// file may be replaced: 0; 3 for a missing argument or another type; 2 when the file is not created
// or written (the caller's packet untouched when it cannot be created); 20 when the user declines.
// The packet is left scrambled, as the text builder leaves it.
unsigned long WriteUpdateFile(HWND owner, _tNewTransferPacket* packet, const char* path, const char* name,
                              unsigned long target);

} // namespace kt
} // namespace zrpc

#endif
