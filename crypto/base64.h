// Base64 (RFC 4648 alphabet, "=" padding): portable cores behind EncodeBase64 / DecodeBase64.
// They write into caller-provided buffers; the exports only add the global-heap blocks.
#ifndef ZRPC_CRYPTO_BASE64_H
#define ZRPC_CRYPTO_BASE64_H

#include <cstddef>
#include <cstdint>

namespace zrpc {

// Characters of the encoded form of length bytes: 4 x ceil(length / 3).
size_t Base64EncodedLength(size_t length);
// Writes Base64EncodedLength(length) characters and a terminating NUL to text (one unbroken line).
void Base64Encode(const uint8_t* data, size_t length, char* text);

// Output size estimate for a text of textLength characters: textLength x 3 / 4. Decoding a text of
// at most textLength characters never produces more bytes than this.
size_t Base64DecodeEstimate(size_t textLength);

enum Base64Result : int {
    kBase64Ok = 0,
    kBase64Truncated = 2, // the text ends inside a group of four characters
    kBase64Full = 3,      // the output buffer was too small for the bytes the text produces
};

// Decodes text, which ends at its first NUL or after textLength characters, whichever comes first.
// White space (space, tab, LF, VT, FF, CR) is skipped anywhere; a "=" in the third or fourth place
// of a group ends the decoding; a "=" in the first or second place counts as the value 0; any other
// character outside the alphabet (bytes of 0x80 and above included) counts as 0xFF. At most capacity
// bytes are written; *produced receives the number written.
int Base64Decode(const char* text, size_t textLength, uint8_t* out, size_t capacity, size_t* produced);

// The sizes of the decoding call. A non-zero textLength bounds the text: nothing past it is read, even
// when no terminator follows; 0 means the text runs to its terminator. chars: the characters to
// decode; capacity: the output block's size, Base64DecodeEstimate of textLength (or of chars when
// textLength is 0), which is also what the caller is told until decoding gives the real count.
struct Base64DecodeSizes {
    size_t chars;
    size_t capacity;
};
Base64DecodeSizes Base64DecodeSizing(const char* text, size_t textLength);

// The decoding call's answer for a decoder result: 2 when the text ends inside a group (the bytes
// before it are kept), else 0.
int Base64DecodeAnswer(int result);

} // namespace zrpc

#endif
