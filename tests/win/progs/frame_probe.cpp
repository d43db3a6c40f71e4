// Loads zrpcfunc.dll at run time and reports what it finds, for tests that need a second process.
//   frame_probe load    exit 0 when the library loaded, 10 when the load failed
//   frame_probe lang DLLPATH   loads the library from DLLPATH, asks it for a text and prints the path
//                       of the language module it loaded
//   frame_probe caches  prints the shared caches as this process sees them
//   frame_probe fill TOKENFILE   fills both caches from a software token, then exits
//   frame_probe string ID        prints language string ID as the library loads it
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "standins/token/softtoken.h"
#include "zrpcrecords.h"

typedef int (*IntFn)();

template <class T> T Proc(HMODULE lib, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}
typedef _tToken_Key* (*GetKeyFn)(ITokenInterface*, unsigned long, int, unsigned long*, int);
typedef _tToken_InfoEx* (*GetInfoFn)(ITokenInterface*, unsigned long, unsigned long*, int);
typedef unsigned long (*FillFn)(ITokenInterface*, unsigned long, int);
typedef int (*LangStringFn)(char*, int, unsigned int);

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string mode = argv[1];
    if (mode == "lang" && argc > 2) {
        HMODULE lib = LoadLibraryA(argv[2]);
        if (!lib) return 10;
        // The language module is loaded by the first call that needs a text.
        auto langString = Proc<LangStringFn>(lib, "ZRPCFUNC_GetLangStringsz");
        char text[512];
        if (!langString || !langString(text, (int)sizeof text, 117)) return 11;
        char path[MAX_PATH] = "";
        GetModuleFileNameA(GetModuleHandleA("zrpcres.dll"), path, sizeof path);
        std::printf("%s", path);
        return 0;
    }
    HMODULE lib = LoadLibraryA("zrpcfunc.dll");
    if (mode == "load") return lib ? 0 : 10;
    if (!lib) return 10;
    if (mode == "string" && argc == 3) {
        auto langString = Proc<LangStringFn>(lib, "ZRPCFUNC_GetLangStringsz");
        if (!langString) return 11;
        char text[512] = {0};
        int found = langString(text, (int)sizeof text, (unsigned)std::strtoul(argv[2], nullptr, 10));
        std::printf("%s", text);
        return found ? 0 : 1;
    }
    auto cached = Proc<IntFn>(lib, "ZRPCFUNC_AreEncryptionKeysCached");
    auto getKey = Proc<GetKeyFn>(lib, "ZRPCFUNC_GetEncryptionKeyFromCache");
    auto infoCached = Proc<IntFn>(lib, "ZRPCFUNC_IsTokenInfoExCached");
    auto getInfo = Proc<GetInfoFn>(lib, "ZRPCFUNC_GetTokenInfoExFromCache");
    auto fillKeys = Proc<FillFn>(lib, "ZRPCFUNC_FillEncryptionKeyCache");
    auto fillInfo = Proc<FillFn>(lib, "ZRPCFUNC_FillTokenInfoExCache");
    if (!cached || !getKey || !infoCached || !getInfo || !fillKeys || !fillInfo) return 11;
    if (mode == "caches") {
        _tToken_Key* key = getKey(nullptr, 0, 0, nullptr, 0);
        char name[17] = {0};
        std::memcpy(name, key->name, 16);
        std::printf("keys=%d slot0=%08X flags=%u name=%s info=%d", cached(), (unsigned)key->serial,
                    (unsigned)key->flags, name, infoCached());
        if (infoCached()) {
            _tToken_InfoEx* info = getInfo(nullptr, 0, nullptr, 0);
            char tname[17] = {0};
            std::memcpy(tname, info->name, 16);
            std::printf(" token=%s", tname);
        }
        std::printf("\n");
        return 0;
    }
    if (mode == "fill" && argc == 3) {
        SoftToken token;
        if (!token.LoadFile(argv[2], nullptr) || token.Tokens().empty()) return 12;
        unsigned long handle = token.Tokens()[0].handle;
        return (int)(fillKeys(&token, handle, 1) | fillInfo(&token, handle, 1));
    }
    return 2;
}
