// A stand-in for the client's front end, for tests: a real top-level window (class "CorvanePlusClass",
// title "Corvane+" unless the test picks others) owned by a thread of its own that pumps messages.
// It answers the front end's five private messages (2024 enabled, 2025 busy, 2027 key-service value,
// 2030 master active, 2039 delete permitted) with the values the test sets, and counts each message.
#ifndef ZRPC_STANDIN_FRONTEND_H
#define ZRPC_STANDIN_FRONTEND_H

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

class FrontEndStandIn {
  public:
    static constexpr UINT kEnabled = 2024, kBusy = 2025, kKeyService = 2027, kMasterActive = 2030,
                          kDeletePermitted = 2039;

    explicit FrontEndStandIn(const char* className = "CorvanePlusClass", const char* title = "Corvane+");
    ~FrontEndStandIn(); // destroys the window and ends its thread

    HWND Window() const { return m_window; }
    // Answer to one of the five messages (others are answered by the default procedure).
    void SetReply(UINT message, LRESULT value);
    // How often a message arrived (with both parameters zero; others count as BadCalls()).
    int Count(UINT message) const;
    int BadCalls() const { return m_bad; }

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wp, LPARAM lp);
    static int Index(UINT message);
    void Run();

    std::string m_class, m_title;
    HWND m_window = nullptr;
    HANDLE m_ready = nullptr;
    std::thread m_thread;
    std::atomic<LRESULT> m_replies[5];
    std::atomic<int> m_counts[5];
    std::atomic<int> m_bad{0};
};

#endif
