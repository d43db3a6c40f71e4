// SHA-1 on the caller-owned context record: portable core behind the ZRPCFUNC_SHA_ exports.
#ifndef ZRPC_CRYPTO_SHA1_H
#define ZRPC_CRYPTO_SHA1_H

#include <cstddef>
#include <cstdint>

#include "include/zrpcrecords.h"

namespace zrpc {

// Sets the chaining values and zeroes the byte count; the block storage is left as it is.
void Sha1Init(_tSHA_Context* context);
// Digests length bytes (any length, in any number of calls).
void Sha1Update(_tSHA_Context* context, const uint8_t* data, size_t length);
// Pads and finishes; the 20 digest bytes replace the state words. Returns the state field's address.
uint8_t* Sha1Final(_tSHA_Context* context);
// Compares the 92 bytes of two records as unsigned bytes: 0 equal, -1 first smaller, 1 first greater.
int Sha1Compare(const void* first, const void* second);

// The two engines that compress whole blocks: the portable code, and the processor's SHA instructions
// (x86, where CPUID reports them). Both leave the record byte for byte the same. The library uses the
// processor's where it has them, chosen once at start-up; the functions above use that one.
enum class Sha1Engine { Portable, Processor };
bool Sha1ProcessorEngineAvailable();
Sha1Engine Sha1ActiveEngine();
// Update and Final on a given engine (the portable one where the processor has no SHA instructions).
void Sha1UpdateWith(Sha1Engine engine, _tSHA_Context* context, const uint8_t* data, size_t length);
uint8_t* Sha1FinalWith(Sha1Engine engine, _tSHA_Context* context);

// One-shot helper: the 20-byte digest of data.
void Sha1Digest(const void* data, size_t length, uint8_t digest[20]);

} // namespace zrpc

#endif
