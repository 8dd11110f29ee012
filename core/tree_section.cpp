#include "core/tree_section.h"

#include "core/stream_codec.h"

namespace vandrel {

namespace {

constexpr int32_t kRootTypeId = 1;

// Reads one instruction; false when the text ends inside it. Once a field of the reader comes up
// short every later one does too, so checking the last field of an instruction covers the others.
bool ReadInstruction(TStreamReader& in, TTreeInstruction& out) {
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
    if (stream.substr(0, 2) != "XR") return std::nullopt;
    const size_t end = stream.find('#');
    TStreamReader in(stream.substr(2, end == std::string_view::npos ? end : end - 2));
    TTreeSection section;
    const auto count = in.Hex(4);
    if (!count) return section;
    for (uint32_t i = 0; i < *count; ++i) {
        TTreeSectionEntry entry;
        const auto typeId = in.Hex(4);
        const auto instructions = in.Hex(2);
        if (!instructions) return section;
        entry.TypeId = static_cast<int32_t>(*typeId);
        entry.Instructions.reserve(*instructions);
        for (uint32_t k = 0; k < *instructions; ++k) {
            TTreeInstruction instruction;
            if (!ReadInstruction(in, instruction)) return section;
            entry.Instructions.push_back(instruction);
        }
        const auto mask = in.Hex(4);
        if (!mask) return section;
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
