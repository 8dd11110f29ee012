// The checksum line of a shader file.
//
// For the bytes b1 … bn of a stream (unsigned): S = b1 + … + bn, X = b1 xor … xor bn (8 bits), and
// a 16-bit register R, starting at 0, updated per byte as
// R <- ((R * 256) xor b xor T[R div 256]) mod 65536, T the CRC-16 table of the polynomial 0x1021.
// The current checksum is X + S + R; files of older versions carry X + S. Sums wrap at 32 bits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vandrel {

struct TStreamChecksums {
    uint32_t current = 0;  // X + S + R
    uint32_t older = 0;    // X + S
};

TStreamChecksums StreamChecksums(std::string_view stream);
inline uint32_t StreamChecksum(std::string_view stream) { return StreamChecksums(stream).current; }

// The 256-entry table; entry i is i * 256 shifted left eight times through the polynomial.
const std::array<uint16_t, 256>& Crc16Table();

// hex(8) of the current checksum: the second line of a shader file.
std::string ChecksumLine(std::string_view stream);

}  // namespace vandrel
