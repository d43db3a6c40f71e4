// Wiping memory that held secrets (passwords, key packets and their text) before it is released.
#ifndef ZRPC_BASE_WIPE_H
#define ZRPC_BASE_WIPE_H

#include <cstddef>
#include <string>

namespace zrpc {

// Overwrites size bytes at data with zeros, the whole length (NULs inside included), in a way the
// compiler cannot drop as a dead store. A null data or a zero size does nothing.
void Wipe(void* data, std::size_t size);

// Wipes a string's characters, then empties it.
void WipeString(std::string& text);

// A string whose characters are wiped when it goes.
struct WipedString {
    std::string text;
    WipedString() = default;
    WipedString(const WipedString&) = delete;
    WipedString& operator=(const WipedString&) = delete;
    ~WipedString() { WipeString(text); }
};

} // namespace zrpc

#endif
