// The working dialog: a modeless window with a message, a picture and an icon that a worker thread
// swaps every 75 ms, shown while the caller's thread does something long. One per process; shows
// nest, and the window stays until the outermost Kill. The key store's long changes show it too, with
// their language string. The icons come at the size the system asks for at the window's density and
// the picture is drawn for it; both are taken again when the window moves to a screen of another one.
#ifndef ZRPC_UI_WIN_WORKING_DIALOG_H
#define ZRPC_UI_WIN_WORKING_DIALOG_H

#include <windows.h>

#include <string>

namespace zrpc {

class WorkingDialog {
  public:
    // The process's working dialog.
    static WorkingDialog& Instance();

    // Shows the window with message, or (already shown) counts one more show and replaces the message.
    void Show(const char* message);
    // Replaces the message, in the window when it is up.
    void SetMessage(const char* message);
    // Ends one show; the outermost one takes the window down.
    void Kill();
    HWND Window() const;

    WorkingDialog(const WorkingDialog&) = delete;
    WorkingDialog& operator=(const WorkingDialog&) = delete;

  private:
    class View;
    WorkingDialog();
    ~WorkingDialog();

    bool CopyMessage(std::string& out);
    // The six icons at the icon size of dpi; the one on show is replaced at once.
    void LoadIcons(HWND hwnd, UINT dpi);
    // Shows icon frame (0 to 5) and repaints it; called on the window's thread at the worker's request.
    void ShowFrame(HWND hwnd, int frame);
    void StartWorker(HWND hwnd);
    void StopWorker();
    void ReleaseResources();
    static DWORD WINAPI Worker(LPVOID self);

    static constexpr int kIconCount = 6;

    // The message is the one thing the worker and the owning thread share while both run: the owning
    // thread replaces it, the worker re-applies it. Both touch it only under m_textLock, and the worker
    // copies it out before it talks to the window, so neither ever waits for the other while holding it.
    CRITICAL_SECTION m_textLock;
    std::string m_message;
    bool m_hasMessage = false;
    // Touched by the owning thread only, and by the worker only to read while it runs. The worker
    // never touches the icons: it asks the window to show the next one.
    unsigned long m_count = 0;
    View* m_view = nullptr;
    HICON m_icons[kIconCount] = {};
    int m_frame = -1; // the icon on show, -1 before the first
    HANDLE m_stopEvent = nullptr;
    HANDLE m_thread = nullptr;
    HWND m_workerWindow = nullptr;
};

} // namespace zrpc

#endif
