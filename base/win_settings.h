// The library's registry settings: the keys and value names, written once, and their reader.
#ifndef ZRPC_BASE_WIN_SETTINGS_H
#define ZRPC_BASE_WIN_SETTINGS_H

#include <windows.h>

#include <cstddef>

namespace zrpc {

// The current user's settings (HKEY_CURRENT_USER): the language module, the help file, the backup
// folder, and one value per token named by its key serial for the key-store list's checked rows.
extern const char kSettingsKey[];
extern const char kResourceDllValue[];
extern const char kHelpFileValue[];
extern const char kBackupFolderValue[];

// The client's installation (HKEY_LOCAL_MACHINE): the folder the key store lives in.
extern const char kClientKey[];
extern const char kInstallDirValue[];

// Reads a string value (REG_SZ or REG_EXPAND_SZ, not expanded) into out, a buffer of size bytes.
// False, with out empty, when the key or value is missing, of another type, empty, or longer than
// size - 1 characters (a value never comes back cut).
bool ReadRegistryString(HKEY root, const char* key, const char* value, char* out, std::size_t size);

} // namespace zrpc

#endif
