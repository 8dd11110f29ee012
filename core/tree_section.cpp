#include "core/tree_section.h"

#include <algorithm>
#include <bit>

#include "core/stream_codec.h"
#include "core/stream_sections.h"

namespace vandrel {

namespace {

constexpr int32_t kRootTypeId = 1;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// The stream reader with strict hex fields. After the first fault (a field cut short or holding a
// non-hex character) every later field comes up empty too.
class TTreeReader {
  public:
    explicit TTreeReader(std::string_view text) : text_(text), in_(text) {}

    TTreeFault Fault() const { return fault_; }

    std::optional<char> Char() {
        if (fault_ != TTreeFault::kNone) return std::nullopt;
        const auto c = in_.Char();
        if (!c) fault_ = TTreeFault::kCutShort;
        return c;
    }
    std::optional<uint32_t> Hex(int digits) {
        if (fault_ != TTreeFault::kNone) return std::nullopt;
        const size_t from = in_.Position();
        const size_t to = std::min(text_.size(), from + static_cast<size_t>(digits));
        for (size_t i = from; i < to; ++i) {
            if (!IsHexDigit(text_[i])) {
                fault_ = TTreeFault::kNotHex;
                return std::nullopt;
            }
        }
        const auto value = in_.Hex(digits);
        if (!value) fault_ = TTreeFault::kCutShort;
        return value;
    }
    std::optional<float> Float() {
        const auto bits = Hex(8);
        if (!bits) return std::nullopt;
        return std::bit_cast<float>(*bits);
    }
    // "F" for the whole property, else one hex digit.
    std::optional<int32_t> Part() {
        const auto c = Char();
        if (!c) return std::nullopt;
        if (*c == 'F') return -1;
        if (!IsHexDigit(*c)) {
            fault_ = TTreeFault::kNotHex;
            return std::nullopt;
        }
        return static_cast<int32_t>(HexDigitValue(*c));
    }

  private:
    std::string_view text_;
    TStreamReader in_;
    TTreeFault fault_ = TTreeFault::kNone;
};

// Reads one instruction; false when the text ends inside it or a field is not hex. Once a field
// of the reader comes up empty every later one does too, so checking the last field of an
// instruction covers the others.
bool ReadInstruction(TTreeReader& in, TTreeInstruction& out) {
    const auto letter = in.Char();
    if (!letter) return false;
    switch (*letter) {
        case 'C': {
            const auto prop = in.Hex(1);
            const auto part = in.Part();
            const auto value = in.Float();
            if (!value) return false;
            out = {'C', static_cast<int32_t>(*prop), *part, *value, 0};
            return true;
        }
        case 'V': {
            const auto prop = in.Hex(1);
            const auto part = in.Part();
            const auto variable = in.Hex(4);
            if (!variable) return false;
            out = {'V', static_cast<int32_t>(*prop), *part, 0, *variable};
            return true;
        }
        case 'S': {
            const auto source = in.Hex(4);
            const auto prop = in.Hex(1);
            const auto part = in.Part();
            if (!part) return false;
            out = {'S', static_cast<int32_t>(*prop), *part, 0, *source};
            return true;
        }
        case 'M':
        case 'E': {
            const auto prop = in.Hex(1);
            const auto value = in.Hex(4);
            if (!value) return false;
            out = {'M', static_cast<int32_t>(*prop), -1, 0, *value};
            return true;
        }
        default:
            out = {'?', 0, -1, 0, static_cast<unsigned char>(*letter)};
            return true;
    }
}

}  // namespace

std::optional<TTreeSection> ParseTreeSection(std::string_view stream) {
    if (!stream.starts_with(kTreeMagic)) return std::nullopt;
    const std::string_view tree = StreamSection(stream, kTreeSection).substr(kTreeMagic.size());
    TTreeReader in(tree);
    TTreeSection section;
    const auto cut = [&] {
        section.Fault = in.Fault();
        return section;
    };
    const auto count = in.Hex(4);
    if (!count) return cut();
    for (uint32_t i = 0; i < *count; ++i) {
        TTreeSectionEntry entry;
        const auto typeId = in.Hex(4);
        const auto instructions = in.Hex(2);
        if (!instructions) return cut();
        entry.TypeId = static_cast<int32_t>(*typeId);
        entry.Instructions.reserve(*instructions);
        for (uint32_t k = 0; k < *instructions; ++k) {
            TTreeInstruction instruction;
            if (!ReadInstruction(in, instruction)) return cut();
            entry.Instructions.push_back(instruction);
        }
        const auto mask = in.Hex(4);
        if (!mask) return cut();
        entry.Mask = static_cast<int32_t>(*mask);
        section.Entries.push_back(std::move(entry));
    }
    section.Complete = true;
    return section;
}

std::string FormatTreeSection(const TTreeSection& section) {
    std::string out;
    AppendHex(out, static_cast<uint32_t>(section.Entries.size()), 4);
    for (const TTreeSectionEntry& entry : section.Entries) {
        AppendHex(out, static_cast<uint32_t>(entry.TypeId), 4);
        AppendHex(out, static_cast<uint32_t>(entry.Instructions.size()), 2);
        for (const TTreeInstruction& instruction : entry.Instructions) {
            const auto prop = static_cast<uint32_t>(instruction.Prop);
            switch (instruction.Letter) {
                case 'C':
                    out += 'C';
                    AppendHex(out, prop, 1);
                    AppendPart(out, instruction.Part);
                    AppendFloat(out, instruction.Constant);
                    break;
                case 'V':
                    out += 'V';
                    AppendHex(out, prop, 1);
                    AppendPart(out, instruction.Part);
                    AppendHex(out, instruction.Value, 4);
                    break;
                case 'S':
                    out += 'S';
                    AppendHex(out, instruction.Value, 4);
                    AppendHex(out, prop, 1);
                    AppendPart(out, instruction.Part);
                    break;
                case 'M':
                    out += 'M';
                    AppendHex(out, prop, 1);
                    AppendHex(out, instruction.Value, 4);
                    break;
                default:
                    break;  // unknown letters are never written
            }
        }
        AppendHex(out, static_cast<uint32_t>(entry.Mask), 4);
    }
    return out;
}

bool Scan(std::string_view stream) {
    const auto section = ParseTreeSection(stream);
    if (!section) return true;
    for (const TTreeSectionEntry& entry : section->Entries) {
        if (entry.TypeId != kRootTypeId) continue;
        for (const TTreeInstruction& instruction : entry.Instructions) {
            if (instruction.Letter == 'M' && (instruction.Prop == 6 || instruction.Prop == 7) &&
                instruction.Value != 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace vandrel
