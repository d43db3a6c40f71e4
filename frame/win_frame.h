// The library's frame: start-up, the loaded language module, the shared image list and the helpers
// every subsystem uses to load texts.
#ifndef ZRPC_FRAME_H
#define ZRPC_FRAME_H

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/guard.h"
#include "base/text.h"
#include "base/win_module.h"
#include "base/wipe.h"
#include "zrpcstring.h"

namespace zrpc {

// Starts the library in this process, once: the common controls, the first-load reset of the key cache,
// the shared image list and the language module with the list's pictures. Runs on first use (the two
// accessors below call it), never in the library entry, where the loader lock is held; any thread may
// call it, any number of times. False when the language module cannot be loaded: that is told once, in
// a message box, and the library stays not started in this process.
bool Start();

// Handle of the language module (starting the library first); null when it could not be loaded and
// after shut-down.
HINSTANCE LangModule();
// The shared 16 x 16 image list filled from bitmap 118 (starting the library first).
HIMAGELIST SharedImageList();
// The application title ("Corvane+") from the library's own resources.
const char* AppTitle();

// Loads string id of module into text (at most maxChars characters). False when the module or the
// string is missing; text is then left empty.
bool LoadModuleString(HINSTANCE module, unsigned id, std::string& text, size_t maxChars);
// Language string id, at most maxChars characters; a missing string gives
// "Error loading resource string : 0x%08X". Returns whether the string was found.
bool LangString(unsigned id, std::string& text, size_t maxChars = 511);
// Copies text into a caller's buffer of size bytes, cut to fit between two characters of the code
// page (never inside one) and always terminated (size > 0).
void CopyTextToBuffer(char* buffer, size_t size, const std::string& text);
// The missing-string text for id.
std::string MissingStringText(unsigned id);

// The language module's and the help file's names from the settings, into name (255 bytes): 1, or 0
// with the default name when the setting is missing, empty or too long.
int ResourceModuleName(char* name);
int HelpFileName(char* name);

// Shows the message box of a result code: its text, the joining word, what was being done, and the
// detail (when not null) after an empty line; warning or information title and icon.
void DisplayError(HWND owner, unsigned long code, const char* doing, const char* detail, bool warning);

} // namespace zrpc

#endif
