// WAV files built byte by byte, for the readers of audio files and the components above them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vandrel::test {

// The low `bytes` bytes of v, little-endian (two's complement for a negative value).
inline std::string Le(int64_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// Signed samples of `bytes` bytes each.
inline std::string Samples(const std::vector<int64_t>& values, int bytes) {
    std::string out;
    for (const int64_t v : values) out += Le(v, bytes);
    return out;
}

// A chunk with its pad byte; `declared` overrides the size field.
inline std::string Chunk(const std::string& id, const std::string& body,
                         std::optional<uint32_t> declared = std::nullopt) {
    std::string out = id + Le(declared.value_or(static_cast<uint32_t>(body.size())), 4) + body;
    if (body.size() % 2 == 1) out += '\0';
    return out;
}

inline std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint32_t align = channels * ((bits + 7) / 8);
    return Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(int64_t{rate} * align, 4) +
           Le(align, 2) + Le(bits, 2);
}

inline std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    return Chunk("fmt ", FmtBody(tag, channels, rate, bits));
}

inline std::string Riff(const std::string& chunks, const std::string& form = "WAVE") {
    return "RIFF" + Le(static_cast<int64_t>(4 + chunks.size()), 4) + form + chunks;
}

// The canonical PCM layout: data starts at byte 44.
inline std::string Wav(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data) {
    return Riff(Fmt(1, channels, rate, bits) + Chunk("data", data));
}

// What a sample of `bytes` bytes reads as: its value scaled to the 32-bit range, over 2^31 - 1.
inline double SampleValue(double value, int bytes) {
    return value * static_cast<double>(int64_t{1} << (32 - 8 * bytes)) / 2147483647.0;
}

}  // namespace vandrel::test
