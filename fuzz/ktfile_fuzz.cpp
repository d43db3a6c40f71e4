// Fuzzes the update-file reader: any bytes give a result code, never a read outside the input or a
// write outside the decoding buffer; a packet that reads back re-encodes to text that reads back alike.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "updatefile/ktformat.h"

namespace kt = zrpc::kt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> text(data, data + size);
    const char* bytes = size ? text.data() : ""; // never null: null data has a code of its own
    _tNewTransferPacket packet;
    uint32_t rc = kt::TextToPacket(bytes, size, packet);
    if (rc != kt::kOk && rc != kt::kNotRead && rc != kt::kBadFormat) __builtin_trap();

    // The two steps with an exactly sized buffer, as the export uses them.
    std::string base64;
    if (kt::ExtractData(bytes, size, base64) == kt::kOk) {
        std::vector<uint8_t> out(kt::DecodedCapacity(base64.size()));
        size_t produced = 0;
        uint32_t step = kt::DecodeData(base64, out.data(), out.size(), &produced);
        if (step != rc || produced > out.size()) __builtin_trap();
    }

    if (rc == kt::kOk && kt::WritableType(packet.type)) {
        std::string again;
        if (kt::PacketToText(packet, "fuzz", 1, again) != kt::kOk) __builtin_trap();
        _tNewTransferPacket back;
        if (kt::TextToPacket(again.data(), again.size(), back) != kt::kOk) __builtin_trap();
        if (std::memcmp(&back, &packet, sizeof back) != 0) __builtin_trap();
    }
    return 0;
}
