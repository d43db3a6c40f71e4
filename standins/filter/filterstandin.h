// A stand-in for the encryption file-system filter's control device, for tests.
//
// It answers the requests that the library sends through its filter channel (the three calls of
// ZrpcFilterChannel, include/zrpctest.h) and checks them as the filter would:
//   - the device name and open modes of the platform family; one handle at a time;
//   - control code 0x0FA4204C, one 32-byte buffer for input and output, no overlapped structure;
//   - a registration (signature 0xDEADBEEF, sent as is) first on every handle: the stand-in fills the
//     16-byte session key area at the address given, with fresh bytes on every registration;
//   - every later request is a command, which it unscrambles with its copy of the key and the low
//     byte of the sender's process identifier: signature 0xC001D00D; begin (3) first, with the
//     process identifier; end (4) last, with the process identifier; folder removed (5) and query
//     flags (18) in between; closing the handle without end is a fault.
// Whatever it finds wrong goes to Faults(); what it was asked goes to Events(), so that a test can
// assert the exact sequence. The library is pointed at the stand-in with ZRPCTEST_SetFilterChannel
// (Install / Uninstall). Only one stand-in is active at a time.
#ifndef ZRPC_STANDIN_FILTER_H
#define ZRPC_STANDIN_FILTER_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "zrpctest.h"

class FilterStandIn {
  public:
    struct Event {
        enum Kind { Open, Register, Begin, End, FolderRemoved, QueryFlags, Close } kind;
        std::string path;         // FolderRemoved: the path text the library sent
        bool pathExisted = false; // FolderRemoved: whether that folder still existed when announced
    };

    FilterStandIn();
    ~FilterStandIn(); // uninstalls itself when installed

    // Points the library's filter channel at this stand-in, or back at the platform.
    bool Install();
    void Uninstall();

    // Behaviour the test chooses.
    void SetPresent(bool present);                 // false: the device cannot be opened
    void SetFlags(uint32_t word0, uint32_t word1); // answer to the flags query
    void FailFunction(uint32_t function);          // control calls for this command fail (0: none)

    std::vector<Event> Events() const { return m_events; }
    std::vector<std::string> Faults() const { return m_faults; }
    // Events in short form: "open register begin removed(PATH) flags end close".
    std::string Trace() const;
    // Paths announced by folder-removed commands, in order.
    std::vector<std::string> RemovedFolders() const;
    int OpenCount() const { return m_opens; }
    void Clear();

    // The channel table (for tests that install it themselves).
    static const ZrpcFilterChannel& Channel();

  private:
    static HANDLE WINAPI Open(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE templateFile);
    static BOOL WINAPI Control(HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output,
                               DWORD outputSize, LPDWORD returned, LPOVERLAPPED overlapped);
    static BOOL WINAPI Close(HANDLE device);

    HANDLE DoOpen(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                  DWORD flags, HANDLE templateFile);
    BOOL DoControl(HANDLE device, DWORD code, LPVOID input, DWORD inputSize, LPVOID output, DWORD outputSize,
                   LPDWORD returned, LPOVERLAPPED overlapped);
    BOOL DoClose(HANDLE device);
    void Fault(const std::string& what);

    bool m_installed = false;
    bool m_present = true;
    uint32_t m_flags[2] = {0, 0};
    uint32_t m_failFunction = 0;

    // State of the open handle.
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    unsigned m_nextHandle = 0x5A000000u;
    bool m_registered = false, m_begun = false, m_ended = false;
    uint8_t m_key[16] = {};
    uint32_t m_keySeed = 0x1234567u;

    int m_opens = 0;
    std::vector<Event> m_events;
    std::vector<std::string> m_faults;
};

#endif
