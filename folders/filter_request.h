// The 32-byte request sent to the file-system filter's control device, and the scrambling of its
// commands. No Windows headers: the record and the scrambler build anywhere.
#ifndef ZRPC_FOLDERS_FILTER_REQUEST_H
#define ZRPC_FOLDERS_FILTER_REQUEST_H

#include <cstddef>
#include <cstdint>

namespace zrpc {
namespace folders {

// Control code of every request: device type 0x0FA4, function 0x813, buffered, any access.
constexpr uint32_t kFilterControlCode = 0x0FA4204Cu;

constexpr uint32_t kFilterSignatureRegister = 0xDEADBEEFu; // session registration (sent as is)
constexpr uint32_t kFilterSignatureCommand = 0xC001D00Du;  // every command (scrambled)

constexpr uint32_t kFilterBeginOperation = 3; // argument: current process identifier
constexpr uint32_t kFilterEndOperation = 4;   // argument: current process identifier
constexpr uint32_t kFilterFolderRemoved = 5;  // argument: address of the folder path (ends in '\')
constexpr uint32_t kFilterQueryFlags = 18;    // argument: address of the caller's flags record

// Bit of flags word 1 that says the filter is passive.
constexpr uint32_t kFilterPassiveBit = 0x80u;

// Size of the filter session key area the filter fills at registration.
constexpr size_t kFilterKeySize = 16;
// Bytes of a command that are scrambled.
constexpr size_t kFilterScrambledBytes = 12;

#pragma pack(push, 1)
struct FilterRequest {
    uint32_t Signature;
    uint32_t Function;
    uint32_t Argument;
    uint8_t Unused[20];
};
#pragma pack(pop)
static_assert(sizeof(FilterRequest) == 32, "FilterRequest is 32 bytes");
static_assert(offsetof(FilterRequest, Signature) == 0, "Signature at 0");
static_assert(offsetof(FilterRequest, Function) == 4, "Function at 4");
static_assert(offsetof(FilterRequest, Argument) == 8, "Argument at 8");
static_assert(offsetof(FilterRequest, Unused) == 12, "unused tail at 12");

// Scrambles (or unscrambles: the operation is its own inverse) bytes 0 to 11 of a command with the
// session key and the low byte of the sender's process identifier. Bytes 12 to 31 are untouched.
void ScrambleFilterRequest(FilterRequest* request, const uint8_t key[kFilterKeySize], uint8_t processLowByte);

} // namespace folders
} // namespace zrpc

#endif
