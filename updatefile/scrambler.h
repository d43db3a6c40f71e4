// The byte scrambler of remote update files: a byte-chained exclusive-or with a linear congruential
// generator (state s; seeding sets s; each draw sets s = s * 214013 + 2531011 and yields
// (s >> 16) & 0x7FFF). The generator state is per thread and starts at 1 on a new thread, so the bytes
// never depend on the C runtime the program links.
#ifndef ZRPC_UPDATEFILE_SCRAMBLER_H
#define ZRPC_UPDATEFILE_SCRAMBLER_H

#include <cstdint>

namespace zrpc {

// The calling thread's generator.
void ScramblerSeed(uint32_t seed);
int ScramblerDraw();

// Buffer forms: seed the generator with seed, start the chain at its low byte, work in place.
// A length below 1 changes no byte (the generator is still seeded).
void ScrambleBuffer(uint16_t seed, uint8_t* buffer, long length);
void DescrambleBuffer(uint16_t seed, uint8_t* buffer, long length);

// Stream forms: a seed of 0 continues an earlier call (no seeding, chain taken from *chain); a non-zero
// seed seeds with its low 16 bits and starts the chain at its low 8 bits. Afterwards *chain holds the
// last output byte (scramble) or the last input byte (descramble), or the starting chain value when
// length is below 1. chain may be null (then a continuing call starts from 0).
void ScrambleStream(long seed, uint8_t* buffer, long length, uint8_t* chain);
void DescrambleStream(long seed, uint8_t* buffer, long length, uint8_t* chain);

} // namespace zrpc

#endif
