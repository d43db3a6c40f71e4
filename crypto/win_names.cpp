// ZRPCFUNC_GetAlgorithmForID, the ZRPCFUNC_GetNice...Name... functions (a CString each, and each
// name in a caller's buffer) and ZRPCFUNC_GenerateSymmetricKeyForIV.
#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include <string>

#include "crypto/win_names.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"

namespace {

const char* FixedAlgorithmName(unsigned id) {
    switch (id) {
    case 1:
        return "RC4";
    case 2:
        return "CAST";
    case 3:
        return "BlowFish";
    case 4:
        return "DES";
    case 5:
        return "3DES";
    case 6:
        return "SEAL";
    case 7:
        return "RC5";
    case 8:
        return "RC6";
    case 9:
        return "AES";
    case 0x81:
        return "SHA-1";
    case 0x82:
        return "MD5";
    }
    return nullptr;
}

// The text of a 16-byte name field: up to its first NUL, at most 16 characters; empty for no field.
std::string NameText(const char* field) {
    return field ? std::string(field, strnlen(field, 16)) : std::string();
}

CString NameField(const char* field) {
    return CString(NameText(field).c_str());
}

// The same text in a caller's buffer: the characters written (cut to size - 1).
int NameFieldTo(const char* field, char* buffer, int size) {
    if (!buffer || size < 1) return 0;
    std::string name = NameText(field);
    zrpc::CopyToBuffer(buffer, (size_t)size, name);
    return (int)std::strlen(buffer);
}

// A language string; a missing one is first reported in a box of its own and then used as the text.
std::string LangStringOrReport(unsigned id) {
    std::string text;
    if (!zrpc::LangString(id, text, 399)) MessageBoxA(nullptr, text.c_str(), zrpc::AppTitle(), MB_OK);
    return text;
}

void ReportProviderFailure(DWORD error) {
    std::string format = LangStringOrReport(IDS_RANDOM_FAILED);
    std::string title = LangStringOrReport(IDS_RANDOM_FAILED_TITLE);
    char text[1024] = "";
    DWORD_PTR args[1] = {error};
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, format.c_str(), 0, 0,
                        text, sizeof text, reinterpret_cast<va_list*>(args)))
        zrpc::CopyToBuffer(text, sizeof text, format);
    MessageBoxA(nullptr, text, title.c_str(), MB_OK);
}

} // namespace

const char* zrpc::AlgorithmName(unsigned long id) {
    if (const char* name = FixedAlgorithmName(id & 0xFF)) return name;
    // The language module's word for an unknown algorithm, read once: the module stays the same while
    // the library is loaded, so the text is constant from then on, and the pointer callers keep for
    // display stays valid (and unchanged, whatever other threads ask) as long as the library. The
    // start-up runs first, outside the one-time read: a message box it may show lets this thread's
    // windows, and so this function, run again meanwhile.
    zrpc::Start();
    static const std::string unknown = [] {
        std::string text;
        zrpc::LangString(IDS_UNKNOWN_ALGORITHM, text, 399);
        return text;
    }();
    return unknown.c_str();
}

ZRPC_API const char* ZRPCFUNC_GetAlgorithmForID(unsigned long id) {
    return zrpc::Guard<const char*>("", [&] { return zrpc::AlgorithmName(id); });
}

ZRPC_API CString ZRPCFUNC_GetNiceTokenNameFromFindInfo(_tZRPKeyFindInfo* info) {
    return zrpc::Guard(CString(), [&] { return info ? NameField(info->name) : CString(); });
}

ZRPC_API CString ZRPCFUNC_GetNiceTokenNameFromTokenInfo(_tToken_Info* info) {
    return zrpc::Guard(CString(), [&] { return info ? NameField(info->name) : CString(); });
}

ZRPC_API CString ZRPCFUNC_GetNiceTokenNameFromTokenInfoEx(_tToken_InfoEx* info) {
    return zrpc::Guard(CString(), [&] { return info ? NameField(info->name) : CString(); });
}

ZRPC_API CString ZRPCFUNC_GetNiceKeyNameFromKeyData(_tToken_Key* key) {
    return zrpc::Guard(CString(), [&] { return key ? NameField(key->name) : CString(); });
}

ZRPC_API CString ZRPCFUNC_GetNiceTokenNameFromPubKeyPacket(_tNewTransferPacket* packet) {
    return zrpc::Guard(CString(), [&] { return packet ? NameField(packet->name) : CString(); });
}

ZRPC_API int ZRPCFUNC_GetNiceTokenNameFromFindInfosz(_tZRPKeyFindInfo* info, char* buffer, int size) {
    return zrpc::Guard(0, [&] { return NameFieldTo(info ? info->name : nullptr, buffer, size); });
}

ZRPC_API int ZRPCFUNC_GetNiceTokenNameFromTokenInfosz(_tToken_Info* info, char* buffer, int size) {
    return zrpc::Guard(0, [&] { return NameFieldTo(info ? info->name : nullptr, buffer, size); });
}

ZRPC_API int ZRPCFUNC_GetNiceTokenNameFromTokenInfoExsz(_tToken_InfoEx* info, char* buffer, int size) {
    return zrpc::Guard(0, [&] { return NameFieldTo(info ? info->name : nullptr, buffer, size); });
}

ZRPC_API int ZRPCFUNC_GetNiceKeyNameFromKeyDatasz(_tToken_Key* key, char* buffer, int size) {
    return zrpc::Guard(0, [&] { return NameFieldTo(key ? key->name : nullptr, buffer, size); });
}

ZRPC_API int ZRPCFUNC_GetNiceTokenNameFromPubKeyPacketsz(_tNewTransferPacket* packet, char* buffer,
                                                         int size) {
    return zrpc::Guard(0, [&] { return NameFieldTo(packet ? packet->name : nullptr, buffer, size); });
}

ZRPC_API unsigned long ZRPCFUNC_GenerateSymmetricKeyForIV(unsigned long /*reserved*/, unsigned long bits,
                                                          unsigned char* buffer, int keepContents) {
    return zrpc::Guard<unsigned long>(1, [&]() -> unsigned long {
        const DWORD n = bits / 8;
        if (n && !buffer) return 1;
        HCRYPTPROV provider = 0;
        if (!CryptAcquireContextA(&provider, "Corvane+", nullptr, PROV_RSA_FULL, 0)) {
            if (GetLastError() != (DWORD)NTE_BAD_KEYSET ||
                !CryptAcquireContextA(&provider, "Corvane+", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET)) {
                DWORD error = GetLastError();
                // A failed generation never leaves the buffer as it was: it may hold an old IV or key.
                if (n) zrpc::Wipe(buffer, n);
                ReportProviderFailure(error);
                return 1;
            }
        }
        if (n && !keepContents) std::memset(buffer, 0, n);
        BOOL ok = n == 0 || CryptGenRandom(provider, n, buffer);
        if (!ok) zrpc::Wipe(buffer, n);
        CryptReleaseContext(provider, 0);
        return ok ? 0 : 1;
    });
}
