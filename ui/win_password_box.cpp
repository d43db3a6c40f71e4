// The password box: a modal dialog from the language module with a secure edit field. Only the
// SHA-1 digest of what was typed leaves it.
#include <windows.h>

#include <string>

#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"
#include "include/zrpcresult.h"
#include "include/zrpcsecureedit.h"
#include "ui/win_dialog_picture.h"
#include "winlayer/win_dpi.h"
#include "winlayer/win_window.h"

namespace {

constexpr unsigned long kNotConfirmed = zrpc::kDeclined;

class CPasswordDlg : public zwin::Dialog {
  public:
    CPasswordDlg(const char* prompt, int hideMode, HWND parent)
        : m_prompt(prompt ? prompt : ""), m_hideMode(hideMode), m_parent(parent) {}

    INT_PTR Run() { return DoModal(zrpc::LangModule(), IDD_PASSWORD, m_parent); }

    CSecureEdit m_password;

  protected:
    BOOL OnInitDialog() override {
        SetItemText(IDC_PASSWORD_PROMPT, m_prompt.c_str());
        EnableItem(IDOK, false);
        m_password.SubclassDlgItem(IDC_PASSWORD_FIELD, m_hwnd);
        m_password.HidePassword(m_hideMode);
        m_picture.Show(m_hwnd, zrpc::LangModule(), zrpc::WindowDpi(m_hwnd));
        SetFocus(Item(IDC_PASSWORD_FIELD));
        return FALSE; // the focus is placed
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override {
        result = 0;
        if (msg == WM_DPICHANGED) {
            // Another screen: the picture drawn for its density, the place the system suggests. The
            // field makes its font again when it is told after its parent; the dialog's own
            // handling (scaling its items) goes on.
            m_picture.OnMessage(m_hwnd, msg, wp, lp);
            if (const RECT* r = reinterpret_cast<const RECT*>(lp))
                SetWindowPos(m_hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                             SWP_NOZORDER | SWP_NOACTIVATE);
            return false;
        }
        // A new colour scheme: the picture for it; the system goes on with the rest.
        if (m_picture.OnMessage(m_hwnd, msg, wp, lp)) return false;
        if (msg == WM_CLOSE) {
            EndDialog(IDCANCEL);
            return true;
        }
        if (msg != WM_COMMAND) return false;
        switch (LOWORD(wp)) {
        case IDC_PASSWORD_FIELD:
            if (HIWORD(wp) != EN_CHANGE) return false;
            EnableItem(IDOK, HasContents());
            return true;
        case IDOK:
            // Enter reaches here too; an empty field is never confirmed.
            if (HasContents()) EndDialog(IDOK);
            return true;
        case IDCANCEL:
            EndDialog(IDCANCEL);
            return true;
        default:
            return false;
        }
    }

  private:
    bool HasContents() {
        CString text;
        m_password.GetRealContents(text);
        bool any = !text.IsEmpty();
        zrpc::Wipe(const_cast<char*>(text.GetString()), static_cast<size_t>(text.GetLength()));
        return any;
    }

    std::string m_prompt;
    int m_hideMode;
    HWND m_parent;
    zrpc::DialogPicture m_picture{IDB_BITMAP_745, IDC_PASSWORD_PICTURE};
};

} // namespace

ZRPC_API unsigned long ZRPCFUNC_ShowPasswordBox(HWND parent, const char* prompt, unsigned char* digest,
                                                int hideMode) {
    return zrpc::Guard(kNotConfirmed, [&]() -> unsigned long {
        zwin::TempWindow owner(parent);
        CPasswordDlg dialog(prompt, hideMode, owner.Handle());
        if (dialog.Run() != IDOK) return kNotConfirmed;
        // The field keeps its contents after its window is gone.
        if (digest) dialog.m_password.HashContents(digest);
        return 0;
    });
}
