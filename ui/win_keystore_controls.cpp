// Pieces shared by the token, key and key-store controls.
#include "ui/win_keystore_controls.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/dpi.h"
#include "frame/win_frame.h"
#include "token/win_caches.h"
#include "winlayer/win_dpi.h"
#include "zrpcfunc.h"
#include "zrpcres_ids.h"

namespace zrpc {

void WarnFailure(HWND owner, unsigned long code, unsigned id) {
    std::string doing;
    LangString(id, doing);
    DisplayError(owner, code, doing.c_str(), nullptr, true);
}

void WarnBackupKeyFailure(HWND owner, unsigned long code, int key) {
    // The language string carries the key number as its only placeholder (%d).
    std::string format;
    LangString(IDS_GETTING_BACKUP_KEY, format);
    const std::string doing = FillPlaceholder(format, std::to_string(key));
    DisplayError(owner, code, doing.c_str(), nullptr, true);
}

unsigned long ReadTokenInfo(HWND owner, ITokenInterface* token, unsigned long tokenId, _tToken_InfoEx* info) {
    unsigned long status = 0;
    _tToken_InfoEx* cached = TokenInfoFromCache(token, tokenId, &status, 0);
    if (!cached) {
        if (status == 0) status = 1;
        WarnFailure(owner, status, IDS_ADDING_PUBLIC_KEY);
        return status;
    }
    std::memcpy(info, cached, sizeof *info);
    return 0;
}

unsigned long RequestBackupKeySerial(HWND owner, ITokenInterface* token, unsigned long tokenId, int key,
                                     unsigned long* serial) {
    _tNewTransferPacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.size = ZRPC_PACKET_SIZE;
    packet.version = ZRPC_PACKET_VERSION;
    packet.type = ZRPC_PACKET_BACKUP_PUBLICKEY;
    packet.serial = static_cast<uint32_t>(key);
    unsigned long status = token->MakePacket(tokenId, &packet);
    if (status != 0) {
        WarnBackupKeyFailure(owner, status, key);
        return status;
    }
    *serial = packet.serial;
    return 0;
}

void SizeColumnsForDpi(CReportCtrl& list, const int* widths96, int count, UINT dpi) {
    for (int i = 0; i < count; ++i)
        list.SetSubItemWidth(i, ScaleToDpi(widths96[i], dpi));
}

namespace {

// The strip stretched to pictures of size x size (nearest pixels, so that the colour that marks the
// pictures' transparent parts stays exactly that colour). Null when it cannot be made.
HBITMAP StretchStrip(HBITMAP strip, const BITMAP& info, int size) {
    const int count = info.bmHeight > 0 ? info.bmWidth / info.bmHeight : 0;
    if (count < 1) return nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = count * size;
    bi.bmiHeader.biHeight = size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP out = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (out && from && to) {
        HGDIOBJ oldFrom = SelectObject(from, strip), oldTo = SelectObject(to, out);
        SetStretchBltMode(to, COLORONCOLOR);
        for (int i = 0; i < count; ++i)
            StretchBlt(to, i * size, 0, size, size, from, i * info.bmHeight, 0, info.bmHeight, info.bmHeight,
                       SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    return out;
}

HIMAGELIST MakePictures(UINT dpi) {
    const int size = ScaleToDpi(16, dpi);
    HBITMAP strip = LoadBitmapForDpi(LangModule(), IDB_IMAGE_STRIP, dpi, LR_CREATEDIBSECTION);
    if (!strip) return nullptr;
    BITMAP info = {};
    HIMAGELIST list = nullptr;
    if (GetObjectA(strip, sizeof info, &info) && info.bmHeight > 0) {
        HBITMAP sized = info.bmHeight == size ? strip : StretchStrip(strip, info, size);
        if (sized) {
            list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, info.bmWidth / info.bmHeight, 4);
            if (list) ImageList_AddMasked(list, sized, RGB(255, 0, 255));
            if (sized != strip) DeleteObject(sized);
        }
    }
    DeleteObject(strip);
    return list;
}

} // namespace

void UsePicturesForDpi(CReportCtrl& list, UINT dpi, HIMAGELIST* own) {
    // Already the pictures for that density: nothing to make.
    HIMAGELIST current = list.GetImageList();
    int cx = 0, cy = 0;
    if (dpi != 0 && current && (current == *own || current == SharedImageList()) &&
        ImageList_GetIconSize(current, &cx, &cy) && cx == ScaleToDpi(16, dpi))
        return;
    HIMAGELIST made = dpi != 0 && dpi != kBaseDpi ? MakePictures(dpi) : nullptr;
    list.SetImageList(made ? made : SharedImageList());
    if (*own) ImageList_Destroy(*own);
    *own = made;
}

} // namespace zrpc
