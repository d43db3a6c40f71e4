// Loads zrpcfunc.dll on one thread while another thread keeps loading and freeing other libraries, and
// reports what it sees, one "name: value" a line, for frame_loader_test.
//   loader_probe threads   the load, the first calls of two threads at once, the language module's life
//   loader_probe nolang    the same with a language module that cannot be loaded (the caller sets
//                          ResourceDll): the load, the first calls and the one message box, which this
//                          program answers itself after looking whether the loader stayed free meanwhile
// Exit 0 when every step finished; 20 when the library's load, a first call or the other thread did not
// end in time (a deadlock: the process then ends without the loader), 10 when the library did not load.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "zrpcres_ids.h"

namespace {

constexpr DWORD kStepTimeoutMs = 120000; // the emulated 32-bit Wine is slow, a deadlock is forever

typedef int (*LangStringFn)(char*, int, unsigned int);
typedef const char* (*AlgorithmFn)(unsigned long);
typedef int (*IntFn)();
typedef COLORREF (*ColourFn)();

template <class T> T Proc(HMODULE lib, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

// Libraries the library itself does not use, each loaded and freed again, so that every round takes
// and gives back the loader lock and runs their entry points.
const char* const kOthers[] = {"psapi.dll", "imagehlp.dll", "cabinet.dll", "hid.dll", "dbghelp.dll"};

std::atomic<bool> g_stopChurn{false};
std::atomic<long> g_rounds{0};

DWORD WINAPI Churn(LPVOID) {
    while (!g_stopChurn) {
        for (const char* name : kOthers) {
            if (HMODULE m = LoadLibraryA(name)) FreeLibrary(m);
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        ++g_rounds; // counted once the round's window calls are made too
    }
    return 0;
}

bool Wait(HANDLE thread) {
    return WaitForSingleObject(thread, kStepTimeoutMs) == WAIT_OBJECT_0;
}

// A step that did not end holds the loader lock for good, and an ordinary exit needs it: this ends the
// process without it, so that the caller sees the answer instead of a process that never ends.
[[noreturn]] void Deadlocked() {
    std::printf("deadlock: yes\n");
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 20);
    for (;;)
        Sleep(INFINITE);
}

HMODULE g_lib = nullptr;

DWORD WINAPI LoadTheLibrary(LPVOID) {
    g_lib = LoadLibraryA("zrpcfunc.dll");
    return 0;
}

bool LanguageModuleLoaded() {
    return GetModuleHandleA("zrpcres.dll") != nullptr;
}

// What one caller gets from its first calls.
struct Answers {
    HANDLE go;
    int found = -1;
    char text[512];
    std::string algorithm;
    int cached = -1;
    COLORREF colour = 0;
};

DWORD WINAPI FirstCalls(LPVOID param) {
    Answers& a = *static_cast<Answers*>(param);
    WaitForSingleObject(a.go, INFINITE);
    std::memset(a.text, '#', sizeof a.text);
    a.text[sizeof a.text - 1] = 0;
    a.found =
        Proc<LangStringFn>(g_lib, "ZRPCFUNC_GetLangStringsz")(a.text, (int)sizeof a.text, IDS_ERROR_JOIN);
    const char* name = Proc<AlgorithmFn>(g_lib, "ZRPCFUNC_GetAlgorithmForID")(0);
    a.algorithm = name ? name : "<null>";
    a.cached = Proc<IntFn>(g_lib, "ZRPCFUNC_AreEncryptionKeysCached")();
    a.colour = Proc<ColourFn>(g_lib, "ZRPCFUNC_GetDlgColour")();
    return 0;
}

// Starts two callers at the same moment; false when they did not end in time.
bool TwoFirstCalls(Answers& a, Answers& b) {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    a.go = b.go = go;
    HANDLE ta = CreateThread(nullptr, 0, FirstCalls, &a, 0, nullptr);
    HANDLE tb = CreateThread(nullptr, 0, FirstCalls, &b, 0, nullptr);
    Sleep(50);
    SetEvent(go);
    bool ended = Wait(ta) && Wait(tb);
    CloseHandle(ta);
    CloseHandle(tb);
    CloseHandle(go);
    return ended;
}

std::string LoadStringOf(HMODULE module, unsigned id) {
    char text[512] = "";
    LoadStringA(module, id, text, sizeof text);
    return text;
}

// The message boxes of this process: each is looked at, then answered with OK.
struct Watch {
    std::atomic<bool> stop{false};
    std::atomic<bool> looked{false}; // one look done: this thread's window calls are set up
    std::atomic<int> boxes{0};
    std::string text, title;
    bool loaderFree = false;
};

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
    char cls[32] = "", text[512] = "";
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    if (!lstrcmpiA(cls, "Static") && text[0]) *reinterpret_cast<std::string*>(param) += text;
    return TRUE;
}

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid != GetCurrentProcessId() || std::strcmp(cls, "#32770") || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

DWORD WINAPI WatchBoxes(LPVOID param) {
    Watch& w = *static_cast<Watch*>(param);
    while (!w.stop) {
        HWND box = nullptr;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        w.looked = true;
        if (!box) {
            Sleep(20);
            continue;
        }
        if (w.boxes++ == 0) {
            char title[256] = "";
            GetWindowTextA(box, title, sizeof title);
            w.title = title;
            EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&w.text));
            // While the box waits for the user, other threads must still be able to load libraries.
            long before = g_rounds;
            for (int i = 0; i < 200 && g_rounds <= before + 1; ++i)
                Sleep(50);
            w.loaderFree = g_rounds > before + 1;
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        for (int i = 0; i < 250 && IsWindow(box); ++i)
            Sleep(20);
    }
    return 0;
}

void Say(const char* name, const std::string& value) {
    std::printf("%s: %s\n", name, value.c_str());
    std::fflush(stdout);
}

const char* YesNo(bool b) {
    return b ? "yes" : "no";
}

int Threads() {
    HANDLE churn = CreateThread(nullptr, 0, Churn, nullptr, 0, nullptr);
    while (g_rounds < 1)
        Sleep(10);
    HANDLE loader = CreateThread(nullptr, 0, LoadTheLibrary, nullptr, 0, nullptr);
    if (!Wait(loader)) Deadlocked();
    CloseHandle(loader);
    if (!g_lib) return 10;
    long roundsAtLoad = g_rounds;
    Say("language module loaded by the load", YesNo(LanguageModuleLoaded()));

    Answers a, b;
    if (!TwoFirstCalls(a, b)) Deadlocked();
    HMODULE lang = GetModuleHandleA("zrpcres.dll");
    Say("language module loaded by the first calls", YesNo(lang != nullptr));
    const std::string join = LoadStringOf(lang, IDS_ERROR_JOIN),
                      unknown = LoadStringOf(lang, IDS_UNKNOWN_ALGORITHM);
    Say("expected string", join);
    for (Answers* x : {&a, &b}) {
        Say("string", std::to_string(x->found) + " " + x->text);
        Say("string right", YesNo(x->found == 1 && join == x->text && !join.empty()));
        Say("algorithm right", YesNo(x->algorithm == unknown && !unknown.empty()));
        Say("cache answered", YesNo(x->cached == 0 || x->cached == 1));
        Say("colour right", YesNo(x->colour == GetSysColor(COLOR_3DFACE)));
    }

    FreeLibrary(g_lib);
    Say("language module loaded after the library was freed", YesNo(LanguageModuleLoaded()));
    g_stopChurn = true;
    if (!Wait(churn)) Deadlocked();
    Say("other loads went on", YesNo(g_rounds > roundsAtLoad));
    return 0;
}

int NoLanguage() {
    HANDLE churn = CreateThread(nullptr, 0, Churn, nullptr, 0, nullptr);
    while (g_rounds < 1)
        Sleep(10);
    Watch watch;
    HANDLE watcher = CreateThread(nullptr, 0, WatchBoxes, &watch, 0, nullptr);
    // Under Wine a thread's first window call may load the display driver, and that load waits for
    // the loader lock that the system libraries' entries hold while the library loads: the helper
    // threads make theirs first, so that only the library's own entry is on trial.
    while (!watch.looked)
        Sleep(10);
    HANDLE loader = CreateThread(nullptr, 0, LoadTheLibrary, nullptr, 0, nullptr);
    bool loaded = Wait(loader);
    CloseHandle(loader);
    if (loaded && g_lib) {
        Say("boxes during the load", std::to_string(watch.boxes));
        static Answers a, b; // callers that do not end keep them after this block
        if (!TwoFirstCalls(a, b)) loaded = false;
        for (Answers* x : {&a, &b}) {
            bool untouched = x->text[0] == '#' && std::strlen(x->text) == sizeof x->text - 1;
            Say("string", std::to_string(x->found) + (untouched ? " untouched" : " changed"));
        }
        if (loaded) {
            // A later call: the library stays not started, and says so no more.
            char text[64] = "unchanged";
            int found =
                Proc<LangStringFn>(g_lib, "ZRPCFUNC_GetLangStringsz")(text, (int)sizeof text, IDS_ERROR_JOIN);
            Say("later string", std::to_string(found) + " " + text);
            Sleep(500);
        }
    }
    watch.stop = true;
    WaitForSingleObject(watcher, 10000);
    Say("boxes", std::to_string(watch.boxes));
    Say("box title", watch.title);
    Say("box text", watch.text);
    Say("loader free while the box was up", YesNo(watch.loaderFree));
    if (!loaded) Deadlocked();
    g_stopChurn = true;
    if (!Wait(churn)) Deadlocked();
    return g_lib ? 0 : 10;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "threads") return Threads();
    if (mode == "nolang") return NoLanguage();
    return 2;
}
