#include "core/editor_source.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <unordered_map>

#include "core/catalogue.h"
#include "core/component.h"
#include "core/factory.h"
#include "core/root.h"
#include "core/stream_codec.h"

namespace vandrel {

bool TScalarCode::operator==(const TScalarCode& other) const {
    if (kind != other.kind) return false;
    if (kind == kVariable) return variable == other.variable;
    if (kind == kConstant)
        return std::bit_cast<uint32_t>(constant) == std::bit_cast<uint32_t>(other.constant);
    return true;
}

TPropertyCode TPropertyCode::Scalar(TScalarCode code) {
    TPropertyCode p;
    p.form = kScalar;
    p.scalar = code;
    return p;
}

TPropertyCode TPropertyCode::Whole(TScalarCode code) {
    TPropertyCode p;
    p.form = kWhole;
    p.scalar = code;
    return p;
}

TPropertyCode TPropertyCode::Parts(std::initializer_list<TScalarCode> codes) {
    TPropertyCode p;
    p.form = kParts;
    for (const TScalarCode& code : codes) {
        if (p.partCount == 3) break;
        p.parts[p.partCount++] = code;
    }
    return p;
}

TPropertyCode TPropertyCode::EnumValue(uint32_t value) {
    TPropertyCode p;
    p.form = kEnumValue;
    p.value = value;
    return p;
}

TPropertyCode TPropertyCode::EnumVariable(uint32_t variable) {
    TPropertyCode p;
    p.form = kEnumVariable;
    p.value = variable;
    return p;
}

TPropertyCode TPropertyCode::File(int32_t number, char kind) {
    TPropertyCode p;
    p.form = kFile;
    p.fileNumber = number;
    p.fileKind = kind;
    return p;
}

bool TPropertyCode::operator==(const TPropertyCode& other) const {
    if (form != other.form) return false;
    switch (form) {
        case kScalar:
        case kWhole:
            return scalar == other.scalar;
        case kParts:
            return partCount == other.partCount &&
                   std::equal(parts.begin(), parts.begin() + partCount, other.parts.begin());
        case kEnumValue:
        case kEnumVariable:
            return value == other.value;
        case kFile:
            return fileNumber == other.fileNumber && fileKind == other.fileKind;
    }
    return false;
}

std::vector<ValueKind> BuiltinPropertyKinds(int32_t typeId) {
    std::vector<ValueKind> kinds;
    if (typeId == TXRCRoot::kTypeId) {
        for (const PropertySpec& declared : kRootProps) kinds.push_back(declared.kind);
        return kinds;
    }
    if (const CatalogueRow* row = FindCatalogueRow(typeId)) {
        for (const PropertySpec& p : row->properties) kinds.push_back(p.kind);
    }
    return kinds;
}

PropertyKindsFn PropertyKindsWith(TCustomComponentSource& customs) {
    return [&customs](int32_t typeId) {
        std::vector<ValueKind> kinds = BuiltinPropertyKinds(typeId);
        if (!kinds.empty() || typeId == 0) return kinds;
        if (const auto custom = customs.CreateCustomComponent(typeId)) {
            for (int32_t p = 0; p < custom->PropertyCount(); ++p)
                kinds.push_back(static_cast<ValueKind>(custom->PropertyKind(p)));
        }
        return kinds;
    };
}

namespace {

// Splits at a separator; an empty text has no items.
std::vector<std::string_view> SplitItems(std::string_view text, char separator) {
    std::vector<std::string_view> items;
    if (text.empty()) return items;
    for (;;) {
        const size_t at = text.find(separator);
        items.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return items;
        text.remove_prefix(at + 1);
    }
}

std::optional<TScalarCode> ReadScalar(TStreamReader& in, bool allowConstant) {
    const auto letter = in.Char();
    if (!letter) return std::nullopt;
    switch (*letter) {
        case 'S':
            return TScalarCode::Source();
        case 'V':
            if (const auto v = in.Hex(4)) return TScalarCode::Variable(*v);
            return std::nullopt;
        case 'C':
            if (!allowConstant) return std::nullopt;
            if (const auto f = in.Float()) return TScalarCode::Constant(*f);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<TPropertyCode> ReadCode(TStreamReader& in, ValueKind kind) {
    switch (kind) {
        case kNumerical:
            if (const auto s = ReadScalar(in, true)) return TPropertyCode::Scalar(*s);
            return std::nullopt;
        case kUV:
        case kVector: {
            const auto form = in.Char();
            if (form == 'L') {
                if (const auto s = ReadScalar(in, false)) return TPropertyCode::Whole(*s);
                return std::nullopt;
            }
            if (form != 'U') return std::nullopt;
            TPropertyCode code;
            code.form = TPropertyCode::kParts;
            code.partCount = FloatCount(kind);
            for (int32_t k = 0; k < code.partCount; ++k) {
                const auto s = ReadScalar(in, true);
                if (!s) return std::nullopt;
                code.parts[k] = *s;
            }
            return code;
        }
        case kEnumeration: {
            const auto rest = in.Rest();
            if (!rest.empty() && rest.front() == 'V') {
                in.Char();
                if (const auto v = in.Hex(4)) return TPropertyCode::EnumVariable(*v);
                return std::nullopt;
            }
            if (const auto v = in.Hex(4)) return TPropertyCode::EnumValue(*v);
            return std::nullopt;
        }
        case kFile: {
            const auto number = in.Part();
            const auto letter = in.Char();
            if (!number || !letter) return std::nullopt;
            return TPropertyCode::File(*number, *letter);
        }
        default:
            return std::nullopt;  // no code is defined for other kinds
    }
}

TEditorWindow ReadWindow(std::string_view item, const PropertyKindsFn& kinds) {
    TEditorWindow window;
    TStreamReader in(item);
    const auto id = in.Hex(4);
    const auto left = in.Signed16();
    const auto top = in.Signed16();
    if (!id || !left || !top) {
        window.typeId = kUnreadWindow;
        window.unread = std::string(item);
        return window;
    }
    window.typeId = static_cast<int32_t>(*id);
    window.left = *left;
    window.top = *top;
    const std::vector<ValueKind> propertyKinds =
        kinds ? kinds(window.typeId) : std::vector<ValueKind>{};
    for (const ValueKind kind : propertyKinds) {
        const std::string_view before = in.Rest();
        if (before.empty() || before.front() == '\0') break;
        auto code = ReadCode(in, kind);
        if (!code) {
            window.unread = std::string(before);
            return window;
        }
        window.codes.push_back(*code);
    }
    window.unread = std::string(in.Rest());
    return window;
}

void AppendScalar(std::string& out, const TScalarCode& code) {
    switch (code.kind) {
        case TScalarCode::kSource:
            out += 'S';
            break;
        case TScalarCode::kVariable:
            out += 'V';
            AppendHex(out, code.variable, 4);
            break;
        case TScalarCode::kConstant:
            out += 'C';
            AppendFloat(out, code.constant);
            break;
    }
}

void AppendCode(std::string& out, const TPropertyCode& code) {
    switch (code.form) {
        case TPropertyCode::kScalar:
            AppendScalar(out, code.scalar);
            break;
        case TPropertyCode::kWhole:
            out += 'L';
            // A whole property has no constant code; a constant is written as its source "S".
            AppendScalar(out, code.scalar.kind == TScalarCode::kConstant ? TScalarCode::Source()
                                                                         : code.scalar);
            break;
        case TPropertyCode::kParts:
            out += 'U';
            for (int32_t k = 0; k < std::clamp(code.partCount, 0, 3); ++k) {
                AppendScalar(out, code.parts[k]);
            }
            break;
        case TPropertyCode::kEnumValue:
            AppendHex(out, code.value, 4);
            break;
        case TPropertyCode::kEnumVariable:
            out += 'V';
            AppendHex(out, code.value, 4);
            break;
        case TPropertyCode::kFile:
            if (code.fileNumber >= 0 && code.fileNumber <= 14) {
                AppendHex(out, static_cast<uint32_t>(code.fileNumber), 1);
            } else {
                out += 'F';
            }
            out += code.fileKind;
            break;
    }
}

}  // namespace

TEditorSource ParseEditorSource(std::string_view section) {
    return ParseEditorSource(section, BuiltinPropertyKinds);
}

TEditorSource ParseEditorSource(std::string_view section, const PropertyKindsFn& kinds) {
    std::array<std::string_view, 4> parts{};
    for (size_t i = 0; i < parts.size(); ++i) {
        const size_t at = section.find('%');
        parts[i] = section.substr(0, at);
        if (at == std::string_view::npos) break;
        section.remove_prefix(at + 1);
    }

    TEditorSource source;
    // The kinds of a type once per type: a custom type's come from making one of its components.
    std::unordered_map<int32_t, std::vector<ValueKind>> known;
    const PropertyKindsFn once = [&](int32_t typeId) {
        auto found = known.find(typeId);
        if (found == known.end()) {
            found = known.emplace(typeId, kinds ? kinds(typeId) : std::vector<ValueKind>{}).first;
        }
        return found->second;
    };
    for (const std::string_view item : SplitItems(parts[0], '|')) {
        source.windows.push_back(ReadWindow(item, once));
    }
    for (const std::string_view item : SplitItems(parts[1], '|')) {
        TStreamReader in(item);
        const auto from = in.Hex(4);
        const auto to = in.Hex(4);
        const auto property = in.Hex(1);
        const auto part = in.Part();
        if (!from || !to || !property || !part) continue;
        // A part beyond 2 is outside the format: it counts as the whole, as it is written back.
        const int32_t whole = *part <= 2 ? *part : -1;
        source.connections.push_back({*from, *to, static_cast<int32_t>(*property), whole});
    }
    TStreamReader root(parts[2]);
    const auto rootWindow = root.Hex(4);
    source.rootWindow = rootWindow ? static_cast<int32_t>(*rootWindow) : -1;
    source.folds.reserve(parts[3].size());
    for (const char c : parts[3]) source.folds.push_back(static_cast<uint8_t>(HexDigitValue(c)));
    return source;
}

std::string WriteEditorSource(const TEditorSource& source) {
    std::string out;
    for (size_t i = 0; i < source.windows.size(); ++i) {
        const TEditorWindow& window = source.windows[i];
        if (i > 0) out += '|';
        if (window.typeId != kUnreadWindow) {
            AppendHex(out, static_cast<uint32_t>(window.typeId), 4);
            AppendSigned16(out, window.left);
            AppendSigned16(out, window.top);
            for (const TPropertyCode& code : window.codes) AppendCode(out, code);
        }
        out += window.unread;
    }
    out += '%';
    for (size_t i = 0; i < source.connections.size(); ++i) {
        const TEditorConnection& c = source.connections[i];
        if (i > 0) out += '|';
        AppendHex(out, c.source, 4);
        AppendHex(out, c.consumer, 4);
        AppendHex(out, static_cast<uint32_t>(c.property), 1);
        AppendPart(out, c.part);
    }
    out += '%';
    if (source.rootWindow >= 0) AppendHex(out, static_cast<uint32_t>(source.rootWindow), 4);
    // Without fold states the fourth part is left out, as in the default stream.
    if (source.folds.empty()) return out;
    out += '%';
    for (const uint8_t fold : source.folds) AppendHex(out, fold, 1);
    return out;
}

}  // namespace vandrel
