#include "core/checksum.h"

#include "core/stream_codec.h"

namespace vandrel {

namespace {

constexpr std::array<uint16_t, 256> MakeTable() {
    std::array<uint16_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 8;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x8000u) ? (r << 1) ^ 0x1021u : r << 1;
        table[i] = static_cast<uint16_t>(r);
    }
    return table;
}

constexpr std::array<uint16_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x1021);

}  // namespace

const std::array<uint16_t, 256>& Crc16Table() { return kTable; }

TStreamChecksums StreamChecksums(std::string_view stream) {
    uint32_t sum = 0;
    uint32_t xorValue = 0;
    uint32_t reg = 0;
    for (const char ch : stream) {
        const auto b = static_cast<unsigned char>(ch);
        sum += b;
        xorValue ^= b;
        reg = ((reg << 8) ^ b ^ kTable[reg >> 8]) & 0xFFFFu;
    }
    return {xorValue + sum + reg, xorValue + sum};
}

std::string ChecksumLine(std::string_view stream) {
    std::string out;
    AppendHex(out, StreamChecksum(stream), 8);
    return out;
}

}  // namespace vandrel
