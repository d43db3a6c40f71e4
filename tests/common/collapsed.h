// What a text looks like after the key store was read back: the XML reader folds every run of white
// space (bytes 1 to 32) into one space and drops it at the start.
#ifndef ZRPC_TESTS_COLLAPSED_H
#define ZRPC_TESTS_COLLAPSED_H

#include <string>
#include <string_view>

inline std::string Collapsed(std::string_view text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if ((unsigned char)c >= 1 && (unsigned char)c <= 32) {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

#endif
