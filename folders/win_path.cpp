#include "folders/win_path.h"

#include <cwchar>

#include "base/pathroot.h"
#include "base/win_codepage.h"
#include "include/zrpcresult.h"

namespace zrpc {
namespace folders {

namespace {

const wchar_t kLongPrefix[] = L"\\\\?\\";
const wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";
const wchar_t kDevicePrefix[] = L"\\\\.\\";

bool BeginsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

} // namespace

unsigned long TakePath(const char* text, std::wstring& full) {
    full.clear();
    if (!text || !*text) return kBadArgument;
    const std::wstring wide = WideFromAnsi(text);
    if (wide.empty() || wide.size() >= kPathChars) return kBadArgument;
    if (NamesDevice(wide.c_str())) return kBadArgument;
    // A drive alone ("C:") is its root, as the marker path built from it ("C:\vktpdir.info") has always
    // said; "C:name" is a name in the drive's current folder.
    const bool driveAlone = wide.size() == 2 && wide[1] == L':' && IsAbsolutePath((wide + L"\\").c_str());
    wchar_t buffer[kPathChars];
    DWORD n =
        GetFullPathNameW(driveAlone ? (wide + L"\\").c_str() : wide.c_str(), kPathChars, buffer, nullptr);
    if (n == 0 || n >= kPathChars) return kBadArgument;
    full.assign(buffer, n);
    // The platform's own reading of a device name ("\\.\COM1"), should it know one this library does not.
    if (BeginsWith(full, kDevicePrefix) && !BeginsWith(wide, kDevicePrefix) && NamesDevice(full.c_str()))
        return kBadArgument;
    return kOk;
}

std::wstring LongForm(const std::wstring& full) {
    if (BeginsWith(full, kLongPrefix)) return full;
    if (BeginsWith(full, kDevicePrefix)) return kLongPrefix + full.substr(4);
    if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') return kLongUncPrefix + full.substr(2);
    return kLongPrefix + full;
}

std::wstring PlainForm(const std::wstring& path) {
    if (BeginsWith(path, kLongUncPrefix)) return L"\\\\" + path.substr(8);
    if (BeginsWith(path, kLongPrefix)) return path.substr(4);
    return path;
}

std::wstring JoinPath(const std::wstring& folder, const wchar_t* name) {
    std::wstring path = folder;
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path += name;
    return path;
}

bool PathForCaller(const std::wstring& path, std::string& out) {
    const std::wstring plain = PlainForm(path);
    if (AnsiFromWide(plain.c_str(), plain.size(), out) && out.size() < kPathChars) return true;
    wchar_t shortPath[kPathChars * 2];
    const std::wstring access = LongForm(plain);
    DWORD n = GetShortPathNameW(access.c_str(), shortPath, sizeof shortPath / sizeof shortPath[0]);
    if (n > 0 && n < sizeof shortPath / sizeof shortPath[0]) {
        const std::wstring shortPlain = PlainForm(std::wstring(shortPath, n));
        if (AnsiFromWide(shortPlain.c_str(), shortPlain.size(), out) && out.size() < kPathChars) return true;
    }
    out.clear();
    return false;
}

bool AnsiPath(const std::wstring& path, std::string& out) {
    return path.size() < kPathChars && AnsiFromWide(path.c_str(), path.size(), out);
}

} // namespace folders
} // namespace zrpc
