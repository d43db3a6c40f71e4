// Helpers for the Windows tests: answering message boxes from another thread, child processes,
// registry settings kept and restored, and paths of the test tree.
#ifndef ZRPC_TESTSUPPORT_H
#define ZRPC_TESTSUPPORT_H

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace zt {

// Folder of the running test program (where zrpcfunc.dll, zrpcres.dll and helper programs lie).
std::string ProgramDir();
// A new empty folder under the test tree's temporary folder.
std::string MakeTempDir(const std::string& name);
// Deletes a folder tree (clearing read-only attributes). Returns false if anything remained.
bool RemoveTree(const std::string& path);
bool WriteFile(const std::string& path, const std::string& data);
// Makes link a symbolic link to the folder target: with the platform's call where it works, else
// (under Wine, whose call makes nothing) as a Linux link on the Linux side of both paths, which Wine
// lists as a directory with the reparse-point attribute. True when the link is there as a reparse point.
bool MakeFolderLink(const std::string& link, const std::string& target);
// Removes such a link itself (never what it points to). True when it is gone.
bool RemoveFolderLink(const std::string& link);
bool ReadFile(const std::string& path, std::string& data);
bool FileExists(const std::string& path);

// What a watched message box showed.
struct SeenBox {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
};

// Watches for top-level dialog boxes (class "#32770") of this process (or any process with
// anyProcess) and presses the button with the given id (IDOK, IDCANCEL, IDYES, ...) on each it finds,
// recording what it saw. Stops on destruction.
class BoxAnswerer {
  public:
    explicit BoxAnswerer(int buttonId, bool anyProcess = false);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    std::vector<SeenBox> Seen();
    // Waits until at least n boxes were answered or the timeout ends; returns whether n were seen.
    bool WaitFor(size_t n, DWORD timeoutMs = 10000);

  private:
    void Run();
    int m_button;
    bool m_anyProcess;
    std::atomic<bool> m_stop{false};
    CRITICAL_SECTION m_lock;
    std::vector<SeenBox> m_seen;
    std::thread m_thread;
};

// Runs a program of the test folder with arguments; returns its exit code (or -1) and its standard
// output in output when given. timeoutMs ends it with -2.
int RunProgram(const std::string& commandLine, std::string* output = nullptr, DWORD timeoutMs = 60000);

// Sets a string value (or deletes it with value == nullptr) and restores the old state on destruction.
class RegistryValue {
  public:
    RegistryValue(HKEY root, const std::string& key, const std::string& name);
    ~RegistryValue();
    void Set(const char* value);
    RegistryValue(const RegistryValue&) = delete;
    RegistryValue& operator=(const RegistryValue&) = delete;

  private:
    HKEY m_root;
    std::string m_key, m_name;
    bool m_had = false;
    DWORD m_type = 0;
    std::vector<BYTE> m_old;
};

// An export of lib by name or ordinal (MAKEINTRESOURCEA), as a typed function pointer.
template <class T> T Proc(HMODULE lib, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

extern const char kSettingsKey[]; // HKCU
extern const char kClientKey[];   // HKLM

} // namespace zt

#endif
