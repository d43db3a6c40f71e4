// A C++ client built by its own CMake project against the SDK: SHA-1, Base64, a name through the
// CString function and through its C twin (names.c), an algorithm name and the ordinal-only scrambler.
// Prints one line a check and "N passed, M failed"; the exit code is the number of failed checks.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "zrpcfunc.h"

extern "C" int KeyNameInC(_tToken_Key* key, char* buffer, int size);

namespace {

int g_passed = 0, g_failed = 0;

void Check(const char* name, bool ok, const std::string& seen = "") {
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", name, ok || seen.empty() ? "" : ": ",
                ok ? "" : seen.c_str());
    ++(ok ? g_passed : g_failed);
}

std::string Hex(const unsigned char* p, size_t n) {
    std::string s;
    char pair[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", p[i]);
        s += pair;
    }
    return s;
}

} // namespace

int main() {
    _tSHA_Context context;
    ZRPCFUNC_SHA_Init(&context);
    ZRPCFUNC_SHA_Update(&context, reinterpret_cast<const unsigned char*>("abc"), 3);
    std::string digest = Hex(ZRPCFUNC_SHA_Final(&context), 20);
    Check("SHA-1 of \"abc\"", digest == "a9993e364706816aba3e25717850c26c9cd0d89d", digest);

    const char data[] = "Corvane+ SDK";
    char* text = nullptr;
    unsigned long length = 0;
    int rc = EncodeBase64(&text, &length, reinterpret_cast<const unsigned char*>(data), sizeof data - 1);
    std::string encoded = text ? std::string(text, length) : "(none)";
    Check("Base64", rc == 0 && encoded == "Q29ydmFuZSsgU0RL", encoded);
    ZRPC_FreeGlobal(text);

    _tToken_Key key;
    std::memset(&key, 0, sizeof key);
    std::memcpy(key.name, "Backup key 2", 12);
    CString name = ZRPCFUNC_GetNiceKeyNameFromKeyData(&key);
    char buffer[ZRPC_NAME_BUFFER] = "";
    int n = KeyNameInC(&key, buffer, sizeof buffer);
    Check("key name (CString)", name == "Backup key 2", name.GetString());
    Check("key name (C twin)", n == 12 && std::strcmp(buffer, name) == 0, buffer);

    const char* algorithm = ZRPCFUNC_GetAlgorithmForID(0x105);
    Check("algorithm 5", std::strcmp(algorithm, "3DES") == 0, algorithm);

    HMODULE module = GetModuleHandleA("zrpcfunc.dll");
    auto scramble = reinterpret_cast<ZRPC_ScrambleBufferFn>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ZRPC_ORDINAL_SCRAMBLEBUFFER))));
    auto descramble = reinterpret_cast<ZRPC_ScrambleBufferFn>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ZRPC_ORDINAL_DESCRAMBLEBUFFER))));
    unsigned char bytes[32], original[32];
    for (unsigned i = 0; i < sizeof bytes; ++i)
        bytes[i] = original[i] = (unsigned char)(i * 37 + 1);
    if (scramble && descramble) {
        scramble(0x1234, bytes, sizeof bytes);
        bool changed = std::memcmp(bytes, original, sizeof bytes) != 0;
        descramble(0x1234, bytes, sizeof bytes);
        Check("scrambler by ordinal", changed && std::memcmp(bytes, original, sizeof bytes) == 0);
    } else {
        Check("scrambler by ordinal", false, "ordinal exports not found");
    }

    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed;
}
