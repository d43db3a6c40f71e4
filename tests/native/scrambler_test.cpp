// The update-file scrambler: its generator, the buffer and stream forms and their inverses, and the
// per-thread generator state.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "updatefile/scrambler.h"

namespace {

std::vector<uint8_t> Message(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = (uint8_t)(i * 13 + 5);
    return v;
}

TEST(Scrambler, GeneratorSequence) {
    zrpc::ScramblerSeed(0);
    const int expected[] = {38, 7719, 21238, 2437, 8855};
    for (int e : expected)
        EXPECT_EQ(zrpc::ScramblerDraw(), e);
}

TEST(Scrambler, NewThreadStartsAsIfSeededWithOne) {
    zrpc::ScramblerSeed(12345); // this thread's state does not leak into another thread
    int first = -1;
    std::thread([&] { first = zrpc::ScramblerDraw(); }).join();
    EXPECT_EQ(first, 41);
}

TEST(Scrambler, FirstBytesOfAPacketWithSeedZero) {
    uint8_t bytes[2] = {0x79, 0x01};
    zrpc::ScrambleBuffer(0, bytes, 2);
    EXPECT_EQ(bytes[0], 0xA0);
    // Second byte: r = low byte of 7719 (0x27), chained with 0xA0.
    EXPECT_EQ(bytes[1], (uint8_t)(0x27 ^ (uint8_t)~0x01 ^ 0xA0));
}

TEST(Scrambler, BufferFormsInvertEachOther) {
    for (uint16_t seed : {0, 1, 0x1234, 0xFFFF}) {
        std::vector<uint8_t> m = Message(377), x = m;
        zrpc::ScrambleBuffer(seed, x.data(), (long)x.size());
        EXPECT_NE(x, m);
        zrpc::DescrambleBuffer(seed, x.data(), (long)x.size());
        EXPECT_EQ(x, m) << seed;
    }
}

TEST(Scrambler, ScramblingTwiceIsNotUndone) {
    std::vector<uint8_t> m = Message(64), x = m;
    zrpc::ScrambleBuffer(0, x.data(), 64);
    zrpc::ScrambleBuffer(0, x.data(), 64);
    zrpc::DescrambleBuffer(0, x.data(), 64);
    EXPECT_NE(x, m);
    zrpc::DescrambleBuffer(0, x.data(), 64);
    EXPECT_EQ(x, m);
}

TEST(Scrambler, StreamInPiecesEqualsOneBufferCall) {
    const long seeds[] = {1, 0x1234, 0x7FFF1234}; // only the low 16 bits seed
    const std::vector<size_t> pieces = {1, 7, 0, 64, 100, 205};
    for (long seed : seeds) {
        std::vector<uint8_t> whole = Message(377);
        zrpc::ScrambleBuffer((uint16_t)seed, whole.data(), (long)whole.size());

        std::vector<uint8_t> streamed = Message(377);
        uint8_t chain = 0x55;
        size_t at = 0;
        for (size_t i = 0; i < pieces.size(); ++i) {
            zrpc::ScrambleStream(i == 0 ? seed : 0, streamed.data() + at, (long)pieces[i], &chain);
            at += pieces[i];
        }
        ASSERT_EQ(at, 377u);
        EXPECT_EQ(streamed, whole) << seed;
        EXPECT_EQ(chain, whole.back());

        // And back, in other pieces.
        chain = 0;
        at = 0;
        const size_t back[] = {300, 0, 77};
        for (size_t i = 0; i < 3; ++i) {
            uint8_t lastIn = back[i] ? streamed[at + back[i] - 1] : chain;
            zrpc::DescrambleStream(i == 0 ? seed : 0, streamed.data() + at, (long)back[i], &chain);
            EXPECT_EQ(chain, lastIn);
            at += back[i];
        }
        EXPECT_EQ(streamed, Message(377)) << seed;
    }
}

TEST(Scrambler, LengthBelowOneChangesNothing) {
    std::vector<uint8_t> m = Message(8), x = m;
    zrpc::ScrambleBuffer(5, x.data(), 0);
    zrpc::DescrambleBuffer(5, x.data(), -3);
    EXPECT_EQ(x, m);

    uint8_t chain = 0x11;
    zrpc::ScrambleStream(0x2345, x.data(), 0, &chain);
    EXPECT_EQ(chain, 0x45); // the starting chain value: the seed's low byte
    chain = 0x66;
    zrpc::DescrambleStream(0, x.data(), -1, &chain);
    EXPECT_EQ(chain, 0x66);
    EXPECT_EQ(x, m);
}

} // namespace
