// The picture of one of the library's dialogs: a bitmap of the language module in a static item,
// drawn for the window's density (the 100, 150 or 200 % picture, winlayer/win_dpi.h) and, while the
// system is in high contrast, in the system's colours (ui/picture_colours.h). The dialog hands it the
// messages that change either; at 96 DPI in ordinary colours it shows the bitmap as it is.
#ifndef ZRPC_UI_WIN_DIALOG_PICTURE_H
#define ZRPC_UI_WIN_DIALOG_PICTURE_H

#include <windows.h>

namespace zrpc {

class DialogPicture {
  public:
    DialogPicture(UINT bitmapId, int itemId) : m_bitmapId(bitmapId), m_itemId(itemId) {}
    ~DialogPicture() { Release(); }
    DialogPicture(const DialogPicture&) = delete;
    DialogPicture& operator=(const DialogPicture&) = delete;

    // Loads the picture for dpi from module and shows it in the dialog's item (nothing shown when the
    // module lacks it). Keeps the module and the density for later changes.
    void Show(HWND dialog, HMODULE module, UINT dpi);
    // WM_DPICHANGED (the new density in wp), WM_SYSCOLORCHANGE and the high-contrast setting's change:
    // loads the picture again. Answers whether msg was one of those; the dialog goes on handling it.
    bool OnMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
    // Takes the picture out of the item (when the item still exists) and deletes it.
    void Release(HWND dialog = nullptr);

    HBITMAP Bitmap() const { return m_bitmap; }
    UINT Dpi() const { return m_dpi; }

  private:
    UINT m_bitmapId;
    int m_itemId;
    HMODULE m_module = nullptr;
    UINT m_dpi = 0;
    HBITMAP m_bitmap = nullptr;
};

} // namespace zrpc

#endif
