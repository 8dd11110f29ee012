// The interface string: what a shader exposes to the host (section 2 of the shader stream), as
// plain data, and its reading and writing.
//
// Layout: three sections separated by "%".
//   1. Columns hex(2), the Order letter, the notice text (escaped) to the end of the section.
//   2. Triggers, separated by "|": index hex(2) (0-based), kind hex(2), "$", Label, "$",
//   SecondText,
//      "$", then by kind: 2 "I"/"F" + min, max, default, increment; 3 min U, max U, default U,
//      increment U, min V, max V, default V, increment V; 4 R, G, B + "W"/"S"; 6 the default item
//      hex(2). Floats are hex(8) of their bit pattern.
//   3. File slots, separated by "|": slot hex(2), "08", type letter, "$", Label, "$", DefaultFile.
// A shader without triggers or files carries "02D%%".
//
// Reading is defined for every input and never reads or writes out of range:
//   - Section 1: Columns is 2 when its two digits read above 1, else 1; missing digits keep 2.
//   Order
//     is "O" only for the letter "O", anything else (or nothing) reads as "D".
//   - A trigger entry is taken whole or not at all. It is skipped when it has fewer than three "$",
//     fewer than four characters before the first "$", an index of 20 or more, a kind other than
//     2, 3, 4, 6, or a field of its kind cut short. Characters between the kind and the first "$"
//     and after the kind's fields are ignored.
//   - A file entry is skipped when it has fewer than two "$", fewer than five characters before the
//     first "$", a slot of 5 or more, or a type letter other than "A", "T", "I", "B". The two kind
//     digits are not checked. DefaultFile runs to the end of the entry, so a cut entry keeps what
//     is left of it.
//   - A later entry for the same index replaces an earlier one. Empty entries and text after a
//   third
//     "%" are ignored. Non-hex characters in hex fields read as 0 (stream_codec.h).
//   - "I" marks an integer trigger, anything else not; "W" chooses the system dialog, anything else
//     the own picker.
// Trigger labels, second texts and the notice are kept in their escaped form, as stored. File
// labels and default files are kept plain: they are written as they are unless they hold a
// character that would break the string ("#", "$", "%", "&", "|" or a control character), in which
// case the whole text is escaped; reading decodes only well-formed escapes, so older strings, which
// store these texts raw, read unchanged. The item list that begins an enumeration trigger's second
// text is stored the same way ("@", which ends the list, is escaped too; ";" between the items
// stays): see EscapeItemList.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/thread_record.h"
#include "core/value_kind.h"

namespace vandrel {

inline constexpr int kFileSlotCount = 5;

// Picker choices of a colour trigger, kept in the low byte of Values[3].
inline constexpr uint8_t kOwnPicker = 0;     // "S"
inline constexpr uint8_t kSystemPicker = 1;  // "W"

struct TTriggerSettings {
    bool IsInteger = false;
    std::string Label;       // escaped
    std::string SecondText;  // escaped V label (UV), item list "@" item names (enumeration)
    int32_t Kind = kTrigger;
    // Numerical: min, max, default, increment. UV: min U, min V, max U, max V, default U,
    // default V, increment U, increment V. Colour: R, G, B, picker. Enumeration: default item.
    std::array<float, 8> Values{};

    // The enumeration's default item, held as an integer in the float's place.
    int32_t DefaultItem() const { return std::bit_cast<int32_t>(Values[0]); }
    void SetDefaultItem(int32_t item) { Values[0] = std::bit_cast<float>(item); }
    uint8_t PickerChoice() const { return std::bit_cast<uint32_t>(Values[3]) & 0xFFu; }
    void SetPickerChoice(uint8_t choice) {
        Values[3] =
            std::bit_cast<float>((std::bit_cast<uint32_t>(Values[3]) & ~0xFFu) | uint32_t{choice});
    }

    bool operator==(const TTriggerSettings&) const = default;
};

struct TFileSettings {
    std::string Label;  // plain text, e.g. "File 1"
    std::string DefaultFile;
    bool operator==(const TFileSettings&) const = default;
};

struct TInterfaceOptions {
    int32_t Columns = 2;     // 1 or 2
    char Order = 'D';        // 'D' down, then over; 'O' over, then down
    std::string NoticeText;  // escaped
    bool operator==(const TInterfaceOptions&) const = default;
};

struct TFileEntry {
    char Type = 'N';  // 'A' audio, 'T' texture, 'I' image, 'B' bump map
    TFileSettings Settings;
    bool operator==(const TFileEntry&) const = default;
};

// An interface string's content: the options and the triggers and file slots it lists.
struct TInterfaceData {
    TInterfaceOptions Options;
    std::array<std::optional<TTriggerSettings>, kTriggerCount> Triggers;
    std::array<std::optional<TFileEntry>, kFileSlotCount> Files;
    bool operator==(const TInterfaceData&) const = default;
};

// Never fails; see the rules above for what malformed parts yield. Safe on arbitrary bytes.
TInterfaceData ParseInterfaceString(std::string_view text);

// Writes every listed entry in index order. Triggers of a kind other than 2, 3, 4, 6 are left out.
std::string SerialiseInterfaceString(const TInterfaceData& data);

// The trigger's default as the three floats of a current value: numerical default; UV default U,
// V; colour R, G, B; enumeration the default item as a whole number; zeros for any other kind.
std::array<float, 3> TriggerDefaultValue(const TTriggerSettings& trigger);

// The component's item list as an enumeration trigger's SecondText stores it before the "@": as it
// is, or escaped whole when it holds a character that would break the string or the split at "@".
// UnescapeItemList gives the list back, and reads lists stored raw by older files unchanged.
std::string EscapeItemList(std::string_view items);
std::string UnescapeItemList(std::string_view stored);

// The two halves of an enumeration's SecondText, split at the first "@" (no "@": all list).
std::string_view EnumerationItemList(std::string_view secondText);
std::string_view EnumerationItemNames(std::string_view secondText);

bool IsFileType(char type);  // 'A', 'T', 'I' or 'B'

}  // namespace vandrel
