// Language strings and the settings that name the language module and help file.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/win_codepage.h"
#include "base/win_settings.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"

namespace {

// Reads a string value of the settings into name (255 bytes); a missing, empty or too long value
// gives the default.
int ReadSettingsName(const char* value, const char* fallback, char* name) {
    if (zrpc::ReadRegistryString(HKEY_CURRENT_USER, zrpc::kSettingsKey, value, name, 255)) return 1;
    zrpc::CopyToBuffer(name, 255, fallback);
    return 0;
}

} // namespace

namespace zrpc {

bool LoadModuleString(HINSTANCE module, unsigned id, std::string& text, size_t maxChars) {
    text.clear();
    if (!module) return false;
    // Strings live in blocks of sixteen: a word of length, then that many UTF-16 characters.
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA((id >> 4) + 1), MAKEINTRESOURCEA(6));
    if (!res) return false;
    HGLOBAL loaded = LoadResource(module, res);
    const WCHAR* p = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    DWORD bytes = SizeofResource(module, res);
    if (!p) return false;
    const WCHAR* end = p + bytes / sizeof(WCHAR);
    for (unsigned i = 0; i < (id & 15); ++i) {
        if (p >= end) return false;
        p += 1 + *p;
    }
    if (p >= end || *p == 0) return false;
    size_t length = *p++;
    if (p + length > end) return false;
    if (length > maxChars) length = maxChars;
    if (length == 0) return true;
    int need = WideCharToMultiByte(CP_ACP, 0, p, (int)length, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return false;
    text.resize((size_t)need);
    WideCharToMultiByte(CP_ACP, 0, p, (int)length, &text[0], need, nullptr, nullptr);
    // The code page may spend more than one byte on a character: cut between characters.
    if (text.size() > maxChars) text.resize(AnsiCutPoint(text.data(), text.size(), maxChars));
    return true;
}

void CopyTextToBuffer(char* buffer, size_t size, const std::string& text) {
    if (!buffer || size == 0) return;
    CopyToBuffer(buffer, size, text.substr(0, AnsiCutPoint(text.data(), text.size(), size - 1)));
}

std::string MissingStringText(unsigned id) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "Error loading resource string : 0x%08X", id);
    return buffer;
}

bool LangString(unsigned id, std::string& text, size_t maxChars) {
    if (LoadModuleString(LangModule(), id, text, maxChars)) return true;
    text = MissingStringText(id);
    return false;
}

int ResourceModuleName(char* name) {
    return name ? ReadSettingsName(kResourceDllValue, "zrpcres.dll", name) : 0;
}

int HelpFileName(char* name) {
    return name ? ReadSettingsName(kHelpFileValue, "zrphelp.chm", name) : 0;
}

} // namespace zrpc

ZRPC_API int ZRPCFUNC_FindResDLLName(char* name) {
    return zrpc::Guard(0, [&] { return zrpc::ResourceModuleName(name); });
}

ZRPC_API int ZRPCFUNC_FindHelpCHMName(char* name) {
    return zrpc::Guard(0, [&] { return zrpc::HelpFileName(name); });
}

ZRPC_API int ZRPCFUNC_GetLangString(CString* text, unsigned int id) {
    return zrpc::Guard(0, [&] {
        if (!zrpc::LangModule() || !text) return 0;
        std::string s;
        bool found = zrpc::LangString(id, s, 511);
        *text = s.c_str();
        return found ? 1 : 0;
    });
}

ZRPC_API int ZRPCFUNC_GetLangStringsz(char* buffer, int size, unsigned int id) {
    return zrpc::Guard(0, [&] {
        if (!zrpc::LangModule() || !buffer) return 0;
        std::string s;
        bool found = zrpc::LangString(id, s, size > 0 ? (size_t)size - 1 : 0);
        // The missing-string text is cut to the caller's size as well.
        zrpc::CopyTextToBuffer(buffer, (size_t)size, s);
        return found ? 1 : 0;
    });
}

ZRPC_API COLORREF ZRPCFUNC_GetDlgColour() {
    return GetSysColor(COLOR_3DFACE);
}
