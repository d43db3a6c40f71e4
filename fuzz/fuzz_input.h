// The fuzz targets' reader of their input: bytes, small numbers in a range and short texts, all 0 or
// empty once the input is used up.
#ifndef ZRPC_FUZZ_INPUT_H
#define ZRPC_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <string>

struct FuzzInput {
    const uint8_t* p;
    size_t n;
    uint8_t Byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    int Small(int lo, int hi) { return lo + Byte() % (hi - lo + 1); }
    // Up to six characters from a set that matters to searches and patterns.
    std::string Text() {
        static const char kChars[] = "abAB|*?\t x";
        int len = Small(0, 6);
        std::string s;
        for (int i = 0; i < len; ++i)
            s += kChars[Byte() % (sizeof kChars - 1)];
        return s;
    }
};

#endif
