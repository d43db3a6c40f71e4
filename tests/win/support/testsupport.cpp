#include "tests/win/support/testsupport.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace zt {

const char kSettingsKey[] = "Software\\Quillon Limited\\Corvane+\\Settings";
const char kClientKey[] = "SOFTWARE\\Quillon Limited\\Corvane+\\Client";

std::string ProgramDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

std::string MakeTempDir(const std::string& name) {
    std::string base = ProgramDir() + "\\testtmp";
    CreateDirectoryA(base.c_str(), nullptr);
    char unique[32];
    std::snprintf(unique, sizeof unique, "-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    std::string dir = base + "\\" + name + unique;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

bool RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..") continue;
            std::string full = path + "\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A link: removed itself, never followed.
                RemoveFolderLink(full);
                continue;
            }
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

namespace {

typedef char*(CDECL* UnixFileNameFn)(const wchar_t*);

// The Linux path of a Windows path when running under Wine; empty elsewhere.
std::string UnixPath(const std::string& path) {
    auto unixName = Proc<UnixFileNameFn>(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!unixName) return std::string();
    std::wstring wide(path.begin(), path.end());
    char* name = unixName(wide.c_str());
    if (!name) return std::string();
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a Linux program (Wine starts those like any other), waiting for it.
void RunUnix(const std::string& program, const std::string& arguments) {
    std::string command = program + " " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    // Wine starts a Linux program without a process handle, and leaves whatever its own stack held in
    // the thread handle: closing that once closed this process's standard output. The handles are
    // used only when the process is a real one.
    PROCESS_INFORMATION pi = {};
    std::string image = "Z:" + program;
    for (char& c : image)
        if (c == '/') c = '\\';
    if (!CreateProcessA(image.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return;
    if (pi.hProcess && pi.dwProcessId) {
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    // Otherwise the callers look for the outcome on the disk.
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

bool MakeFolderLink(const std::string& link, const std::string& target) {
    typedef BOOLEAN(WINAPI * CreateLinkFn)(LPCSTR, LPCSTR, DWORD);
    auto create = Proc<CreateLinkFn>(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA");
    // Wine's link call answers success without making anything: the result is checked on the disk.
    if (create) create(link.c_str(), target.c_str(), 1 /* SYMBOLIC_LINK_FLAG_DIRECTORY */);
    DWORD attributes = GetFileAttributesA(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // The link does not exist yet: its folder's Linux path, then its name.
        size_t cut = link.find_last_of('\\');
        if (cut == std::string::npos) return false;
        std::string unixTarget = UnixPath(target), unixFolder = UnixPath(link.substr(0, cut));
        if (unixTarget.empty() || unixFolder.empty()) return false;
        std::string unixLink = unixFolder + "/" + link.substr(cut + 1);
        // Wine gives no exit code of a Linux program: the result is checked on the disk.
        RunUnix("/bin/ln", "-s " + Quoted(unixTarget) + " " + Quoted(unixLink));
        for (int i = 0; i < 100 && (attributes = GetFileAttributesA(link.c_str())) == INVALID_FILE_ATTRIBUTES;
             ++i)
            Sleep(50);
    }
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool RemoveFolderLink(const std::string& link) {
    DWORD attributes = GetFileAttributesA(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    // Under Wine the platform's calls remove what a Linux link points to (when it is empty), or
    // nothing: the link goes on the Linux side.
    std::string unixLink = UnixPath(link);
    if (!unixLink.empty())
        RunUnix("/bin/rm", "-f " + Quoted(unixLink));
    else if (!RemoveDirectoryA(link.c_str()))
        DeleteFileA(link.c_str());
    for (int i = 0; i < 100 && GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), (std::streamsize)data.size());
    return (bool)out;
}

bool ReadFile(const std::string& path, std::string& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream s;
    s << in.rdbuf();
    data = s.str();
    return true;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

BoxAnswerer::BoxAnswerer(int buttonId, bool anyProcess) : m_button(buttonId), m_anyProcess(anyProcess) {
    InitializeCriticalSection(&m_lock);
    m_thread = std::thread([this] { Run(); });
}

BoxAnswerer::~BoxAnswerer() {
    m_stop = true;
    m_thread.join();
    DeleteCriticalSection(&m_lock);
}

std::vector<SeenBox> BoxAnswerer::Seen() {
    EnterCriticalSection(&m_lock);
    std::vector<SeenBox> copy = m_seen;
    LeaveCriticalSection(&m_lock);
    return copy;
}

bool BoxAnswerer::WaitFor(size_t n, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (Seen().size() >= n) return true;
        Sleep(20);
    }
    return Seen().size() >= n;
}

namespace {
struct FindState {
    bool anyProcess;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM lp) {
    auto* state = reinterpret_cast<FindState*>(lp);
    char cls[32];
    if (!GetClassNameA(hwnd, cls, sizeof cls) || std::string(cls) != "#32770" || !IsWindowVisible(hwnd))
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (state->anyProcess || pid == GetCurrentProcessId()) state->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp) {
    auto* box = reinterpret_cast<SeenBox*>(lp);
    char cls[32], text[1024];
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, text, sizeof text);
    if (!_stricmp(cls, "Button"))
        box->buttons.push_back(text);
    else if (!_stricmp(cls, "Static") && text[0])
        box->text += text;
    return TRUE;
}
} // namespace

void BoxAnswerer::Run() {
    while (!m_stop) {
        FindState state{m_anyProcess, {}};
        EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&state));
        for (HWND box : state.found) {
            HWND button = GetDlgItem(box, m_button);
            if (!button) continue;
            SeenBox seen;
            char title[512];
            GetWindowTextA(box, title, sizeof title);
            seen.title = title;
            EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&seen));
            EnterCriticalSection(&m_lock);
            m_seen.push_back(seen);
            LeaveCriticalSection(&m_lock);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(m_button, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            // Wait for the box to go before looking again, so that each box is answered once.
            for (int i = 0; i < 250 && IsWindow(box) && IsWindowVisible(box); ++i)
                Sleep(20);
        }
        Sleep(30);
    }
}

int RunProgram(const std::string& commandLine, std::string* output, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (output && !CreatePipe(&readEnd, &writeEnd, &sa, 0)) {
        std::fprintf(stderr, "RunProgram: no pipe for %s (error %lu)\n", commandLine.c_str(), GetLastError());
        return -1;
    }
    if (readEnd) SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (output) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = writeEnd;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(0);
    std::string dir = ProgramDir();
    // Under Wine a process start now and then fails at once while the server is busy with processes
    // that end; a start is tried again before the test is told.
    BOOL ok = FALSE;
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
        if (attempt) Sleep(200);
        ok = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, output != nullptr, 0, nullptr, dir.c_str(),
                            &si, &pi);
        if (!ok)
            std::fprintf(stderr, "RunProgram: %s did not start (error %lu)\n", commandLine.c_str(),
                         GetLastError());
    }
    if (writeEnd) CloseHandle(writeEnd);
    if (!ok) {
        if (readEnd) CloseHandle(readEnd);
        return -1;
    }
    if (output) {
        output->clear();
        char buf[4096];
        DWORD got;
        while (::ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got)
            output->append(buf, got);
        CloseHandle(readEnd);
    }
    int rc;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        rc = -2;
    } else {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        rc = (int)code;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return rc;
}

RegistryValue::RegistryValue(HKEY root, const std::string& key, const std::string& name)
    : m_root(root), m_key(key), m_name(name) {
    HKEY k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (RegQueryValueExA(k, name.c_str(), nullptr, &m_type, nullptr, &size) == ERROR_SUCCESS) {
            m_old.resize(size);
            if (RegQueryValueExA(k, name.c_str(), nullptr, &m_type, m_old.data(), &size) == ERROR_SUCCESS)
                m_had = true;
        }
        RegCloseKey(k);
    }
}

void RegistryValue::Set(const char* value) {
    HKEY k;
    if (RegCreateKeyExA(m_root, m_key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (value)
        RegSetValueExA(k, m_name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       (DWORD)strlen(value) + 1);
    else
        RegDeleteValueA(k, m_name.c_str());
    RegCloseKey(k);
}

RegistryValue::~RegistryValue() {
    HKEY k;
    if (RegCreateKeyExA(m_root, m_key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (m_had)
        RegSetValueExA(k, m_name.c_str(), 0, m_type, m_old.data(), (DWORD)m_old.size());
    else
        RegDeleteValueA(k, m_name.c_str());
    RegCloseKey(k);
}

} // namespace zt
