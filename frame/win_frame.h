// The library's frame: the loaded language module, the shared image list and the helpers every
// subsystem uses to load texts.
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

// Handle of the language module; null before start-up and after shut-down.
HINSTANCE LangModule();
// The shared 16 x 16 image list filled from bitmap 118.
HIMAGELIST SharedImageList();
// The application title ("Corvane+") from the library's own resources.
const char* AppTitle();

// Loads string id of module into text (at most maxChars characters). False when the module or the
// string is missing; text is then left empty.
bool LoadModuleString(HINSTANCE module, unsigned id, std::string& text, size_t maxChars);
// Language string id, at most maxChars characters; a missing string gives
// "Error loading resource string : 0x%08X". Returns whether the string was found.
bool LangString(unsigned id, std::string& text, size_t maxChars = 511);
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
