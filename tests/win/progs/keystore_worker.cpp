// Helper for the key store's multi-process tests. Runs without windows: every window creation on its
// thread is refused, so the working dialog and message boxes give way at once.
//   keystore_worker comments SERIAL TEXT1 TEXT2   sets the comment of SERIAL to TEXT1, TEXT2, TEXT1, ...
//                                                until killed; prints "saved" after the first change
//   keystore_worker add FIRST COUNT              adds public keys FIRST .. FIRST+COUNT-1 (hexadecimal)
//   keystore_worker comment SERIAL TEXT          sets one comment and ends
// Exit code: 0, or the first failing result code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zrpcfunc.h"

namespace {

LRESULT CALLBACK RefuseWindows(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) return 1;
    return CallNextHookEx(nullptr, code, wp, lp);
}

_tNewTransferPacket Packet(uint32_t serial) {
    _tNewTransferPacket p;
    std::memset(&p, 0, sizeof p);
    p.size = ZRPC_PACKET_SIZE;
    p.version = ZRPC_PACKET_VERSION;
    p.type = ZRPC_PACKET_PUBLICKEY;
    p.serial = p.secondSerial = serial;
    std::snprintf(p.name, sizeof p.name, "key %08X", (unsigned)serial);
    for (size_t i = 200; i < sizeof p; ++i)
        reinterpret_cast<uint8_t*>(&p)[i] = (uint8_t)(i ^ serial);
    return p;
}

} // namespace

int main(int argc, char** argv) {
    SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
    if (argc == 5 && !std::strcmp(argv[1], "comments")) {
        unsigned long serial = std::strtoul(argv[2], nullptr, 16);
        for (unsigned long i = 0;; ++i) {
            unsigned long rc = ZRPCFUNC_DB_SetComments(serial, argv[3 + i % 2]);
            if (rc) return (int)rc;
            if (i == 0) {
                std::printf("saved\n");
                std::fflush(stdout);
            }
        }
    }
    if (argc == 4 && !std::strcmp(argv[1], "add")) {
        unsigned long first = std::strtoul(argv[2], nullptr, 16), count = std::strtoul(argv[3], nullptr, 10);
        for (unsigned long i = 0; i < count; ++i) {
            _tNewTransferPacket p = Packet((uint32_t)(first + i));
            if (unsigned long rc = ZRPCFUNC_DB_AddPublicKey(nullptr, &p, 0)) return (int)rc;
        }
        return 0;
    }
    if (argc == 4 && !std::strcmp(argv[1], "comment"))
        return (int)ZRPCFUNC_DB_SetComments(std::strtoul(argv[2], nullptr, 16), argv[3]);
    std::fprintf(stderr,
                 "usage: keystore_worker comments SERIAL T1 T2 | add FIRST COUNT | comment SERIAL TEXT\n");
    return 3;
}
