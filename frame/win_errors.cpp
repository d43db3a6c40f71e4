// Result codes as texts from the language module, and their display in message boxes.
#include <windows.h>

#include <string>

#include "frame/error_table.h"
#include "frame/win_frame.h"
#include "include/zrpcfunc.h"
#include "include/zrpcres_ids.h"

namespace {

// The text of a code: the language string of a known code (empty when the module lacks it), or the
// unknown-code text.
std::string ErrorText(unsigned long code) {
    uint32_t id = zrpc::ErrorStringId(code);
    if (id == zrpc::kUnknownErrorCode) return zrpc::UnknownErrorText(code);
    std::string text;
    zrpc::LoadModuleString(zrpc::LangModule(), id, text, 399);
    return text;
}

} // namespace

void zrpc::DisplayError(HWND owner, unsigned long code, const char* doing, const char* detail, bool warning) {
    std::string join, title;
    zrpc::LangString(IDS_ERROR_JOIN, join, 399);
    std::string text = ErrorText(code) + " " + join + " " + (doing ? doing : "") + ".";
    if (detail) {
        text += "\n\n";
        text += detail;
    }
    zrpc::LangString(warning ? IDS_TITLE_WARNING : IDS_TITLE_INFORMATION, title, 399);
    MessageBoxA(owner, text.c_str(), title.c_str(),
                MB_OK | (warning ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

ZRPC_API unsigned long ZRPCFUNC_FormatErrorMsg(unsigned long code, char* buffer, unsigned long* size) {
    return zrpc::Guard<unsigned long>(zrpc::kUnknownErrorCode, [&]() -> unsigned long {
        uint32_t id = zrpc::ErrorStringId(code);
        if (buffer) {
            if (!size || *size == 0) return id;
            // Both texts are cut to the caller's size, between characters.
            zrpc::CopyTextToBuffer(buffer, *size, ErrorText(code));
        } else if (size && id != zrpc::kUnknownErrorCode) {
            std::string text;
            zrpc::LoadModuleString(zrpc::LangModule(), id, text, 399);
            *size = (unsigned long)text.size() + 1;
        }
        return id;
    });
}

ZRPC_API void ZRPCFUNC_DisplayErrorMsg(HWND owner, unsigned long code, const char* doing, BOOL warning) {
    zrpc::GuardVoid([&] { zrpc::DisplayError(owner, code, doing, nullptr, warning != FALSE); });
}

ZRPC_API void ZRPCFUNC_DisplayErrorMsgEx(HWND owner, unsigned long code, const char* doing,
                                         const char* detail, BOOL warning) {
    zrpc::GuardVoid([&] { zrpc::DisplayError(owner, code, doing, detail ? detail : "", warning != FALSE); });
}
