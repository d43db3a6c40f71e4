// The functions exported by ordinal only: ReadKTFileTarget (9), ScrambleStream (10),
// DescrambleStream (11), ScrambleBuffer (12), DescrambleBuffer (13).
#include <windows.h>

#include "crypto/base64.h"
#include "base/guard.h"
#include "include/zrpcfunc.h"
#include "updatefile/ktformat.h"
#include "updatefile/scrambler.h"
#include "updatefile/win_ktfile.h"

extern "C" unsigned long ReadKTFileTarget(const char* path, char* name, unsigned long* target) {
    return zrpc::Guard<unsigned long>(zrpc::kt::kNoMemory, [&]() -> unsigned long {
        if (!name || !target) return zrpc::kt::kBadArgument;
        if (!path) return zrpc::kt::kNotRead;
        zrpc::FileBytes data;
        uint32_t rc = zrpc::kt::ReadUpdateFile(path, data);
        if (rc == zrpc::kt::kOk) {
            uint32_t value = 0;
            rc = zrpc::kt::ReadTarget(data.data(), data.size(), name, &value);
            if (rc == zrpc::kt::kOk) *target = value;
        }
        return rc;
    });
}

extern "C" void ScrambleStream(long seed, unsigned char* buffer, long length, unsigned char* chain) {
    zrpc::GuardVoid([&] { zrpc::ScrambleStream(seed, buffer, length, chain); });
}

extern "C" void DescrambleStream(long seed, unsigned char* buffer, long length, unsigned char* chain) {
    zrpc::GuardVoid([&] { zrpc::DescrambleStream(seed, buffer, length, chain); });
}

extern "C" void ScrambleBuffer(unsigned short seed, unsigned char* buffer, long length) {
    zrpc::GuardVoid([&] { zrpc::ScrambleBuffer(seed, buffer, length); });
}

extern "C" void DescrambleBuffer(unsigned short seed, unsigned char* buffer, long length) {
    zrpc::GuardVoid([&] { zrpc::DescrambleBuffer(seed, buffer, length); });
}
