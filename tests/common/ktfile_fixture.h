// A packet and its remote update file, made independently of the library, shared by the native and
// the Windows tests of the update-file format.
#ifndef ZRPC_TESTS_KTFILE_FIXTURE_H
#define ZRPC_TESTS_KTFILE_FIXTURE_H

#include <cstdint>
#include <cstring>

#include "zrpcrecords.h"

namespace ktfixture {

inline _tNewTransferPacket Packet(uint32_t type) {
    _tNewTransferPacket p;
    uint8_t* b = reinterpret_cast<uint8_t*>(&p);
    for (size_t i = 0; i < sizeof p; ++i)
        b[i] = (uint8_t)(i * 7 + 3);
    p.size = 377;
    p.version = 0x00010006;
    p.type = type;
    std::memcpy(p.name, "Receiver token\0\0", 16);
    p.serial = 0x1234ABCD;
    return p;
}

// Written independently of the library (generator, scrambler and Base64 done separately) for
// Packet(14), name "Receiver", target 0x00C0FFEE.
inline const char kExpected14[] =
    "======== Corvane+ Remote Update File ========\r\n"
    "\r\n"
    "VERSION=1.6\r\n"
    "TYPE=0000000E\r\n"
    "TARGET=00C0FFEE\r\n"
    "NAME=Receiver\r\n"
    "\r\n"
    "-- BEGIN ZRP RM DATA --\r\n"
    "oHlwCmSO3T8pAGsA3mbFZxoy+dZWrFkwfRuMc7aRNVgMgod1vwlewnt4kYEkjYO3gY7dlvG5f4XYvcDf5Yz2+1OyjX\r\n"
    "qEWVrMg0ErgtHfwkWoPajPkGM1p/wunXOf2M0nC8c4YUazkO/IqiAsbpn4FRSWP9PBrKBLi9+/m3mwmJ2kYp8Qzj2/\r\n"
    "+1AL1ebOKmcEbtx6qwwNFC96KJnhovWe8BBuvg9Em5yhs1Is/3CSjHAptF9dXbmATM9TMxuANs/XEKK2H1sI6rYyB3\r\n"
    "KVe8CwJpXxsx1KHtAySW2z7mXwjTVFX8B9GrQVF0YIvNl0Ra8Fhih4HvzrqAEUpljF5RGHNb9HYQehZOrkngad+9gX\r\n"
    "8vVVHrWrhLTeEZyRQBwe3cmYxFaSvoUj+p+6YXyd923JBrTjBtkfIIh2A71ld0/NI0UNPu1LBTSPD2yv/TKLq+cvzf\r\n"
    "btjb2phfFlybuMZthKe15ZHtNU0h1yTsewGJB3g4mn/t0XBHvkBow=\r\n"
    "-- END ZRP RM DATA --\r\n";

} // namespace ktfixture

#endif
