// Fuzzes the header reader that pulls TARGET and NAME out of an update file: it reads only the given
// bytes and writes exactly 16 name bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "updatefile/ktformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> text(data, data + size);
    char name[17];
    std::memset(name, 0x5A, sizeof name);
    uint32_t target = 0xA5A5A5A5u;
    uint32_t rc = zrpc::kt::ReadTarget(size ? text.data() : "", size, name, &target);
    if (name[16] != 0x5A) __builtin_trap();
    if (rc == zrpc::kt::kNotRead) {
        if (target != 0xA5A5A5A5u) __builtin_trap();
        for (int i = 0; i < 16; ++i)
            if (name[i] != 0x5A) __builtin_trap();
    } else if (rc != zrpc::kt::kOk) {
        __builtin_trap();
    } else {
        for (int i = 0; i < 16; ++i)
            if (name[i] == '\r' || name[i] == '\n') __builtin_trap();
    }
    return 0;
}
