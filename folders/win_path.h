// How every folder export reads the path it is given, and the forms in which the folder code hands
// paths to the platform and back to callers. Inside, paths are UTF-16: names below a folder come back
// from the platform as they are, whatever the process's code page can hold, and a path built from a
// folder (its marker file, its entries, their entries) is not held to 259 characters.
#ifndef ZRPC_FOLDERS_PATH_H
#define ZRPC_FOLDERS_PATH_H

#include <windows.h>

#include <cstddef>
#include <string>

namespace zrpc {
namespace folders {

// A path the exports take or hand out: at most 259 characters and the terminator, characters counted
// as the platform counts them (UTF-16 units), whatever bytes the code page spends on them.
constexpr std::size_t kPathChars = 260;

// The one reading of a path that every folder export gives. kOk with the full path in full: relative,
// drive-relative and root-relative texts made full against the current folder, "." and ".." resolved,
// slashes turned, as the platform itself would read the text; a drive alone ("C:") is its root. kBadArgument for a null or empty text,
// a text naming a device (base/pathroot.h), or a path longer than 259 characters.
unsigned long TakePath(const char* text, std::wstring& full);

// The "\\?\" form in which the folder code hands a full path to the platform: not held to 259
// characters, and every name taken as it is (one that ends in a dot or a space too).
std::wstring LongForm(const std::wstring& full);
// A path without its "\\?\" form, as it is shown and handed to callers and the filter.
std::wstring PlainForm(const std::wstring& path);

// folder, a backslash unless it already ends in one, then name.
std::wstring JoinPath(const std::wstring& folder, const wchar_t* name);

// A path for a caller's buffer of kPathChars bytes, in the process's code page: the path itself when
// its exact form fits; else its short form (the platform's 8.3 name of each component, which names
// the same file in plain characters), when that fits. False when neither does: a path is never cut,
// since a cut path names another file or none.
bool PathForCaller(const std::wstring& path, std::string& out);

// True when the code page holds the path exactly and it has at most 259 characters: its 8-bit form, for
// the filter, which takes paths of that length.
bool AnsiPath(const std::wstring& path, std::string& out);

} // namespace folders
} // namespace zrpc

#endif
