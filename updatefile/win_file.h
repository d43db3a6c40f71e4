// Reading a whole file for the update-file readers (Windows side).
#ifndef ZRPC_UPDATEFILE_WINFILE_H
#define ZRPC_UPDATEFILE_WINFILE_H

#include <cstdint>
#include <vector>

namespace zrpc {

// Opens path for reading with no sharing and reads it whole into data.
// 0; 1 when the file cannot be opened or is not read in full; 6 when no buffer is obtained.
uint32_t ReadWholeFile(const char* path, std::vector<char>& data);

} // namespace zrpc

#endif
