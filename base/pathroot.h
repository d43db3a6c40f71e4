// Which folder paths name a whole drive or share. A deletion or a scan given such a path would work on
// everything the drive holds, so callers refuse them before touching anything.
#ifndef ZRPC_BASE_PATHROOT_H
#define ZRPC_BASE_PATHROOT_H

namespace zrpc {

// True for "X:\..." and "X:/..." (a drive letter, a colon and a separator) and for paths beginning
// with two separators (shares, "\\?\" and "\\.\" forms). Empty, relative ("a\b", "..\b"),
// drive-relative ("C:a", "C:") and root-relative ("\a") texts are false.
bool IsAbsolutePath(const char* path);

// True when a full path (as the platform's full-path call gives it: no "." or ".." components) names a
// drive root ("C:", "C:\"), a share root ("\\server", "\\server\share", with or without a trailing
// separator), a device ("\\.\..."), the same in the "\\?\" and "\\?\UNC\" forms, or nothing at all.
// Either slash counts as a separator.
bool IsRootPath(const char* fullPath);

} // namespace zrpc

#endif
