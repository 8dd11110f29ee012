#include "core/stream_codec.h"

#include <bit>

namespace vandrel {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
}

void AppendHex(std::string& out, uint32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        out += kDigits[(shift < 32 ? value >> shift : 0u) & 0xFu];
    }
}

void AppendFloat(std::string& out, float value) {
    AppendHex(out, std::bit_cast<uint32_t>(value), 8);
}

void AppendSigned16(std::string& out, int32_t value) {
    AppendHex(out, static_cast<uint32_t>(value) & 0xFFFFu, 4);
}

void AppendPart(std::string& out, int32_t part) {
    out += part >= 0 && part <= 2 ? kDigits[part] : 'F';
}

void AppendFlag(std::string& out, bool value) { out += value ? 'T' : 'F'; }

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 39 && c <= 122) {
            out += ch;
        } else {
            out += '&';
            out += static_cast<char>(39 + c / 84);
            out += static_cast<char>(39 + c % 84);
        }
    }
    return out;
}

std::string UnescapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) break;
        const int a = static_cast<unsigned char>(text[i + 1]) - 39;
        const int b = static_cast<unsigned char>(text[i + 2]) - 39;
        out += static_cast<char>(static_cast<unsigned>(a * 84 + b) & 0xFFu);
        i += 2;
    }
    return out;
}

uint32_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
    return 0;
}

std::optional<char> TStreamReader::Char() {
    if (AtEnd()) return std::nullopt;
    return text_[pos_++];
}

std::optional<uint32_t> TStreamReader::Hex(int digits) {
    if (digits < 0 || text_.size() - pos_ < static_cast<size_t>(digits)) {
        pos_ = text_.size();
        return std::nullopt;
    }
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i) value = (value << 4) | HexDigitValue(text_[pos_++]);
    return value;
}

std::optional<float> TStreamReader::Float() {
    const auto bits = Hex(8);
    if (!bits) return std::nullopt;
    return std::bit_cast<float>(*bits);
}

std::optional<int32_t> TStreamReader::Signed16() {
    const auto bits = Hex(4);
    if (!bits) return std::nullopt;
    return static_cast<int32_t>(static_cast<int16_t>(static_cast<uint16_t>(*bits)));
}

std::optional<int32_t> TStreamReader::Part() {
    const auto c = Char();
    if (!c) return std::nullopt;
    if (*c == 'F') return -1;
    return static_cast<int32_t>(HexDigitValue(*c));
}

std::optional<bool> TStreamReader::Flag() {
    const auto c = Char();
    if (!c) return std::nullopt;
    return *c == 'T';
}

}  // namespace vandrel
