// The six "#"-separated sections of a shader stream, the categories section, the custom component
// section and the default stream of a new shader.
//
// Section k is the text between the k-th and the (k+1)-th "#" (section 0 starts the stream); a
// section that is absent reads as empty. Nothing here allocates per character or fails: every
// text splits into something.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

inline constexpr char kSectionSeparator = '#';
inline constexpr int kStreamSectionCount = 6;

enum StreamSectionIndex : int {
    kTreeSection = 0,          // "XR" and the evaluation tree
    kEditorSourceSection = 1,  // the editor's layout; empty in a protected shader
    kInterfaceSection = 2,     // the shader interface string
    kCategoriesSection = 3,    // four flags, by output type
    kInfoFileSection = 4,      // name of an attached information file, or empty
    kCustomSection = 5,        // custom component definitions, "|"-separated
};

// The stream of a new shader: a root fed from the incoming colour, transparency filter and
// shading normal, one editor window, no triggers or files, all four categories.
inline constexpr std::string_view kDefaultStream =
    "XR0001000105V0F0002V2F000AV3F002BS00008FS00009F000F#000100080008LV0005SLV000DLV002ES00010000"
    "0000SS%%0000#02D%%#TTTT";

// Section k of a stream; empty when absent or when k is negative.
std::string_view StreamSection(std::string_view stream, int k);

// Every "#"-separated piece, as many as the stream has (at least one), so that JoinSections gives
// the stream back unchanged. Pieces beyond the sixth are outside the format.
std::vector<std::string_view> SplitSections(std::string_view stream);

// The sections with "#" between them; n sections give n - 1 separators.
std::string JoinSections(std::span<const std::string_view> sections);
std::string JoinSections(std::initializer_list<std::string_view> sections);

// Output categories indexed by output type (0 Displacement, 1 Transparency, 2 Color,
// 3 Reflectance).
using TCategories = std::array<bool, 4>;

// Reads the first four characters as flags ("T" true, any other character false). A section of
// fewer than four characters, the missing one included, means all four categories.
TCategories ParseCategories(std::string_view section);
std::string WriteCategories(const TCategories& categories);

// One item of the custom component section: its type id (the item's first four hex digits) and
// the whole item text, type id included.
struct TCustomSectionItem {
    int32_t typeId = 0;
    std::string text;
};

// Splits the section at "|". An item shorter than four characters has no type id and is skipped.
std::vector<TCustomSectionItem> SplitCustomSection(std::string_view section);
std::string JoinCustomSection(std::span<const TCustomSectionItem> items);

}  // namespace vandrel
