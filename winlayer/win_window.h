// A thin window layer: window objects over handles (include/zrpcwnd.h), the map of library windows,
// message pre-translation, temporary objects for foreign handles, and modeless and modal dialogs
// made from the language module's templates.
#ifndef ZRPC_WINLAYER_WINDOW_H
#define ZRPC_WINLAYER_WINDOW_H

#include <windows.h>

#include <string>

#include "include/zrpcwnd.h"

namespace zwin {

// Registers a window class of this module once (a class that exists already counts as registered):
// arrow cursor, the given style, procedure, background brush (may be null) and bytes of window extra.
// False when the system refuses it.
bool RegisterModuleClass(const char* name, WNDPROC proc, UINT style, HBRUSH background, int windowExtra);

// The library window of hwnd, or null.
Window* FromHandle(HWND hwnd);
// Offers msg to the library windows from its target up through its parents; true when one handled it.
BOOL RoutePreTranslate(MSG* msg);

// A window the library does not own, for the length of a call (a caller's owner window, say). It is
// not entered in the map, takes nothing over and never destroys the window.
class TempWindow {
  public:
    explicit TempWindow(HWND hwnd) : m_hwnd(IsWindow(hwnd) ? hwnd : nullptr) {}
    TempWindow(const TempWindow&) = delete;
    TempWindow& operator=(const TempWindow&) = delete;
    HWND Handle() const { return m_hwnd; }

  private:
    HWND m_hwnd;
};

// A dialog from a template of a resource module, modeless or modal.
class Dialog : public Window {
  public:
    // Creates the dialog; false when the template is missing or creation fails.
    bool CreateModeless(HINSTANCE module, int templateId, HWND owner);
    // Runs the dialog modally; the value given to EndDialog, or -1 when it could not be made.
    INT_PTR DoModal(HINSTANCE module, int templateId, HWND owner);
    void Destroy();
    BOOL PreTranslateMessage(MSG* msg) override;

    // Data exchange, reduced to what the dialogs need.
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    void SetItemText(int id, const char* text) const { SetDlgItemTextA(m_hwnd, id, text); }
    std::string ItemText(int id) const;
    void EnableItem(int id, bool enable) const { EnableWindow(Item(id), enable ? TRUE : FALSE); }
    void EndDialog(INT_PTR result) const { ::EndDialog(m_hwnd, result); }

  protected:
    // Answer TRUE to let the system place the focus, FALSE when the dialog placed it.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnDestroy() {}
    // Messages other than initialisation and destruction; return true when handled (the answer is result).
    virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }

  private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

} // namespace zwin

#endif
