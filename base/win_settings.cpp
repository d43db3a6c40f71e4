#include "base/win_settings.h"

#include <cstring>
#include <vector>

namespace zrpc {

const char kSettingsKey[] = "Software\\Quillon Limited\\Corvane+\\Settings";
const char kResourceDllValue[] = "ResourceDll";
const char kHelpFileValue[] = "HelpChm";
const char kBackupFolderValue[] = "BackupFolder";
const char kClientKey[] = "SOFTWARE\\Quillon Limited\\Corvane+\\Client";
const char kInstallDirValue[] = "strInstallDir";

bool ReadRegistryString(HKEY root, const char* key, const char* value, char* out, std::size_t size) {
    if (!out || size == 0) return false;
    out[0] = 0;
    if (size > 0xFFFF) size = 0xFFFF;
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
    std::vector<char> buffer(size + 1, 0);
    DWORD got = (DWORD)size, type = 0;
    LONG rc = RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
    RegCloseKey(handle);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    // A value stored without its terminator still ends inside the buffer.
    buffer[got < size ? got : size] = 0;
    std::size_t n = std::strlen(buffer.data());
    if (n == 0 || n >= size) return false;
    std::memcpy(out, buffer.data(), n + 1);
    return true;
}

} // namespace zrpc
