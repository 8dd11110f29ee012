// What the "Shader Interface" window shows, as plain data: the entries of its drop-down, the texts
// of its fields and each trigger's page. The window only moves these to and from its controls.
//
// Texts are UTF-8. The model holds labels escaped; escaped texts that do not decode to valid UTF-8
// are read as Windows-1252, the code page older shaders were written in.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interface/interface_model.h"

namespace vandrel {

// ---- entries of the drop-down ------------------------------------------------------------------

struct TInterfaceEntry {
    bool File = false;  // a file slot, else a trigger
    int Index = -1;     // 0 … 4 or 0 … 19
    bool operator==(const TInterfaceEntry&) const = default;
};

// "File 1" … "File 5", "Trigger 1" … "Trigger 20".
std::string InterfaceEntryName(const TInterfaceEntry& entry);
// The inverse; nothing for any other text.
std::optional<TInterfaceEntry> ParseInterfaceEntryName(std::string_view name);
// The file slots in use, then the triggers in use, each in index order.
std::vector<TInterfaceEntry> UsedInterfaceEntries(const TUsageTable& usage);

// ---- texts -------------------------------------------------------------------------------------

// Stored text as valid UTF-8: kept when it is UTF-8 already, else read as Windows-1252.
std::string DisplayText(std::string_view text);
// Unescaped stored text for display.
std::string UnescapedText(std::string_view escaped);
// An enumeration item name escaped so that it cannot split the ";"-joined list: ";" is written as
// its escape too.
std::string EscapeItemName(std::string_view name);
// Whether the notice fits the 255 bytes the model stores.
bool NoticeFits(std::string_view text);

// ---- pages -------------------------------------------------------------------------------------

// What a trigger's page shows, with texts unescaped.
struct TTriggerPage {
    std::string Label;   // numerical, colour, enumeration; the U label of a UV trigger
    std::string VLabel;  // UV
    // Numerical: minimum, maximum, default, increment in U. UV: the same for U and for V.
    std::array<float, 4> U{};
    std::array<float, 4> V{};
    std::array<int, 3> Color{};  // 0 … 255
    bool SystemPicker = false;
    std::vector<std::string> Items;  // enumeration: the friendly item names
    int DefaultItem = -1;            // the marked item; -1 when the stored default names none
    bool operator==(const TTriggerPage&) const = default;
};

TTriggerPage LoadTriggerPage(const TTriggerSettings& settings, int32_t kind);
// Writes the page's fields of the kind into the settings; an enumeration with no marked item
// keeps its default. Does not touch the working record.
void StoreTriggerPage(const TTriggerPage& page, int32_t kind, TTriggerSettings& settings);

}  // namespace vandrel
