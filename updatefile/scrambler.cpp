// The remote update file's byte scrambler and its per-thread generator.
#include "updatefile/scrambler.h"

namespace zrpc {
namespace {

thread_local uint32_t t_state = 1;

uint8_t Scramble(uint8_t chain, uint8_t* buffer, long length) {
    for (long i = 0; i < length; ++i) {
        uint8_t r = (uint8_t)ScramblerDraw();
        uint8_t out = (uint8_t)(r ^ (uint8_t)~buffer[i] ^ chain);
        buffer[i] = out;
        chain = out;
    }
    return chain;
}

uint8_t Descramble(uint8_t chain, uint8_t* buffer, long length) {
    for (long i = 0; i < length; ++i) {
        uint8_t r = (uint8_t)ScramblerDraw();
        uint8_t in = buffer[i];
        buffer[i] = (uint8_t) ~(r ^ in ^ chain);
        chain = in;
    }
    return chain;
}

// Seeds for a stream call and gives its starting chain value.
uint8_t StreamStart(long seed, const uint8_t* chain) {
    if (seed == 0) return chain ? *chain : 0;
    ScramblerSeed((uint32_t)seed & 0xFFFFu);
    return (uint8_t)seed;
}

} // namespace

void ScramblerSeed(uint32_t seed) {
    t_state = seed;
}

int ScramblerDraw() {
    t_state = t_state * 214013u + 2531011u;
    return (int)((t_state >> 16) & 0x7FFF);
}

void ScrambleBuffer(uint16_t seed, uint8_t* buffer, long length) {
    ScramblerSeed(seed);
    if (buffer && length > 0) Scramble((uint8_t)seed, buffer, length);
}

void DescrambleBuffer(uint16_t seed, uint8_t* buffer, long length) {
    ScramblerSeed(seed);
    if (buffer && length > 0) Descramble((uint8_t)seed, buffer, length);
}

void ScrambleStream(long seed, uint8_t* buffer, long length, uint8_t* chain) {
    uint8_t c = StreamStart(seed, chain);
    if (buffer && length > 0) c = Scramble(c, buffer, length);
    if (chain) *chain = c;
}

void DescrambleStream(long seed, uint8_t* buffer, long length, uint8_t* chain) {
    uint8_t c = StreamStart(seed, chain);
    if (buffer && length > 0) c = Descramble(c, buffer, length);
    if (chain) *chain = c;
}

} // namespace zrpc
