// A thin window layer: library windows known by handle, message pre-translation, and modeless dialogs
// made from the language module's templates.
#ifndef ZRPC_WINLAYER_WINDOW_H
#define ZRPC_WINLAYER_WINDOW_H

#include <windows.h>

namespace zwin {

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return m_hwnd; }
    // Chance to handle a message before the host dispatches it; true means handled.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

  protected:
    void Attach(HWND hwnd);
    void Detach();
    HWND m_hwnd = nullptr;
};

// The library window of hwnd, or null.
Window* FromHandle(HWND hwnd);
// Offers msg to the library windows from its target up through its parents; true when one handled it.
BOOL RoutePreTranslate(MSG* msg);

// A modeless dialog from a template of a resource module.
class Dialog : public Window {
  public:
    // Creates the dialog; false when the template is missing or creation fails.
    bool CreateModeless(HINSTANCE module, int templateId, HWND owner);
    void Destroy();
    BOOL PreTranslateMessage(MSG* msg) override;

  protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnDestroy() {}
    // Messages other than initialisation and destruction; return true when handled (the answer is result).
    virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }

  private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

} // namespace zwin

#endif
