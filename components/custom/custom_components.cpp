#include "components/custom/custom_components.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/catalogue.h"
#include "core/context.h"
#include "core/factory.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/regular_file.h"
#include "core/search_path.h"
#include "core/stream_codec.h"
#include "core/tree_section.h"
#include "hostapi/hostapi.h"

namespace vandrel {

namespace {

constexpr int32_t kInnerPassMask = 255;
constexpr int32_t kLastTriggerVariable = kVarTrigger1 + kTriggerCount - 1;
static_assert(kSrfRevIndex == kHostBlockWords, "SrfRev follows the host block");

// Splits at `separator`, stepping over the two characters of every "&" escape: an escaped
// character can come out as "^" or ";" (223 as "&)^"), which must not split its field. Nothing
// when there are more than `maxPieces` pieces, so a hostile text cannot make a huge list.
std::optional<std::vector<std::string_view>> SplitEscaped(std::string_view text, char separator,
                                                          size_t maxPieces) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '&') {
            i += 3;
            continue;
        }
        if (text[i] == separator) {
            if (pieces.size() + 1 >= maxPieces) return std::nullopt;
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
        ++i;
    }
    pieces.push_back(text.substr(std::min(start, text.size())));
    return pieces;
}

// Exactly `digits` upper-case hex digits.
std::optional<uint32_t> ExactHex(std::string_view text, size_t digits) {
    if (text.size() != digits) return std::nullopt;
    uint32_t value = 0;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return std::nullopt;
        value = value * 16 + HexDigitValue(c);
    }
    return value;
}

bool IsDescriptorKind(uint32_t kind) {
    return kind == kNumerical || kind == kUV || kind == kVector || kind == kEnumeration;
}

// Escapes as the stream does, and "^" and ";" too, since they separate the fields of a
// descriptor and the items of an enumeration.
std::string EscapeField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        if (ch == '^' || ch == ';') {
            const auto c = static_cast<unsigned char>(ch);
            out += '&';
            out += static_cast<char>(39 + c / 84);
            out += static_cast<char>(39 + c % 84);
        } else {
            out += EscapeText(std::string_view(&ch, 1));
        }
    }
    return out;
}

std::optional<TCustomProperty> ParseDescriptor(std::string_view text) {
    const auto fields = SplitEscaped(text, '^', 5);
    if (!fields || fields->size() != 5) return std::nullopt;
    const auto& f = *fields;
    const auto kind = ExactHex(f[2], 2);
    if (!kind || !IsDescriptorKind(*kind)) return std::nullopt;
    TCustomProperty p;
    p.Name = UnescapeText(f[0]);
    p.Hint = UnescapeText(f[1]);
    p.Kind = static_cast<int32_t>(*kind);
    if (p.Kind == kEnumeration) {
        const auto value = ExactHex(f[4], 4);
        if (!value) return std::nullopt;
        p.Defaults[0] = static_cast<float>(*value);
        if (f[3].empty()) return p;
        // An enumeration has at most as many items as its text has characters.
        const auto items = SplitEscaped(f[3], ';', f[3].size() + 1);
        for (const std::string_view item : *items) p.Items.push_back(UnescapeText(item));
        return p;
    }
    const auto floats = static_cast<size_t>(FloatCount(p.Kind));
    if (f[4].size() != 8 * floats) return std::nullopt;
    for (size_t k = 0; k < floats; ++k) {
        const auto bits = ExactHex(f[4].substr(8 * k, 8), 8);
        if (!bits) return std::nullopt;
        p.Defaults[k] = std::bit_cast<float>(*bits);
    }
    if (p.Kind == kNumerical) {
        p.Whole = f[3] == "I";
    } else {
        p.PartLetters = UnescapeText(f[3]);
    }
    return p;
}

// The extra text of a descriptor, unescaped.
std::string ExtraText(const TCustomProperty& p) {
    switch (p.Kind) {
        case kNumerical:
            return p.Whole ? "I" : "";
        case kEnumeration: {
            std::string items;
            for (size_t i = 0; i < p.Items.size(); ++i) {
                if (i > 0) items += ';';
                items += p.Items[i];
            }
            return items;
        }
        default:
            return p.PartLetters;
    }
}

bool AllowedInside(int32_t typeId) {
    return typeId >= 0 && typeId <= kLastInnerTypeId && FindBuiltinCreator(typeId) != nullptr;
}

// A definition read into its parts, with the raw pieces and the inner tree section.
struct TParsedDefinition {
    TCustomDefinitionParts parts;
    std::string_view titleText;
    std::string_view propertyText;
    TTreeSection section;
};

std::optional<TParsedDefinition> ParseDefinition(std::string_view definition,
                                                 CustomDefinitionError* error) {
    const auto fail = [&](CustomDefinitionError e) -> std::optional<TParsedDefinition> {
        if (error != nullptr) *error = e;
        return std::nullopt;
    };
    if (definition.find_first_of("#|\r\n") != std::string_view::npos) {
        return fail(CustomDefinitionError::kMalformed);
    }
    const auto pieces = SplitEscaped(definition, '%', 3);
    if (!pieces || pieces->size() != 3) return fail(CustomDefinitionError::kMalformed);
    TParsedDefinition parsed;
    parsed.titleText = (*pieces)[0];
    parsed.propertyText = (*pieces)[1];
    const auto title = SplitEscaped(parsed.titleText, '$', 2);
    if (!title || title->size() != 2) return fail(CustomDefinitionError::kMalformed);
    parsed.parts.Title = UnescapeText((*title)[0]);
    parsed.parts.Hint = UnescapeText((*title)[1]);

    if (!parsed.propertyText.empty()) {
        const auto descriptors = SplitEscaped(parsed.propertyText, '$', kMaxCustomProperties);
        if (!descriptors) return fail(CustomDefinitionError::kTooManyProperties);
        for (const std::string_view d : *descriptors) {
            auto property = ParseDescriptor(d);
            if (!property) return fail(CustomDefinitionError::kMalformed);
            parsed.parts.Properties.push_back(std::move(*property));
        }
    }

    parsed.parts.InnerTree = std::string((*pieces)[2]);
    auto section = ParseTreeSection(std::string(kTreeMagic).append(parsed.parts.InnerTree));
    if (!section || !section->Complete || section->Entries.empty()) {
        return fail(CustomDefinitionError::kMalformed);
    }
    for (const TTreeSectionEntry& entry : section->Entries) {
        if (!AllowedInside(entry.TypeId)) return fail(CustomDefinitionError::kNotAllowedInside);
    }
    parsed.section = std::move(*section);
    if (error != nullptr) *error = CustomDefinitionError::kNone;
    return parsed;
}

bool IsTrigger(uint32_t variable) {
    return variable >= static_cast<uint32_t>(kVarTrigger1) &&
           variable <= static_cast<uint32_t>(kLastTriggerVariable);
}

// The inner tree varies only with its triggers when it reads no other variable and every one of
// its components may be folded.
bool DependsOnTriggersOnly(const TTreeSection& section) {
    for (const TTreeSectionEntry& entry : section.Entries) {
        if (!IsConstantFoldable(entry.TypeId)) return false;
        for (const TTreeInstruction& in : entry.Instructions) {
            if (in.Letter == 'V' && !IsTrigger(in.Value)) return false;
            if (in.Letter == 'M' && (in.Value & kTriggerConnectionBit) != 0 &&
                !IsTrigger(in.Value - kTriggerConnectionBit)) {
                return false;
            }
        }
    }
    return true;
}

std::string_view DefinitionOfItem(std::string_view item) {
    return item.size() >= 5 && item[4] == '%' ? item.substr(5) : std::string_view{};
}

}  // namespace

std::optional<TCustomDefinitionParts> ParseCustomDefinition(std::string_view definition,
                                                            CustomDefinitionError* error) {
    auto parsed = ParseDefinition(definition, error);
    if (!parsed) return std::nullopt;
    return std::move(parsed->parts);
}

std::string FormatCustomDefinition(const TCustomDefinitionParts& parts) {
    std::string out = EscapeField(parts.Title);
    out += '$';
    out += EscapeField(parts.Hint);
    out += '%';
    for (size_t i = 0; i < parts.Properties.size(); ++i) {
        const TCustomProperty& p = parts.Properties[i];
        if (i > 0) out += '$';
        out += EscapeField(p.Name);
        out += '^';
        out += EscapeField(p.Hint);
        out += '^';
        AppendHex(out, static_cast<uint32_t>(p.Kind), 2);
        out += '^';
        if (p.Kind == kEnumeration) {
            for (size_t k = 0; k < p.Items.size(); ++k) {
                if (k > 0) out += ';';
                out += EscapeField(p.Items[k]);
            }
        } else if (p.Kind == kNumerical) {
            if (p.Whole) out += 'I';
        } else {
            out += EscapeField(p.PartLetters);
        }
        out += '^';
        if (p.Kind == kEnumeration) {
            AppendHex(out, static_cast<uint32_t>(ToInt32(p.Defaults[0])), 4);
        } else {
            for (int k = 0; k < FloatCount(p.Kind); ++k) AppendFloat(out, p.Defaults[k]);
        }
    }
    out += '%';
    out += parts.InnerTree;
    return out;
}

std::optional<std::string> MakeCustomDefinition(const TCustomDefinitionParts& parts) {
    if (const auto section = ParseTreeSection("XR" + parts.InnerTree)) {
        for (const TTreeSectionEntry& entry : section->Entries) {
            if (entry.TypeId > kLastInnerTypeId) {
                ShowError(kSubtreeNotAllowed);
                return std::nullopt;
            }
        }
    }
    if (parts.Properties.size() > static_cast<size_t>(kMaxCustomProperties)) {
        ShowError(kTooManyCustomProperties);
        return std::nullopt;
    }
    std::string text = FormatCustomDefinition(parts);
    if (!ParseDefinition(text, nullptr)) return std::nullopt;
    return text;
}

int32_t InsertCustomDefinition(TXRTree& tree, std::string_view definition) {
    if (!ParseDefinition(definition, nullptr)) return 0;
    int32_t largest = 0;
    for (const TCustomDefinition& item : tree.CustomTable) {
        if (DefinitionOfItem(item.Text) == definition) return item.TypeId;
        largest = std::max(largest, item.TypeId);
    }
    int32_t id = std::max(largest + 1, kFirstCustomTypeId);
    if (id > kLastCustomTypeId) {
        // Written as hex(4), a larger id would come back as a different one.
        std::vector<char> taken(kLastCustomTypeId - kFirstCustomTypeId + 1, 0);
        for (const TCustomDefinition& item : tree.CustomTable) {
            if (item.TypeId >= kFirstCustomTypeId && item.TypeId <= kLastCustomTypeId) {
                taken[static_cast<size_t>(item.TypeId - kFirstCustomTypeId)] = 1;
            }
        }
        const auto free = std::find(taken.begin(), taken.end(), 0);
        if (free == taken.end()) return 0;
        id = kFirstCustomTypeId + static_cast<int32_t>(free - taken.begin());
    }
    std::string text;
    AppendHex(text, static_cast<uint32_t>(id), 4);
    text += '%';
    text += definition;
    tree.CustomTable.push_back({id, std::move(text), false});
    return id;
}

namespace {

// The file's first line, when the file is "SC" and a definition on one line (as component files
// are stored elsewhere) or those two lines with the checksum line that this program writes.
std::optional<std::string> ComponentFileLine(const std::filesystem::path& path) {
    std::string text;
    if (!ReadRegularFile(path, kMaxStreamBytes + 64, text)) return std::nullopt;
    const size_t eol = text.find('\n');
    const bool oneLine =
        eol == std::string::npos || text.find_first_not_of(" \t\r\n", eol) == std::string::npos;
    if (oneLine) {
        std::string line = text.substr(0, eol);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    // A checksum line must match.
    const TLoadedShader loaded = ReadShaderText(text);
    if (loaded.status != ShaderFileStatus::kCurrent && loaded.status != ShaderFileStatus::kOlder)
        return std::nullopt;
    return loaded.stream;
}

}  // namespace

std::optional<std::string> ReadCustomComponentFile(const std::filesystem::path& path) {
    const std::optional<std::string> line = ComponentFileLine(path);
    const std::string_view text = line ? std::string_view(*line) : std::string_view();
    if (!line || !text.starts_with(kComponentFileMagic) ||
        !ParseDefinition(text.substr(kComponentFileMagic.size()), nullptr)) {
        ShowError(kComponentFileCorrupted);
        return std::nullopt;
    }
    return std::string(text.substr(kComponentFileMagic.size()));
}

TSaveResult WriteCustomComponentFile(const std::filesystem::path& path,
                                     std::string_view definition) {
    if (!ParseDefinition(definition, nullptr)) {
        return {false, "not a usable custom component definition"};
    }
    std::string text(kComponentFileMagic);
    text += definition;
    return SaveShaderFile(path, text);
}

TXRCCustom::TXRCCustom() : TXRPropertyComponent(nullptr, &layout_) {
    SetStorage({inputs_.data(), constants_.data(), nullptr, enums_.data(), enumRefs_.data()});
    TXRCCustom::Create();
}

TXRCCustom::~TXRCCustom() {
    if (outer_ != nullptr) outer_->CustomCost -= cost_;
}

void TXRCCustom::Create() {
    InnerInstance.reset();
    InnerContext = std::make_unique<TThreadRecord>();
    // A record reads the animation values once, when it is made.
    float* vars = InnerContext->Variables.data();
    vars[kFrameIndex] = hxAnimGetActiveTime();
    hxAnimGetPlayRanges(&vars[kStartFrameIndex], &vars[kEndFrameIndex]);
    vars[kFrameRateIndex] = hxAnimGetBaseFramerate();
    InnerInstance = std::make_unique<TShaderInstance>(*InnerContext, std::string());
    InnerTree = &InnerInstance->Tree;
    TXRPropertyComponent::Create();
}

// The descriptors as a property table; the names stay with the descriptors, which the
// component keeps.
void TXRCCustom::MakeTable() {
    static_assert(kMaxCustomProperties <= kMaxProperties);
    table_.clear();
    for (const TCustomProperty& d : descriptors_) {
        PropertySpec declared{d.Name.c_str(), static_cast<ValueKind>(d.Kind), d.Defaults,
                              d.Kind == kNumerical && d.Whole};
        if (d.Kind == kEnumeration)
            declared.defaults[0] = static_cast<float>(RoundHalfEven(d.Defaults[0]));
        table_.push_back(declared);
    }
    // The output is the inner tree's, not the layout's.
    layout_ = MakeLayout(table_, kUndefined);
    SetTable(table_.data(), &layout_);
    TXRPropertyComponent::Create();
}

std::shared_ptr<const TParsedCustomDefinition> ReadCustomItem(std::string_view item) {
    auto read = std::make_shared<TParsedCustomDefinition>();
    TStreamReader reader(item);
    const auto id = reader.Hex(4);
    if (!id || item.size() < 5 || item[4] != '%') return read;
    const std::string_view definition = item.substr(5);
    auto parsed = ParseDefinition(definition, nullptr);
    if (!parsed) return read;
    read->TypeId = static_cast<int32_t>(*id);
    read->DefinitionSize = definition.size();
    read->TitleText = std::string(parsed->titleText);
    read->PropertyText = std::string(parsed->propertyText);
    read->Pure = DependsOnTriggersOnly(parsed->section);
    read->Section = std::move(parsed->section);
    read->Parts = std::move(parsed->parts);
    read->Usable = true;
    return read;
}

bool TXRCCustom::Load(std::string_view item, TXRTree* outer) {
    return Load(*ReadCustomItem(item), outer);
}

bool TXRCCustom::Load(const TParsedCustomDefinition& item, TXRTree* outer) {
    if (!item.Usable) return false;
    const int64_t cost = static_cast<int64_t>(item.DefinitionSize) + kCustomInstanceCost;
    if (outer != nullptr && outer->CustomCost + cost > kMaxCustomCostPerTree) return false;

    SetTypeId(item.TypeId);
    TitleText = item.TitleText;
    PropertyText = item.PropertyText;
    title_ = item.Parts.Title;
    hint_ = item.Parts.Hint;
    descriptors_ = item.Parts.Properties;
    MakeTable();
    InnerStream = "XR" + item.Parts.InnerTree;
    pure_ = item.Pure;

    InnerTree->LinkedTree = outer;
    InnerInstance->Built = InnerTree->BuildFromSection(item.Section);
    if (!InnerInstance->Built) return false;
    outer_ = outer;
    cost_ = cost;
    if (outer_ != nullptr) outer_->CustomCost += cost_;
    return true;
}

int32_t TXRCCustom::OutputKind() const { return InnerTree->RootOutputKind; }

float* TXRCCustom::OutputAddress() { return InnerTree->RootOutputAddress; }

void TXRCCustom::Evaluate(bool inHost) {
    float* vars = InnerContext->Variables.data();
    float* trigger = vars + kTriggerAreaIndex;
    for (int32_t p = 0; p < layout_.propertyCount; ++p, trigger += 3) {
        const PropertySlot& slot = layout_.properties[p];
        const std::array<float, 3>& defaults = table_[static_cast<size_t>(p)].defaults;
        int k = 0;
        if (slot.kind == kEnumeration) {
            // A connected enumeration hands its source's value on as it is; the inner tree rounds
            // where it reads an enumeration.
            const float* ref = enumRefs_[static_cast<size_t>(slot.first)];
            trigger[k++] =
                ref != nullptr ? *ref : static_cast<float>(enums_[static_cast<size_t>(slot.first)]);
        } else {
            for (; k < slot.count; ++k) trigger[k] = *inputs_[static_cast<size_t>(slot.first + k)];
        }
        for (; k < 3; ++k) trigger[k] = defaults[static_cast<size_t>(k)];
    }
    if (Context != nullptr) {
        std::memcpy(vars, Context->Variables.data(), sizeof(float) * (kHostBlockWords + 1));
    }
    InnerTree->InHost = inHost;
    InnerTree->Evaluate(kInnerPassMask);
}

const TCustomProperty* TXRCCustom::Descriptor(int32_t prop) const {
    return prop >= 0 && prop < static_cast<int32_t>(descriptors_.size())
               ? &descriptors_[static_cast<size_t>(prop)]
               : nullptr;
}

std::string TXRCCustom::GetEnumItems(int32_t prop) const {
    const TCustomProperty* d = Descriptor(prop);
    return d != nullptr ? ExtraText(*d) : "Error";
}

std::string TXRCCustom::GetPropertyName(int32_t prop) const {
    const TCustomProperty* d = Descriptor(prop);
    return d != nullptr ? d->Name : "Error";
}

std::string TXRCCustom::GetPropertyHint(int32_t prop) const {
    const TCustomProperty* d = Descriptor(prop);
    return d != nullptr ? d->Hint : "Error";
}

std::string TXRCCustom::GetPartLetters(int32_t prop) const {
    const TCustomProperty* d = Descriptor(prop);
    return d != nullptr ? ExtraText(*d) : "XYZ";
}

std::unique_ptr<TXRComponent> CreateCustomComponentFrom(TXRTree& tree,
                                                        TCustomDefinition& definition) {
    if (definition.Parsed == nullptr) definition.Parsed = ReadCustomItem(definition.Text);
    // An unusable definition stays read as such: every further instance is refused at once.
    if (!definition.Parsed->Usable) return nullptr;
    auto custom = std::make_unique<TXRCCustom>();
    custom->Bind(tree.Context, tree.Instance);
    if (!custom->Load(*definition.Parsed, &tree)) return nullptr;
    return custom;
}

bool CustomComponentIsFoldable(const TXRComponent& component) {
    const auto* custom = dynamic_cast<const TXRCCustom*>(&component);
    return custom != nullptr && custom->DependsOnPropertiesOnly();
}

}  // namespace vandrel
