// Which folder paths name a whole drive or share, and which name a device. A deletion or a scan given
// a root would work on everything the drive holds, and a device name opens the device (a port, the
// console, the null device) instead of a file: callers refuse both before touching anything.
// Each question takes 8-bit text or UTF-16 text alike; only ASCII characters decide.
#ifndef ZRPC_BASE_PATHROOT_H
#define ZRPC_BASE_PATHROOT_H

namespace zrpc {

// True for "X:\..." and "X:/..." (a drive letter, a colon and a separator) and for paths beginning
// with two separators (shares, "\\?\" and "\\.\" forms). Empty, relative ("a\b", "..\b"),
// drive-relative ("C:a", "C:") and root-relative ("\a") texts are false.
bool IsAbsolutePath(const char* path);
bool IsAbsolutePath(const wchar_t* path);

// True when a full path (as the platform's full-path call gives it: no "." or ".." components) names a
// drive root ("C:", "C:\"), a share root ("\\server", "\\server\share", with or without a trailing
// separator), a device ("\\.\..."), the same in the "\\?\" and "\\?\UNC\" forms, or nothing at all.
// Either slash counts as a separator.
bool IsRootPath(const char* fullPath);
bool IsRootPath(const wchar_t* fullPath);

// True when the path names a device rather than a file or folder: any of its names is a device name of
// the platform (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9 and LPT0 to LPT9, the last two also
// with a superscript 1, 2 or 3), in any case, with or without an extension or trailing spaces
// ("nul.txt", "C:\x\COM1", "con .log"), or the path is in the device namespace ("\\.\" followed by
// anything but a drive letter and a colon). False for null.
bool NamesDevice(const char* path);
bool NamesDevice(const wchar_t* path);

} // namespace zrpc

#endif
