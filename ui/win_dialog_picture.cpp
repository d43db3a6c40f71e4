#include "ui/win_dialog_picture.h"

#include "ui/picture_colours.h"
#include "winlayer/win_dpi.h"

namespace zrpc {

namespace {

// The bitmap for dpi; in high contrast a copy of it as a silhouette in the dialog's colours.
HBITMAP LoadPicture(HMODULE module, UINT id, UINT dpi) {
    if (!HighContrastOn()) return LoadBitmapForDpi(module, id, dpi);
    HBITMAP bitmap = LoadBitmapForDpi(module, id, dpi, LR_CREATEDIBSECTION);
    DIBSECTION dib{};
    if (bitmap && GetObjectA(bitmap, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBitsPixel == 24 &&
        dib.dsBm.bmBits) {
        GdiFlush();
        // Bottom-up or top-down, the rows are bmWidthBytes apart from the first in memory.
        PaintSilhouette(static_cast<uint8_t*>(dib.dsBm.bmBits), dib.dsBm.bmWidth, dib.dsBm.bmHeight,
                        static_cast<size_t>(dib.dsBm.bmWidthBytes), GetSysColor(COLOR_3DFACE),
                        GetSysColor(COLOR_BTNTEXT));
    }
    return bitmap;
}

} // namespace

void DialogPicture::Show(HWND dialog, HMODULE module, UINT dpi) {
    m_module = module;
    m_dpi = dpi ? dpi : kBaseDpi;
    HBITMAP fresh = module ? LoadPicture(module, m_bitmapId, m_dpi) : nullptr;
    if (!fresh) return;
    SendDlgItemMessageA(dialog, m_itemId, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fresh));
    if (m_bitmap) DeleteObject(m_bitmap);
    m_bitmap = fresh;
}

bool DialogPicture::OnMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
    const bool changes = msg == WM_DPICHANGED || msg == WM_SYSCOLORCHANGE ||
                         (msg == WM_SETTINGCHANGE && wp == SPI_SETHIGHCONTRAST);
    if (!changes) return false;
    if (m_module) Show(dialog, m_module, msg == WM_DPICHANGED ? LOWORD(wp) : m_dpi);
    return true;
}

void DialogPicture::Release(HWND dialog) {
    if (!m_bitmap) return;
    if (dialog && IsWindow(dialog)) SendDlgItemMessageA(dialog, m_itemId, STM_SETIMAGE, IMAGE_BITMAP, 0);
    DeleteObject(m_bitmap);
    m_bitmap = nullptr;
}

} // namespace zrpc
