// Start-up and shut-down of the library in a process, and the per-process frame state.
//
// The library entry runs under the loader lock, where loading libraries, showing windows and waiting
// for other threads can deadlock the process. So it does nothing but prepare the start-up's lock; the
// start-up itself (common controls, first-load reset, image list, language module) runs once, on the
// first call that needs it (Start, through LangModule and SharedImageList).
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/pathroot.h"
#include "base/win_codepage.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "token/win_caches.h"

namespace {

// Per process: not started -> starting -> started, or failed (the language module could not be loaded;
// final, as a process that cannot load it never reaches the started state).
constexpr LONG kNotStarted = 0, kStarting = 1, kStarted = 2, kFailed = 3;

volatile LONG g_state = kNotStarted;
CRITICAL_SECTION g_startLock; // made in the library entry, before any call can arrive
HINSTANCE g_lang = nullptr;
HIMAGELIST g_imageList = nullptr;
HBITMAP g_imageBitmap = nullptr;

LONG State() {
    return InterlockedCompareExchange(&g_state, 0, 0);
}

// The folder (with its trailing backslash) of a module's file, or of the program for null; empty when
// the platform cannot say.
std::wstring ModuleFolder(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, &path[0], (DWORD)path.size());
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

// Loads the language module. A name with a full path is loaded from there. A name without one (the
// default name among them) is looked for in this library's own folder, then in the program's folder;
// never along the system's search path, where the current folder could hold another module of that
// name. The name is text of the process's code page; the folders may hold any character.
HINSTANCE LoadLanguageModule(const char* name) {
    const std::wstring wide = zrpc::WideFromAnsi(name);
    if (wide.empty()) return nullptr;
    if (zrpc::IsAbsolutePath(wide.c_str())) return LoadLibraryW(wide.c_str());
    for (HMODULE where : {static_cast<HMODULE>(zrpc::SelfModule()), static_cast<HMODULE>(nullptr)}) {
        const std::wstring folder = ModuleFolder(where);
        if (folder.empty()) continue;
        const std::wstring path = folder + wide;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        if (HINSTANCE module = LoadLibraryW(path.c_str())) return module;
    }
    return nullptr;
}

// The application object's start, in order. False, with the module's name in failedName, when the
// language module cannot be loaded.
bool InitInstance(std::string& failedName) {
    zrpc::InitCommonControlsOnce();
    g_imageBitmap = nullptr;
    zrpc::KeyCacheFirstLoad();
    g_imageList = ImageList_Create(16, 16, ILC_COLOR8 | ILC_MASK, 0, 4);

    char name[255];
    zrpc::ResourceModuleName(name);
    g_lang = LoadLanguageModule(name);
    if (!g_lang) {
        failedName = name;
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

bool Start() {
    LONG state = State();
    if (state == kStarted) return true;
    if (state == kFailed) return false;
    std::string failedName;
    EnterCriticalSection(&g_startLock);
    // A call made on this thread while it starts (a window painted during the failure's message box,
    // say) finds the library not started, as it would before start-up.
    if (State() == kNotStarted) {
        InterlockedExchange(&g_state, kStarting);
        bool ok = Guard(false, [&] { return InitInstance(failedName); });
        if (!ok) GuardVoid([] { ExitInstance(); });
        // Only a language module that cannot be loaded is final; a start-up that ran out of memory is
        // tried again on the next call.
        InterlockedExchange(&g_state, ok ? kStarted : !failedName.empty() ? kFailed : kNotStarted);
    }
    state = State();
    LeaveCriticalSection(&g_startLock);
    // Told by the thread that tried, once, and without holding the lock: the box waits for the user.
    if (!failedName.empty()) {
        GuardVoid([&] {
            const std::string text = "Error loading resource dll : " + failedName;
            MessageBoxA(nullptr, text.c_str(), AppTitle(), MB_OK);
        });
    }
    return state == kStarted;
}

HINSTANCE LangModule() {
    return Start() ? g_lang : nullptr;
}

HIMAGELIST SharedImageList() {
    return Start() ? g_imageList : nullptr;
}

const char* AppTitle() {
    // From the library's own resources, read once; the title stays when the string is missing.
    static const std::string title = [] {
        std::string text;
        return LoadModuleString(SelfModule(), IDS_ZRPC_APP_TITLE, text, 63) ? text : std::string("Corvane+");
    }();
    return title.c_str();
}

} // namespace zrpc

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        InitializeCriticalSection(&g_startLock);
        return TRUE;
    case DLL_PROCESS_DETACH:
        // When the process ends, the system takes everything back: nothing is touched then. When the
        // library alone is unloaded, the application object's end frees what the start-up made (the
        // language module holds resources only and runs no code of its own).
        if (!reserved) zrpc::GuardVoid([] { ExitInstance(); });
        DeleteCriticalSection(&g_startLock);
        return TRUE;
    default:
        return TRUE;
    }
}
