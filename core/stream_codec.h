// The primitive fields of the shader stream: hex(n), float, signed16, part, flag and escaped text,
// and a cursor that reads them from untrusted text.
//
// Writing follows the format exactly. Reading is defined for every input: a character outside
// "0"–"9" and "A"–"F" in a hex field (lower-case letters included) reads as the digit 0, which
// keeps the field's length and so the position of everything after it; a field cut short by the end
// of the text reads as nothing (std::nullopt) and leaves the cursor at the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vandrel {

// n upper-case hex digits, most significant first; wider values are cut to their low 4n bits.
void AppendHex(std::string& out, uint32_t value, int digits);
// hex(8) of the IEEE-754 single-precision bit pattern.
void AppendFloat(std::string& out, float value);
// hex(4) of the 16-bit two's complement.
void AppendSigned16(std::string& out, int32_t value);
// One hex digit 0–2 for a part, "F" for the whole property (-1).
void AppendPart(std::string& out, int32_t part);
void AppendFlag(std::string& out, bool value);

// A character with code 39 … 122 stands for itself; any other c becomes "&", then the characters
// with codes 39 + c div 84 and 39 + c mod 84. So the blank, "#", "$", "%", "&" and "|" never occur
// raw in escaped text.
std::string EscapeText(std::string_view text);
// The inverse. An "&" cut short by the end of the text is dropped; a pair that decodes beyond 255
// keeps its low eight bits.
std::string UnescapeText(std::string_view text);

// Value of one hex digit; any other character reads as 0.
uint32_t HexDigitValue(char c);

class TStreamReader {
  public:
    explicit TStreamReader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    size_t Position() const { return pos_; }
    std::string_view Rest() const { return text_.substr(pos_); }

    std::optional<char> Char();
    std::optional<uint32_t> Hex(int digits);
    std::optional<float> Float();
    std::optional<int32_t> Signed16();
    std::optional<int32_t> Part();  // "F" -> -1, else the digit's value
    std::optional<bool> Flag();     // "T" -> true, anything else -> false

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace vandrel
