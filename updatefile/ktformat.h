// The remote update text: a fixed first line, header lines and the scrambled, Base64-encoded
// 377-byte transfer packet between two marker lines. Portable builder and parser behind the
// ZRPCFUNC_ update-file exports; the key store uses them directly for the texts it keeps.
#ifndef ZRPC_UPDATEFILE_KTFORMAT_H
#define ZRPC_UPDATEFILE_KTFORMAT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "include/zrpcrecords.h"
#include "include/zrpcresult.h"

namespace zrpc {
namespace kt {

extern const char kFirstLine[];   // "======== Corvane+ Remote Update File ========"
extern const char kBeginMarker[]; // "-- BEGIN ZRP RM DATA --"
extern const char kEndMarker[];   // "-- END ZRP RM DATA --"
constexpr size_t kLineWidth = 90; // characters per data line

// Result codes of the update-file operations.
// The library's result codes, as the update-file calls answer them.
using zrpc::kBadArgument;
using zrpc::kBadFormat;
using zrpc::kDeclined;
using zrpc::kNoMemory;
using zrpc::kNotCreated;
using zrpc::kNotRead;
using zrpc::kOk;

// Types the writers take: 12 (public key) and 14 (issue data).
bool WritableType(uint32_t type);

// Scrambles the packet in place (seed 0) and appends the whole update text to out. The TARGET line is
// written for type 14 with a non-zero target, the NAME line for type 14 when name is not null.
// Returns kOk, or kBadArgument (packet untouched) for another type. The transient Base64 text is wiped.
uint32_t BuildText(_tNewTransferPacket& packet, const char* name, uint32_t target, std::string& out);
// The same on a private copy: the caller's packet stays as it is.
uint32_t PacketToText(const _tNewTransferPacket& packet, const char* name, uint32_t target, std::string& out);

// Reading, step 1: finds the first line and the two markers and copies the data block without white
// space into base64. kOk, kBadFormat (no first line) or kNotRead (a marker missing).
uint32_t ExtractData(const char* data, size_t length, std::string& base64);
// Bytes to reserve for decoding base64: the decoder's estimate, never below a whole packet, plus one.
size_t DecodedCapacity(size_t base64Length);
// Reading, step 2: decodes base64 into out (DecodedCapacity bytes) and unscrambles the first 377 bytes.
// kOk; kNotRead when the text ends inside a group (the partial bytes stay in out); kBadFormat when it
// decodes to fewer than 377 bytes.
uint32_t DecodeData(const std::string& base64, uint8_t* out, size_t capacity, size_t* produced);

// Both steps: the packet of an update text. packet is written only on kOk.
uint32_t TextToPacket(const char* data, size_t length, _tNewTransferPacket& packet);

// Size 377, version 0x00010006 and, unless type is 0xFFFFFFFF, the given type. kOk, kBadArgument
// (null packet) or kBadFormat.
uint32_t CheckPacket(const _tNewTransferPacket* packet, uint32_t type);

// The header reader: target = up to 8 hexadecimal digits after the first "TARGET=", name = the 16
// bytes after the first "NAME=" with CR and LF turned into NUL (zeros past the end of the data, or all
// zeros without "NAME="). kOk, or kNotRead without "TARGET=" (nothing written). Writes exactly 16
// name bytes and never reads outside [data, data + length).
uint32_t ReadTarget(const char* data, size_t length, char name[16], uint32_t* target);

} // namespace kt
} // namespace zrpc

#endif
