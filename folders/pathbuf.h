// A path in a buffer of 260 characters including the terminator. Building a path that would not fit
// fails and leaves the buffer marked as failed: a cut-down path is never handed to the file system,
// because a truncated name can name another file or a parent folder.
#ifndef ZRPC_FOLDERS_PATHBUF_H
#define ZRPC_FOLDERS_PATHBUF_H

#include <cstddef>
#include <cstring>

namespace zrpc {
namespace folders {

constexpr size_t kPathChars = 260; // including the terminating NUL

class PathBuf {
  public:
    PathBuf() { m_text[0] = 0; }

    // Replaces the text. False (and failed) when text is null or longer than 259 characters.
    bool Set(const char* text) {
        m_len = 0;
        m_text[0] = 0;
        m_ok = text != nullptr;
        return Append(text);
    }
    // Appends text; false (and failed) when the result would not fit.
    bool Append(const char* text) {
        if (!m_ok || !text) return m_ok = false;
        size_t n = std::strlen(text);
        if (n >= kPathChars - m_len) return Fail();
        std::memcpy(m_text + m_len, text, n + 1);
        m_len += n;
        return true;
    }
    // Adds a backslash unless the text already ends in one.
    bool AddSeparator() {
        if (!m_ok) return false;
        if (m_len && m_text[m_len - 1] == '\\') return true;
        return Append("\\");
    }
    // Cuts the text to its first n characters (n no more than the length).
    void Truncate(size_t n) {
        if (n < m_len) {
            m_len = n;
            m_text[n] = 0;
        }
    }
    // Position of the last backslash, or -1.
    long LastSeparator() const {
        for (size_t i = m_len; i > 0; --i)
            if (m_text[i - 1] == '\\') return (long)(i - 1);
        return -1;
    }

    bool ok() const { return m_ok; }
    const char* c_str() const { return m_text; }
    size_t size() const { return m_len; }
    bool EndsWithSeparator() const { return m_len && m_text[m_len - 1] == '\\'; }

  private:
    bool Fail() {
        m_ok = false;
        m_len = 0;
        m_text[0] = 0;
        return false;
    }
    char m_text[kPathChars];
    size_t m_len = 0;
    bool m_ok = true;
};

// folder, a backslash unless it ends in one, then name.
inline bool JoinPath(PathBuf& out, const char* folder, const char* name) {
    return out.Set(folder) && out.AddSeparator() && out.Append(name);
}

} // namespace folders
} // namespace zrpc

#endif
