// Fuzzes the Base64 decoder: output bounded by the estimate and by a smaller capacity, the same bytes
// whatever the capacity, and clean alphabet text round-trips through the encoder.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "crypto/base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text is not terminated: the decoder must stop at size.
    std::vector<char> text(data, data + size);
    size_t estimate = zrpc::Base64DecodeEstimate(size);
    std::vector<uint8_t> out(estimate);
    size_t produced = 0;
    int rc = zrpc::Base64Decode(text.data(), text.size(), out.data(), out.size(), &produced);
    if (produced > estimate || rc == zrpc::kBase64Full) __builtin_trap();

    // A smaller buffer gives a prefix of the same bytes.
    size_t small = produced / 2;
    std::vector<uint8_t> part(small);
    size_t partProduced = 0;
    zrpc::Base64Decode(text.data(), text.size(), part.data(), part.size(), &partProduced);
    if (partProduced > small || (partProduced && std::memcmp(part.data(), out.data(), partProduced) != 0))
        __builtin_trap();

    // Text made only of alphabet characters in whole groups decodes and encodes back to itself.
    bool clean = size % 4 == 0;
    for (size_t i = 0; clean && i < size; ++i) {
        char c = (char)data[i];
        clean = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                c == '/';
    }
    if (clean) {
        if (rc != zrpc::kBase64Ok || produced != size / 4 * 3) __builtin_trap();
        std::string again(zrpc::Base64EncodedLength(produced) + 1, '\0');
        zrpc::Base64Encode(out.data(), produced, &again[0]);
        if (size && std::memcmp(again.data(), data, size) != 0) __builtin_trap();
    }
    return 0;
}
