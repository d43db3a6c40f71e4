// Building and parsing the remote update text.
#include "updatefile/ktformat.h"

#include <cstdio>
#include <cstring>

#include "crypto/base64.h"
#include "updatefile/scrambler.h"
#include "base/text.h"
#include "base/wipe.h"

namespace zrpc {
namespace kt {

const char kFirstLine[] = "======== Corvane+ Remote Update File ========";
const char kBeginMarker[] = "-- BEGIN ZRP RM DATA --";
const char kEndMarker[] = "-- END ZRP RM DATA --";

namespace {

constexpr char kEol[] = "\r\n";

// First occurrence of needle in [from, end), or end.
const char* Find(const char* from, const char* end, const char* needle) {
    size_t n = std::strlen(needle);
    if (from >= end || (size_t)(end - from) < n) return end;
    const char* last = end - n;
    for (const char* p = from; p <= last; ++p) {
        p = static_cast<const char*>(std::memchr(p, needle[0], (size_t)(last - p) + 1));
        if (!p) return end;
        if (std::memcmp(p, needle, n) == 0) return p;
    }
    return end;
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

void AppendLine(std::string& out, const char* text) {
    out += text;
    out += kEol;
}

} // namespace

bool WritableType(uint32_t type) {
    return type == ZRPC_PACKET_PUBLICKEY || type == ZRPC_PACKET_ISSUE_DATA;
}

uint32_t BuildText(_tNewTransferPacket& packet, const char* name, uint32_t target, std::string& out) {
    const uint32_t type = packet.type;
    if (!WritableType(type)) return kBadArgument;

    char line[64];
    out.reserve(out.size() + 720 + (name ? std::strlen(name) : 0));
    AppendLine(out, kFirstLine);
    AppendLine(out, "");
    std::snprintf(line, sizeof line, "%s=%d.%d", "VERSION", 1, 6);
    AppendLine(out, line);
    std::snprintf(line, sizeof line, "%s=%08X", "TYPE", (unsigned)type);
    AppendLine(out, line);
    if (type == ZRPC_PACKET_ISSUE_DATA && target != 0) {
        std::snprintf(line, sizeof line, "%s=%08X", "TARGET", (unsigned)target);
        AppendLine(out, line);
    }
    if (type == ZRPC_PACKET_ISSUE_DATA && name) {
        out += "NAME=";
        out += name;
        out += kEol;
    }
    AppendLine(out, "");
    AppendLine(out, kBeginMarker);

    uint8_t* bytes = reinterpret_cast<uint8_t*>(&packet);
    ScrambleBuffer(0, bytes, (long)sizeof packet);
    char text[((sizeof(_tNewTransferPacket) + 2) / 3) * 4 + 1];
    Base64Encode(bytes, sizeof packet, text);
    const size_t length = Base64EncodedLength(sizeof packet);
    for (size_t at = 0; at < length; at += kLineWidth) {
        size_t n = length - at < kLineWidth ? length - at : kLineWidth;
        out.append(text + at, n);
        if (n == kLineWidth) out += kEol;
    }
    out += kEol;
    Wipe(text, sizeof text);
    AppendLine(out, kEndMarker);
    return kOk;
}

uint32_t PacketToText(const _tNewTransferPacket& packet, const char* name, uint32_t target,
                      std::string& out) {
    _tNewTransferPacket copy = packet;
    uint32_t rc = BuildText(copy, name, target, out);
    Wipe(&copy, sizeof copy);
    return rc;
}

uint32_t ExtractData(const char* data, size_t length, std::string& base64) {
    base64.clear();
    if (!data) return kNoMemory;
    const char* end = data + length;
    const char* first = Find(data, end, kFirstLine);
    if (first == end) return kBadFormat;
    const char* begin = Find(first, end, kBeginMarker);
    if (begin == end) return kNotRead;
    const char* blockStart = begin + std::strlen(kBeginMarker);
    // The end marker is looked for from one character past the begin marker.
    const char* searchFrom = blockStart + 1 < end ? blockStart + 1 : end;
    const char* finish = Find(searchFrom, end, kEndMarker);
    if (finish == end) return kNotRead;
    // The block stops before the character that precedes the end marker (the last line's LF).
    const char* blockEnd = finish - 1;
    base64.reserve((size_t)(blockEnd - blockStart));
    for (const char* p = blockStart; p < blockEnd; ++p)
        if (!IsSpace(*p)) base64 += *p;
    return kOk;
}

size_t DecodedCapacity(size_t base64Length) {
    size_t estimate = Base64DecodeEstimate(base64Length);
    return (estimate < sizeof(_tNewTransferPacket) ? sizeof(_tNewTransferPacket) : estimate) + 1;
}

uint32_t DecodeData(const std::string& base64, uint8_t* out, size_t capacity, size_t* produced) {
    size_t n = 0;
    int rc = Base64Decode(base64.c_str(), base64.size(), out, capacity, &n);
    if (produced) *produced = n;
    if (rc != kBase64Ok) return kNotRead;
    if (n < sizeof(_tNewTransferPacket)) return kBadFormat;
    DescrambleBuffer(0, out, (long)sizeof(_tNewTransferPacket));
    return kOk;
}

uint32_t TextToPacket(const char* data, size_t length, _tNewTransferPacket& packet) {
    std::string base64;
    uint32_t rc = ExtractData(data, length, base64);
    if (rc == kOk) {
        std::vector<uint8_t> bytes(DecodedCapacity(base64.size()));
        rc = DecodeData(base64, bytes.data(), bytes.size(), nullptr);
        if (rc == kOk) std::memcpy(&packet, bytes.data(), sizeof packet);
        Wipe(bytes.data(), bytes.size());
    }
    Wipe(&base64[0], base64.size());
    return rc;
}

uint32_t CheckPacket(const _tNewTransferPacket* packet, uint32_t type) {
    if (!packet) return kBadArgument;
    if (packet->size != ZRPC_PACKET_SIZE || packet->version != ZRPC_PACKET_VERSION) return kBadFormat;
    if (type != 0xFFFFFFFFu && packet->type != type) return kBadFormat;
    return kOk;
}

uint32_t ReadTarget(const char* data, size_t length, char name[16], uint32_t* target) {
    static const char kTarget[] = "TARGET=";
    static const char kName[] = "NAME=";
    if (!data) return kNotRead;
    const char* end = data + length;
    const char* t = Find(data, end, kTarget);
    if (t == end) return kNotRead;

    uint32_t value = 0;
    const char* p = t + sizeof kTarget - 1;
    for (int i = 0; i < 8 && p < end; ++i, ++p) {
        int d = HexDigitValue(*p);
        if (d < 0) break;
        value = value << 4 | (uint32_t)d;
    }

    char field[16] = {0};
    const char* n = Find(data, end, kName);
    if (n != end) {
        const char* from = n + sizeof kName - 1;
        size_t have = (size_t)(end - from) < sizeof field ? (size_t)(end - from) : sizeof field;
        for (size_t i = 0; i < have; ++i)
            field[i] = (from[i] == '\r' || from[i] == '\n') ? '\0' : from[i];
    }
    *target = value;
    std::memcpy(name, field, sizeof field);
    return kOk;
}

} // namespace kt
} // namespace zrpc
