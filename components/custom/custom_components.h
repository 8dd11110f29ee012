// Custom components: saved subtrees used as one component.
//
// A definition is one line of text: escaped title "$" escaped hint, "%", the property descriptors
// separated by "$", "%", and the inner tree section without its letters "XR". A descriptor is five
// "^"-separated sub-fields: escaped name, escaped hint, kind as hex(2) (2 Numerical, 3 UV,
// 4 Vector, 6 Enumeration), an extra text ("I" for a whole count, "UV", the part letters, or the
// escaped enumeration items separated by ";") and the defaults (one, two or three floats, or the
// enumeration value as hex(4)). In a shader's custom table a definition is prefixed with its type
// id as hex(4) and "%"; a component file (".xrc") holds "SC" and the definition on its first line.
// Files written here add the checksum of that line on a second line, as a shader file does; files
// with just the one line, as they come from elsewhere, are read too.
//
// Definitions are untrusted. One is usable only when every piece is complete, it has at most 16
// descriptors of the four kinds, its inner tree section is complete and names only built-in
// components that are neither file-based nor custom (so definitions never nest), and it holds no
// "#", "|" or line break (which would split the stream or the file it is stored in). Anything
// else is refused as a whole; nothing is half loaded.
//
// TXRCCustom owns an inner tree with its own evaluation record and shader instance. Each property
// feeds trigger n + 1 of the inner record; Evaluate copies them and the outer record's shading
// block in and runs one pass of the inner tree, whose result component's output is read in place
// as this component's output. Evaluate allocates nothing.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/instance.h"
#include "core/shader_file.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "core/tree_section.h"

namespace vandrel {

inline constexpr int32_t kFirstCustomTypeId = 32769;
inline constexpr int32_t kLastCustomTypeId = 65535;  // type ids are hex(4) in the stream
inline constexpr int32_t kMaxCustomProperties = 16;
// Inner trees may hold built-in components up to this id; above it lie the file-based ones.
inline constexpr int32_t kLastInnerTypeId = 1100;
// Definition bytes one tree may hold in custom components, each instance counted with
// kCustomInstanceCost more for its record, instance and tree.
inline constexpr int64_t kMaxCustomCostPerTree = int64_t{16} << 20;
inline constexpr int64_t kCustomInstanceCost = 256;

inline constexpr std::string_view kComponentFileMagic = "SC";
inline constexpr std::string_view kComponentFileCorrupted = "Component file corrupted.";
inline constexpr std::string_view kTooManyCustomProperties =
    "Maximum number of properties for a custom component is 16.";
inline constexpr std::string_view kSubtreeNotAllowed =
    "This subtree contains file-based and/or custom components.\n"
    "File-based and custom components cannot be used to build a custom component.";

// One property of a definition, unescaped.
struct TCustomProperty {
    std::string Name;
    std::string Hint;
    int32_t Kind = kNumerical;
    bool Whole = false;               // Numerical: holds a whole count
    std::string PartLetters;          // UV and Vector
    std::vector<std::string> Items;   // Enumeration
    std::array<float, 3> Defaults{};  // Enumeration: Defaults[0] is the value

    bool operator==(const TCustomProperty&) const = default;
};

struct TCustomDefinitionParts {
    std::string Title;
    std::string Hint;
    std::vector<TCustomProperty> Properties;
    std::string InnerTree;  // the tree section without "XR"

    bool operator==(const TCustomDefinitionParts&) const = default;
};

enum class CustomDefinitionError {
    kNone,
    kMalformed,          // a piece is missing, cut short or of the wrong shape
    kTooManyProperties,  // more than 16 descriptors
    kNotAllowedInside,   // the inner tree names a file-based, custom or unknown component
};

// A custom table item (type id, "%", definition) as read, shared by every component made from it.
struct TParsedCustomDefinition {
    bool Usable = false;
    int32_t TypeId = 0;
    size_t DefinitionSize = 0;  // bytes of the definition, for the tree's cost
    TCustomDefinitionParts Parts;
    std::string TitleText;     // title "$" hint, escaped
    std::string PropertyText;  // the descriptors
    TTreeSection Section;      // the inner tree
    bool Pure = false;         // the inner tree reads nothing but its triggers
};

// Reads a custom table item; the result says whether it is usable.
std::shared_ptr<const TParsedCustomDefinition> ReadCustomItem(std::string_view item);

// Reads a definition (without type id); nothing, and the reason, when it is not usable.
std::optional<TCustomDefinitionParts> ParseCustomDefinition(std::string_view definition,
                                                            CustomDefinitionError* error = nullptr);

// Writes a definition. Besides the stream's escapes, "^" and ";" inside texts are escaped too, so
// that a name or an item holding them cannot split its descriptor.
std::string FormatCustomDefinition(const TCustomDefinitionParts& parts);

// The definition of a subtree made into a component: refused, with the editor's message, when the
// subtree holds file-based or custom components or has more than 16 properties; nothing without a
// message when the parts do not make a usable definition for any other reason.
std::optional<std::string> MakeCustomDefinition(const TCustomDefinitionParts& parts);

// Registers a definition with a shader's custom table and returns its type id: the id of an
// identical definition already there, else the largest id plus 1 and at least 32769; when that
// would pass 65535, the lowest free id from 32769 on. 0 when the definition is not usable or no
// id is free.
int32_t InsertCustomDefinition(TXRTree& tree, std::string_view definition);

// The factory the core asks for the custom components of a tree: a component from a definition
// of the tree's custom table, read on first use and kept in it; nothing when the definition cannot
// be used.
std::unique_ptr<TXRComponent> CreateCustomComponentFrom(TXRTree& tree,
                                                        TCustomDefinition& definition);
// Whether such a component computes from its properties alone, so that constant folding may
// evaluate it once; one whose inner tree reads shading variables or the host may not be folded.
bool CustomComponentIsFoldable(const TXRComponent& component);

// The definition of a component file; "Component file corrupted." is shown and nothing returned
// when the file cannot be read, has a second line that is not its checksum, does not begin with
// "SC" or holds no usable definition.
std::optional<std::string> ReadCustomComponentFile(const std::filesystem::path& path);
// Writes "SC" + definition and its checksum line, through a temporary file and a rename. A
// definition that is not usable is refused.
TSaveResult WriteCustomComponentFile(const std::filesystem::path& path,
                                     std::string_view definition);

// The properties are the definition's descriptors, made into a property table when the
// definition is loaded, so that references, constants and enumerations work as in every other
// component.
class TXRCCustom final : public TXRPropertyComponent {
  public:
    TXRCCustom();
    ~TXRCCustom() override;

    // Loads a custom table item (type id as hex(4), "%", definition) and builds the inner tree.
    // The inner tree is linked to `outer`, the tree this component is evaluated in, so that host
    // calls made inside it protect the outer tree too. False when the item is not usable; the
    // component must then be discarded.
    bool Load(std::string_view item, TXRTree* outer);
    // The same from an item read already.
    bool Load(const TParsedCustomDefinition& item, TXRTree* outer);

    // Fields, in declaration order.
    std::string TitleText;     // title "$" hint, escaped
    std::string PropertyText;  // the descriptors
    TXRTree* InnerTree = nullptr;
    std::unique_ptr<TThreadRecord> InnerContext;
    std::unique_ptr<TShaderInstance> InnerInstance;
    std::string InnerStream;  // "XR" + the inner tree section

    // True when the inner tree reads nothing but its triggers and calls no host operation.
    bool DependsOnPropertiesOnly() const { return pure_; }

    int32_t OutputKind() const override;
    std::string GetTitle() const override { return title_; }
    std::string GetTitleHint() const override { return hint_; }
    void Create() override;
    void Evaluate(bool inHost) override;
    float* OutputAddress() override;
    std::string GetEnumItems(int32_t prop) const override;
    std::string GetPropertyName(int32_t prop) const override;
    std::string GetPropertyHint(int32_t prop) const override;
    std::string GetPartLetters(int32_t prop) const override;
    char FileKind() const override { return ' '; }

  private:
    const TCustomProperty* Descriptor(int32_t prop) const;
    void MakeTable();

    static constexpr size_t kMaxParts = 3 * kMaxCustomProperties;

    std::string title_;
    std::string hint_;
    std::vector<TCustomProperty> descriptors_;
    std::vector<PropertySpec> table_;
    ComponentLayout layout_;
    std::array<float*, kMaxParts> inputs_{};
    std::array<float, kMaxParts> constants_{};
    std::array<int32_t, kMaxCustomProperties> enums_{};
    std::array<float*, kMaxCustomProperties> enumRefs_{};
    bool pure_ = false;
    TXRTree* outer_ = nullptr;
    int64_t cost_ = 0;
};

}  // namespace vandrel
