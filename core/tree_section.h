// The tree section of a shader stream as plain data: component entries in evaluation order, each
// with its instructions and evaluation mask.
//
// Parsing is defined for every input. A stream that does not start with "XR" has no tree section.
// A section cut short anywhere (a missing count, type id, instruction field or mask) or with a
// character other than "0"–"9" and "A"–"F" in a hex field (lower-case digits included: such a
// stream was not written by this program, and reading the digit as 0 would build some other
// shader) yields the entries read so far with Complete false and the fault; the tree builder
// refuses to build from an incomplete section, since a half-read tree has no trustworthy result
// component. An unknown instruction letter becomes an instruction
// with Letter '?' that counts against the entry's instruction count; the builder reports it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

struct TTreeInstruction {
    char Letter = '?';   // 'C', 'V', 'S', 'M' ('E' is read as 'M'), '?' for an unknown letter
    int32_t Prop = 0;    // property index, one hex digit
    int32_t Part = -1;   // 0 … 2 or -1 (the whole property)
    float Constant = 0;  // 'C'
    uint32_t Value = 0;  // 'V': variable number; 'S': source position; 'M': the 16-bit value
};

struct TTreeSectionEntry {
    int32_t TypeId = 0;
    std::vector<TTreeInstruction> Instructions;
    int32_t Mask = 0;
};

enum class TTreeFault {
    kNone,
    kCutShort,  // the text ends inside the section
    kNotHex,    // a hex field holds another character
};

struct TTreeSection {
    std::vector<TTreeSectionEntry> Entries;
    bool Complete = false;
    TTreeFault Fault = TTreeFault::kNone;  // why it is not complete
};

inline constexpr uint32_t kTriggerConnectionBit = 0x8000;
// The letters that open a tree section.
inline constexpr std::string_view kTreeMagic = "XR";

// Nothing when the stream does not start with "XR". Reads only section 0.
std::optional<TTreeSection> ParseTreeSection(std::string_view stream);

// The tree section without the letters "XR".
std::string FormatTreeSection(const TTreeSection& section);

// True when no "M"/"E" instruction of a root entry (type id 1) sets property 6 or 7 to a non-zero
// value: the shader evaluates each output type on its own.
bool Scan(std::string_view stream);

}  // namespace vandrel
