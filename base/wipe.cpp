#include "base/wipe.h"

#include <cstring>

namespace zrpc {

void Wipe(void* data, std::size_t size) {
    if (!data || size == 0) return;
    std::memset(data, 0, size);
    // The bytes are about to be released: the barrier makes the clearing observable, so it stays.
    __asm__ __volatile__("" : : "r"(data) : "memory");
}

void WipeString(std::string& text) {
    if (text.empty()) return;
    Wipe(&text[0], text.size());
    text.clear();
}

} // namespace zrpc
