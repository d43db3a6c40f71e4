// zrpc password: the library's password box; prints the SHA-1 digest of what was typed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/zrpc/zrpc.h"
#include "zrpcfunc.h"

namespace {

const char kPasswordUsage[] =
    "password [--show] [PROMPT]      password box; SHA-1 of the typed password (status 20 on cancel)";

int Password(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    bool show = ZrpcTakeFlag(args, "--show");
    if (args.size() > 1) return ZrpcUsage(kPasswordUsage);
    std::string prompt = args.empty() ? "Enter the password:" : args[0];
    unsigned char digest[20] = {};
    unsigned long rc = ZRPCFUNC_ShowPasswordBox(nullptr, prompt.c_str(), digest, show ? 0 : 1);
    if (rc != 0) {
        std::fprintf(stderr, "zrpc: no password was given\n");
        return (int)rc;
    }
    for (unsigned char b : digest)
        std::printf("%02x", b);
    std::printf("\n");
    return 0;
}

} // namespace

ZRPC_COMMAND("password", Password, kPasswordUsage);
