// ZRPCFunc window objects: the base of the library's exported window-control classes.
//
// The exported classes of zrpcfunc.dll use the C++ interface of the mingw-w64 g++ compiler the
// library is built with (class layout, name decoration, new and delete with the static runtime).
// A client that uses them must be compiled with that same compiler; other compilers use the free
// functions of zrpcfunc.h, and the report control and the password field as window classes driven by
// messages (zrpcctl.h). No C++ exception leaves the library.
//
// A window object sits over a window handle and sees every message of that window through one
// virtual handler, WindowProc. It either creates a window of a class the library registers (and
// then owns it), or takes over an existing window, typically an item of the caller's dialog, which
// it gives back unchanged when it goes; a window the library did not create is never destroyed by it.
#ifndef ZRPC_WND_H
#define ZRPC_WND_H

#include <windows.h>

#ifdef ZRPC_BUILDING_DLL
#define ZRPC_CLASS __declspec(dllexport)
#else
#define ZRPC_CLASS __declspec(dllimport)
#endif

namespace zwin {

class ZRPC_CLASS Window {
  public:
    Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    // Gives a taken-over window back, destroys a window the object created.
    virtual ~Window();

    HWND Handle() const { return m_hwnd; }

    // Creates a window of the library's own window class (or of a class registered with
    // RegisterClass below). False when creation fails.
    bool Create(const char* className, const char* text, DWORD style, DWORD exStyle, const RECT& rect,
                HWND parent, UINT id);
    // Takes over an existing window: its messages reach WindowProc from now on. False when the
    // object already has a window or hwnd is not a window.
    bool SubclassWindow(HWND hwnd);
    // Takes over item id of a dialog (or any child window with that identifier).
    bool SubclassDlgItem(UINT id, HWND parent);
    // Gives a taken-over window back as it was; returns its handle (null if there was none).
    HWND UnsubclassWindow();
    // Destroys the window when the object created it; a taken-over window is only given back.
    void DestroyWindow();

    // Chance to handle a message before the host dispatches it; non-zero means handled.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

    // The library's window class for Create (registered on first use).
    static const char* LibraryClassName();

  protected:
    // Every message of the window. The default passes it on (Default).
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Passes the message being handled on to the window's previous handler.
    LRESULT Default();
    // Passes a message of our choice on to the previous handler.
    LRESULT DefProc(UINT msg, WPARAM wp, LPARAM lp);

    // Notifications this window sent to its parent (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM,
    // WM_MEASUREITEM, WM_CTLCOLOR*, WM_HSCROLL/WM_VSCROLL from this window), handed back to it while
    // reflection is on. Return true when handled: *result is the parent's answer and the parent's own
    // handler does not see the message.
    virtual bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    // Reflection on: the parent is subclassed (leaving any other subclass in place) until the window
    // is given back or destroyed, when the parent's handler is left exactly as it was.
    bool EnableReflection();
    void DisableReflection();

    // Records hwnd as this object's window in the library's map of windows.
    void Attach(HWND hwnd);
    // Removes it from the map.
    void Detach();
    // Called when the window is gone (after WM_NCDESTROY); the object stays.
    virtual void PostNcDestroy() {}

    HWND m_hwnd;

  private:
    static LRESULT CALLBACK ClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR data);
    static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR data);
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    void Gone();

    struct Current {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    };
    Current* m_current; // message being handled, for Default
    HWND m_reflectParent;
    bool m_owned;      // created by this object
    bool m_subclassed; // taken over with a subclass
};

} // namespace zwin

#endif
