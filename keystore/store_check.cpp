#include "keystore/store_check.h"

#include <cstring>
#include <string>
#include <vector>

namespace zks {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class Checker {
  public:
    Checker(const char* data, std::size_t size) : p_(data), end_(data + size) {}

    bool Run() {
        if (std::memchr(p_, 0, (std::size_t)(end_ - p_))) return false;
        // Before the root: white space, comments, processing instructions.
        for (;;) {
            SkipSpace();
            if (p_ == end_ || *p_ != '<') return false;
            if (Starts("<?")) {
                if (!SkipPast("?>")) return false;
            } else if (Starts("<!--")) {
                if (!SkipPast("-->")) return false;
            } else {
                break;
            }
        }
        std::string name;
        bool open = false;
        if (!StartTag(name, open) || name != "backupdatabase") return false;
        if (open && !Content(name)) return false;
        SkipSpace();
        return p_ == end_;
    }

  private:
    bool Starts(const char* text) const {
        std::size_t n = std::strlen(text);
        return (std::size_t)(end_ - p_) >= n && std::memcmp(p_, text, n) == 0;
    }
    void SkipSpace() {
        while (p_ != end_ && IsSpace(*p_))
            ++p_;
    }
    // Moves past the next occurrence of text; false when there is none.
    bool SkipPast(const char* text) {
        std::size_t n = std::strlen(text);
        for (const char* q = p_; (std::size_t)(end_ - q) >= n; ++q)
            if (std::memcmp(q, text, n) == 0) {
                p_ = q + n;
                return true;
            }
        return false;
    }
    bool Name(std::string& name) {
        const char* b = p_;
        while (p_ != end_ && !IsSpace(*p_) && *p_ != '/' && *p_ != '>' && *p_ != '=' && *p_ != '<' &&
               *p_ != '"' && *p_ != '\'')
            ++p_;
        name.assign(b, p_);
        return !name.empty();
    }
    // At '<' of a start tag: its name and attributes; open is false for an empty element ("/>").
    bool StartTag(std::string& name, bool& open) {
        ++p_;
        if (!Name(name)) return false;
        for (;;) {
            SkipSpace();
            if (p_ == end_) return false;
            if (*p_ == '>') {
                ++p_;
                open = true;
                return true;
            }
            if (Starts("/>")) {
                p_ += 2;
                open = false;
                return true;
            }
            std::string attribute;
            if (!Name(attribute)) return false;
            SkipSpace();
            if (p_ == end_ || *p_ != '=') return false;
            ++p_;
            SkipSpace();
            if (p_ == end_ || (*p_ != '"' && *p_ != '\'')) return false;
            const char* close =
                static_cast<const char*>(std::memchr(p_ + 1, *p_, (std::size_t)(end_ - p_ - 1)));
            if (!close) return false;
            p_ = close + 1;
        }
    }
    // The content of an open element up to and including its end tag. Iterative: a deep file cannot
    // exhaust the stack.
    bool Content(const std::string& rootName) {
        std::vector<std::string> open{rootName};
        while (!open.empty()) {
            const char* lt = static_cast<const char*>(std::memchr(p_, '<', (std::size_t)(end_ - p_)));
            if (!lt) return false; // text runs to the end: the element never closes
            p_ = lt;
            if (Starts("<!--")) {
                if (!SkipPast("-->")) return false;
            } else if (Starts("<![CDATA[")) {
                if (!SkipPast("]]>")) return false;
            } else if (Starts("<?")) {
                if (!SkipPast("?>")) return false;
            } else if (Starts("<!")) {
                return false; // declarations belong to no store
            } else if (Starts("</")) {
                p_ += 2;
                std::string name;
                if (!Name(name) || name != open.back()) return false;
                SkipSpace();
                if (p_ == end_ || *p_ != '>') return false;
                ++p_;
                open.pop_back();
            } else {
                std::string name;
                bool isOpen = false;
                if (!StartTag(name, isOpen)) return false;
                if (isOpen) open.push_back(name);
            }
        }
        return true;
    }

    const char* p_;
    const char* end_;
};

} // namespace

bool IsCompleteStoreText(const char* data, std::size_t size) {
    if (!data || size == 0) return false;
    return Checker(data, size).Run();
}

} // namespace zks
