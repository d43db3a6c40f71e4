// zrpc sha1, zrpc base64: the library's digest and encoding exports on files or standard input.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tools/zrpc/zrpc.h"
#include "zrpcfunc.h"

namespace {

// Reads FILE, or standard input (binary) without one.
bool ReadInput(const std::vector<std::string>& args, size_t at, std::string& data, std::string& name) {
    if (args.size() > at) {
        name = args[at];
        return ZrpcReadFile(name, data);
    }
    name = "-";
    _setmode(_fileno(stdin), _O_BINARY);
    char buffer[65536];
    size_t n;
    data.clear();
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        data.append(buffer, n);
    return !std::ferror(stdin);
}

const char kSha1Usage[] = "sha1 [FILE]                     SHA-1 digest of FILE or standard input";

int Sha1(const std::vector<std::string>& args) {
    if (args.size() > 1) return ZrpcUsage(kSha1Usage);
    std::string data, name;
    if (args.size() == 1) {
        // Large files go through in pieces.
        name = args[0];
        FILE* f = std::fopen(name.c_str(), "rb");
        if (!f) return ZrpcFail(1, "opening " + name);
        _tSHA_Context context;
        ZRPCFUNC_SHA_Init(&context);
        unsigned char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            ZRPCFUNC_SHA_Update(&context, buffer, (unsigned long)n);
        bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed) return ZrpcFail(1, "reading " + name);
        const unsigned char* digest = ZRPCFUNC_SHA_Final(&context);
        for (int i = 0; i < 20; ++i)
            std::printf("%02x", digest[i]);
        std::printf("  %s\n", name.c_str());
        return 0;
    }
    if (!ReadInput(args, 0, data, name)) return ZrpcFail(1, "reading standard input");
    _tSHA_Context context;
    ZRPCFUNC_SHA_Init(&context);
    ZRPCFUNC_SHA_Update(&context, reinterpret_cast<const unsigned char*>(data.data()),
                        (unsigned long)data.size());
    const unsigned char* digest = ZRPCFUNC_SHA_Final(&context);
    for (int i = 0; i < 20; ++i)
        std::printf("%02x", digest[i]);
    std::printf("  %s\n", name.c_str());
    return 0;
}

const char kBase64Usage[] =
    "base64 encode|decode [FILE]     Base64 of FILE or standard input (to standard output)";

int Base64(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2 || (args[0] != "encode" && args[0] != "decode"))
        return ZrpcUsage(kBase64Usage);
    std::string data, name;
    if (!ReadInput(args, 1, data, name)) return ZrpcFail(1, "reading " + name);
    _setmode(_fileno(stdout), _O_BINARY);
    if (args[0] == "encode") {
        char* text = nullptr;
        unsigned long length = 0;
        int rc = EncodeBase64(&text, &length, reinterpret_cast<const unsigned char*>(data.data()),
                              (unsigned long)data.size());
        if (rc) return ZrpcFail(6, "encoding");
        std::fwrite(text, 1, length, stdout);
        std::fputs("\n", stdout);
        ZRPC_FreeGlobal(text);
        return 0;
    }
    unsigned char* bytes = nullptr;
    unsigned long length = 0;
    int rc = DecodeBase64(&bytes, &length, data.c_str(), (unsigned long)data.size());
    if (rc == 0) std::fwrite(bytes, 1, length, stdout);
    ZRPC_FreeGlobal(bytes);
    if (rc == 2) {
        std::fprintf(stderr, "zrpc: the text ends inside a group of four characters\n");
        return 2;
    }
    return rc ? ZrpcFail(6, "decoding") : 0;
}

} // namespace

ZRPC_COMMAND("sha1", Sha1, kSha1Usage);
ZRPC_COMMAND("base64", Base64, kBase64Usage);
