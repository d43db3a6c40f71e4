// The lock of a machine-wide cache. The caches live in data sections that every process loading the
// library shares, in every session, so the lock is a named mutex of the global namespace; where a
// process may not create global objects, the session's name still keeps that session's processes
// apart. Held for the lifetime of the object; re-entrant on one thread. Writers fill a private copy
// first and hold the lock only to publish it; readers that look at more than one record copy them out
// under the lock, so that no one sees a cache half written.
#ifndef ZRPC_TOKEN_WIN_CACHELOCK_H
#define ZRPC_TOKEN_WIN_CACHELOCK_H

#include <windows.h>

#include <cstring>

namespace zrpc {

class CacheLock {
  public:
    // name without a namespace prefix, for example "ZRPCFunc.KeyCache".
    explicit CacheLock(const char* name) {
        char global[96] = "Global\\";
        std::strncat(global, name, sizeof global - std::strlen(global) - 1);
        m_mutex = CreateMutexA(nullptr, FALSE, global);
        if (!m_mutex) m_mutex = CreateMutexA(nullptr, FALSE, name);
        if (!m_mutex) return;
        DWORD r = WaitForSingleObject(m_mutex, kWaitMs);
        // A holder that died left a copy published whole or not at all: carry on.
        m_held = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
    }
    ~CacheLock() {
        if (m_held) ReleaseMutex(m_mutex);
        if (m_mutex) CloseHandle(m_mutex);
    }
    CacheLock(const CacheLock&) = delete;
    CacheLock& operator=(const CacheLock&) = delete;

  private:
    static constexpr DWORD kWaitMs = 10000;
    HANDLE m_mutex = nullptr;
    bool m_held = false;
};

} // namespace zrpc

#endif
