// Start-up and shut-down of the library in a process, and the per-process frame state.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/pathroot.h"
#include "frame/win_frame.h"
#include "token/win_caches.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"

// Machine-wide: set to 1 by the first process that starts the library after this section came into being.
__attribute__((section(".zflag"), shared)) volatile LONG g_firstLoadDone = 0;

namespace {

HINSTANCE g_lang = nullptr;
HIMAGELIST g_imageList = nullptr;
HBITMAP g_imageBitmap = nullptr;
char g_appTitle[64] = "Corvane+";

void ShowLoadFailure(const char* name) {
    std::string text = "Error loading resource dll : ";
    text += name;
    MessageBoxA(nullptr, text.c_str(), g_appTitle, MB_OK);
}

// The application object's start: returns false when the library must refuse to load.
bool InitInstance() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&icc);

    g_imageBitmap = nullptr;

    if (g_firstLoadDone == 0) {
        zrpc::ResetKeyCache();
        g_firstLoadDone = 1;
    }

    g_imageList = ImageList_Create(16, 16, ILC_COLOR8 | ILC_MASK, 0, 4);

    char name[255];
    zrpc::ResourceModuleName(name);
    // A name without a full path (the default one included) is taken from this library's own folder,
    // never searched for along the search path, where the program's or the current folder could
    // hold another module of that name.
    std::string path = name;
    if (!zrpc::IsAbsolutePath(name)) {
        char self[MAX_PATH] = "";
        DWORD n = GetModuleFileNameA(zrpc::SelfModule(), self, sizeof self);
        std::string folder = n > 0 && n < sizeof self ? std::string(self, n) : std::string();
        size_t cut = folder.find_last_of("\\/");
        if (cut != std::string::npos) path = folder.substr(0, cut + 1) + name;
    }
    g_lang = LoadLibraryA(path.c_str());
    if (!g_lang) {
        ShowLoadFailure(name);
        return false;
    }

    g_imageBitmap = static_cast<HBITMAP>(
        LoadImageA(g_lang, MAKEINTRESOURCEA(IDB_IMAGE_STRIP), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (g_imageBitmap && g_imageList) ImageList_AddMasked(g_imageList, g_imageBitmap, RGB(255, 0, 255));
    return true;
}

void ExitInstance() {
    if (g_lang) {
        FreeLibrary(g_lang);
        g_lang = nullptr;
    }
    if (g_imageList) {
        ImageList_Destroy(g_imageList);
        g_imageList = nullptr;
    }
    if (g_imageBitmap) {
        DeleteObject(g_imageBitmap);
        g_imageBitmap = nullptr;
    }
}

} // namespace

namespace zrpc {
HINSTANCE LangModule() {
    return g_lang;
}
HIMAGELIST SharedImageList() {
    return g_imageList;
}
const char* AppTitle() {
    return g_appTitle;
}
} // namespace zrpc

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH: {
        std::string title;
        if (zrpc::LoadModuleString(instance, IDS_ZRPC_APP_TITLE, title, sizeof g_appTitle - 1))
            zrpc::CopyToBuffer(g_appTitle, sizeof g_appTitle, title);
        bool ok = zrpc::Guard(false, [] { return InitInstance(); });
        if (!ok) {
            zrpc::GuardVoid([] { ExitInstance(); });
            return FALSE;
        }
        return TRUE;
    }
    case DLL_PROCESS_DETACH:
        zrpc::GuardVoid([] { ExitInstance(); });
        return TRUE;
    default:
        return TRUE;
    }
}
