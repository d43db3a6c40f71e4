#include "standins/filter/filterstandin.h"

#include <cstdio>
#include <cstring>

namespace {

FilterStandIn* g_active = nullptr;

constexpr DWORD kControlCode = 0x0FA4204C;
constexpr uint32_t kRegister = 0xDEADBEEF;
constexpr uint32_t kCommand = 0xC001D00D;

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", (unsigned)v);
    return text;
}

bool IsWindows9x() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    return (info.dwPlatformId & 1) != 0;
}

uint32_t Word(const uint8_t* bytes, int offset) {
    uint32_t v;
    std::memcpy(&v, bytes + offset, 4);
    return v;
}

} // namespace

FilterStandIn::FilterStandIn() = default;

FilterStandIn::~FilterStandIn() {
    Uninstall();
}

const ZrpcFilterChannel& FilterStandIn::Channel() {
    static const ZrpcFilterChannel channel = {&FilterStandIn::Open, &FilterStandIn::Control,
                                              &FilterStandIn::Close};
    return channel;
}

bool FilterStandIn::Install() {
    g_active = this;
    m_installed = ZRPCTEST_SetFilterChannel(&Channel()) != FALSE;
    return m_installed;
}

void FilterStandIn::Uninstall() {
    if (!m_installed) return;
    ZRPCTEST_SetFilterChannel(nullptr);
    m_installed = false;
    if (g_active == this) g_active = nullptr;
}

void FilterStandIn::SetPresent(bool present) {
    m_present = present;
}

void FilterStandIn::SetFlags(uint32_t word0, uint32_t word1) {
    m_flags[0] = word0;
    m_flags[1] = word1;
}

void FilterStandIn::FailFunction(uint32_t function) {
    m_failFunction = function;
}

void FilterStandIn::Clear() {
    m_events.clear();
    m_faults.clear();
    m_opens = 0;
}

void FilterStandIn::Fault(const std::string& what) {
    m_faults.push_back(what);
}

std::string FilterStandIn::Trace() const {
    std::string out;
    for (const Event& e : m_events) {
        if (!out.empty()) out += ' ';
        switch (e.kind) {
        case Event::Open:
            out += "open";
            break;
        case Event::Register:
            out += "register";
            break;
        case Event::Begin:
            out += "begin";
            break;
        case Event::End:
            out += "end";
            break;
        case Event::FolderRemoved:
            out += "removed(" + e.path + ")";
            break;
        case Event::QueryFlags:
            out += "flags";
            break;
        case Event::Close:
            out += "close";
            break;
        }
    }
    return out;
}

std::vector<std::string> FilterStandIn::RemovedFolders() const {
    std::vector<std::string> out;
    for (const Event& e : m_events)
        if (e.kind == Event::FolderRemoved) out.push_back(e.path);
    return out;
}

HANDLE WINAPI FilterStandIn::Open(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                  DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (!g_active) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return g_active->DoOpen(name, access, share, security, disposition, flags, templateFile);
}

BOOL WINAPI FilterStandIn::Control(HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output,
                                   DWORD outputSize, LPDWORD returned, LPOVERLAPPED overlapped) {
    if (!g_active) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return g_active->DoControl(device, code, input, inputSize, output, outputSize, returned, overlapped);
}

BOOL WINAPI FilterStandIn::Close(HANDLE device) {
    if (!g_active) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return g_active->DoClose(device);
}

HANDLE FilterStandIn::DoOpen(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD flags, HANDLE templateFile) {
    bool old = IsWindows9x();
    const char* expectedName = old ? "\\\\.\\VKTPFSD.VXD" : "\\\\.\\VKTPFSD_Device";
    DWORD expectedFlags = old ? 0x04000080u : 0x80u;
    if (!name || std::strcmp(name, expectedName) != 0)
        Fault(std::string("open: device name ") + (name ? name : "(null)"));
    if (access != (GENERIC_READ | GENERIC_WRITE)) Fault("open: access " + Hex(access));
    if (share != 0) Fault("open: sharing " + Hex(share));
    if (security) Fault("open: security attributes given");
    if (disposition != OPEN_EXISTING) Fault("open: disposition " + Hex(disposition));
    if (flags != expectedFlags) Fault("open: attributes " + Hex(flags));
    if (templateFile) Fault("open: template given");
    if (m_handle != INVALID_HANDLE_VALUE) Fault("open: a handle is already open");
    if (!m_present) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    ++m_opens;
    m_handle = reinterpret_cast<HANDLE>((uintptr_t)(m_nextHandle += 4));
    m_registered = m_begun = m_ended = false;
    m_events.push_back({Event::Open, "", false});
    return m_handle;
}

BOOL FilterStandIn::DoControl(HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output,
                              DWORD outputSize, LPDWORD returned, LPOVERLAPPED overlapped) {
    if (device != m_handle || m_handle == INVALID_HANDLE_VALUE) {
        Fault("control: not the open handle");
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (code != kControlCode) Fault("control: code " + Hex(code));
    if (inputSize != 32 || outputSize != 32)
        Fault("control: sizes " + Hex(inputSize) + " " + Hex(outputSize));
    if (input != output) Fault("control: input and output are different buffers");
    if (overlapped) Fault("control: overlapped structure given");
    if (!returned) Fault("control: no place for the returned size");
    if (!input || inputSize < 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    uint8_t request[32];
    std::memcpy(request, input, sizeof request);
    BOOL answer = TRUE;
    uint32_t function = 0;
    if (Word(request, 0) == kRegister) {
        if (m_registered) Fault("register: second registration on one handle");
        m_registered = true;
        uint8_t* keyArea = reinterpret_cast<uint8_t*>((uintptr_t)Word(request, 8));
        // A fresh key on every registration: an xorshift, with bytes that scramble every bit of a
        // command's first word.
        for (int i = 0; i < 16; ++i) {
            m_keySeed ^= m_keySeed << 13;
            m_keySeed ^= m_keySeed >> 17;
            m_keySeed ^= m_keySeed << 5;
            m_key[i] = (uint8_t)(m_keySeed >> 11);
            if (m_key[i] == (uint8_t)(GetCurrentProcessId() & 0xFF)) m_key[i] ^= 0x5A;
        }
        if (keyArea)
            std::memcpy(keyArea, m_key, sizeof m_key);
        else
            Fault("register: no key area");
        m_events.push_back({Event::Register, "", false});
    } else {
        if (!m_registered) Fault("command before registration");
        uint8_t p = (uint8_t)(GetCurrentProcessId() & 0xFF);
        for (int i = 0; i < 12; ++i)
            request[i] = (uint8_t)(request[i] ^ m_key[i % 16] ^ p);
        uint32_t signature = Word(request, 0);
        function = Word(request, 4);
        uint32_t argument = Word(request, 8);
        if (signature != kCommand) {
            Fault("command: signature after unscrambling " + Hex(signature));
        } else if (function == 3) {
            if (m_begun) Fault("begin: sent twice");
            if (argument != GetCurrentProcessId()) Fault("begin: argument " + Hex(argument));
            m_begun = true;
            m_events.push_back({Event::Begin, "", false});
        } else if (function == 4) {
            if (!m_begun) Fault("end: without begin");
            if (m_ended) Fault("end: sent twice");
            if (argument != GetCurrentProcessId()) Fault("end: argument " + Hex(argument));
            m_ended = true;
            m_events.push_back({Event::End, "", false});
        } else if (function == 5 || function == 18) {
            if (!m_begun || m_ended) Fault("command " + std::to_string(function) + " outside begin and end");
            if (function == 5) {
                const char* text = reinterpret_cast<const char*>((uintptr_t)argument);
                std::string path;
                if (!text) {
                    Fault("folder removed: no path");
                } else {
                    // At most 259 characters of the code page, each of at most three bytes (a character
                    // of four bytes in UTF-8 is two UTF-16 units, so it counts twice).
                    size_t n = strnlen(text, 259 * 3 + 1);
                    int units = n ? MultiByteToWideChar(CP_ACP, 0, text, (int)n, nullptr, 0) : 0;
                    if (n > 259 * 3 || units > 259)
                        Fault("folder removed: path not terminated within 260 characters");
                    path.assign(text, n);
                    if (path.empty() || path.back() != '\\')
                        Fault("folder removed: path without final backslash: " + path);
                }
                bool existed = !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
                m_events.push_back({Event::FolderRemoved, path, existed});
            } else {
                uint32_t* record = reinterpret_cast<uint32_t*>((uintptr_t)argument);
                if (!record) {
                    Fault("query flags: no record");
                } else {
                    record[0] = m_flags[0];
                    record[1] = m_flags[1];
                }
                m_events.push_back({Event::QueryFlags, "", false});
            }
        } else {
            Fault("command: unknown function " + Hex(function));
        }
    }
    if (function && function == m_failFunction) {
        SetLastError(ERROR_GEN_FAILURE);
        answer = FALSE;
    }
    // What the filter leaves in the buffer means nothing to the library.
    std::memset(output, 0xA5, 32);
    if (returned) *returned = 32;
    return answer;
}

BOOL FilterStandIn::DoClose(HANDLE device) {
    if (device != m_handle || m_handle == INVALID_HANDLE_VALUE) {
        Fault("close: not the open handle");
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (m_begun && !m_ended) Fault("close: operation begun but not ended");
    if (!m_begun) Fault("close: no operation was begun");
    m_handle = INVALID_HANDLE_VALUE;
    m_events.push_back({Event::Close, "", false});
    return TRUE;
}
