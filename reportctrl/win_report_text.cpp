// The report control's texts read in the process's code page (see reportctrl/model/report_text.h):
// characters of a UTF-8 or double-byte page are never cut or split, and case is folded as the
// platform folds the characters the bytes stand for.
#include <windows.h>

#include <string>

#include "base/win_codepage.h"
#include "reportctrl/win_report_state.h"

namespace zrpc::report {

namespace {

// The bytes of a UTF-8 sequence its lead byte announces (1 for a byte that leads none).
size_t Utf8LeadLength(unsigned char b) {
    return b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 1;
}

// The bytes of a UTF-8 sequence at text that are all there (1 for anything that is no lead byte, or
// a sequence cut short or broken: such a byte is a character of its own).
size_t Utf8Length(const char* text, size_t left) {
    size_t need = Utf8LeadLength(static_cast<unsigned char>(text[0]));
    if (need > left) return 1;
    for (size_t i = 1; i < need; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
    return need;
}

class CodePageRules : public TextRules {
  public:
    CodePageRules() {
        CPINFO info{};
        m_utf8 = AnsiIsUtf8();
        m_doubleByte = !m_utf8 && GetCPInfo(CP_ACP, &info) && info.MaxCharSize >= 2;
    }
    size_t LeadLength(unsigned char lead) const override {
        if (m_utf8) return Utf8LeadLength(lead);
        return m_doubleByte && IsDBCSLeadByteEx(CP_ACP, lead) ? 2 : 1;
    }
    size_t CharLength(const char* text, size_t left) const override {
        if (left <= 1) return left;
        if (m_utf8) return Utf8Length(text, left);
        if (m_doubleByte && IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[0]))) return 2;
        return 1;
    }
    size_t CutPoint(const char* text, size_t len, size_t maxBytes) const override {
        return AnsiCutPoint(text, len, maxBytes);
    }
    void Fold(std::string_view text, std::vector<uint32_t>& out) const override {
        out.clear();
        std::wstring wide = WideFromAnsi(text.data(), text.size());
        if (!wide.empty()) CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
        out.reserve(wide.size());
        for (size_t i = 0; i < wide.size(); ++i) {
            uint32_t u = static_cast<uint16_t>(wide[i]);
            uint32_t next = i + 1 < wide.size() ? static_cast<uint16_t>(wide[i + 1]) : 0;
            if (u >= 0xD800 && u <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00); // one character, two units
                ++i;
            }
            out.push_back(u);
        }
    }

  private:
    bool m_utf8 = false;
    bool m_doubleByte = false;
};

} // namespace

const TextRules& ProcessTextRules() {
    static const CodePageRules rules;
    return rules;
}

} // namespace zrpc::report
