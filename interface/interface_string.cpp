#include "interface/interface_string.h"

#include <span>

#include "core/stream_codec.h"

namespace vandrel {

namespace {

// The pieces of text between separators; the last piece runs to the end.
class TSplitter {
  public:
    TSplitter(std::string_view text, char separator) : text_(text), separator_(separator) {}

    std::optional<std::string_view> Next() {
        if (done_) return std::nullopt;
        const size_t end = text_.find(separator_, pos_);
        if (end == std::string_view::npos) {
            done_ = true;
            return text_.substr(pos_);
        }
        const std::string_view piece = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        return piece;
    }

  private:
    std::string_view text_;
    char separator_;
    size_t pos_ = 0;
    bool done_ = false;
};

bool NeedsEscaping(std::string_view text, bool itemList) {
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || ch == '#' || ch == '$' || ch == '%' || ch == '&' || ch == '|') return true;
        if (itemList && ch == '@') return true;
    }
    return false;
}

std::string EscapeFileText(std::string_view text) {
    return NeedsEscaping(text, false) ? EscapeText(text) : std::string(text);
}

// Decodes only the pairs EscapeText writes (and, in an item list, the pair of "@"), so that a raw
// "&" in an older string stays as it is.
std::string UnescapeStored(std::string_view text, bool itemList) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 2 < text.size()) {
            const int a = static_cast<unsigned char>(text[i + 1]) - 39;
            const int b = static_cast<unsigned char>(text[i + 2]) - 39;
            const int c = a * 84 + b;
            if (a >= 0 && a <= 3 && b >= 0 && b < 84 && c <= 255 &&
                (c < 39 || c > 122 || (itemList && c == '@'))) {
                out += static_cast<char>(c);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string UnescapeFileText(std::string_view text) { return UnescapeStored(text, false); }

bool ReadFloats(TStreamReader& reader, TTriggerSettings& trigger, std::span<const int> slots) {
    for (const int slot : slots) {
        const auto value = reader.Float();
        if (!value) return false;
        trigger.Values[static_cast<size_t>(slot)] = *value;
    }
    return true;
}

void WriteFloats(std::string& out, const TTriggerSettings& trigger, std::span<const int> slots) {
    for (const int slot : slots) AppendFloat(out, trigger.Values[static_cast<size_t>(slot)]);
}

// The slots of Values in the order the string lists them.
constexpr std::array<int, 4> kNumericalOrder = {0, 1, 2, 3};
constexpr std::array<int, 8> kUVOrder = {0, 2, 4, 6, 1, 3, 5, 7};
constexpr std::array<int, 3> kColorOrder = {0, 1, 2};

bool IsTriggerKind(int32_t kind) {
    return kind == kNumerical || kind == kUV || kind == kVector || kind == kEnumeration;
}

void ParseOptions(std::string_view section, TInterfaceOptions& options) {
    TStreamReader reader(section);
    const auto columns = reader.Hex(2);
    if (!columns) return;
    options.Columns = *columns > 1 ? 2 : 1;
    const auto order = reader.Char();
    if (!order) return;
    options.Order = *order == 'O' ? 'O' : 'D';
    options.NoticeText = std::string(reader.Rest());
}

void ParseTrigger(std::string_view entry, TInterfaceData& data) {
    const size_t d1 = entry.find('$');
    if (d1 == std::string_view::npos || d1 < 4) return;
    const size_t d2 = entry.find('$', d1 + 1);
    if (d2 == std::string_view::npos) return;
    const size_t d3 = entry.find('$', d2 + 1);
    if (d3 == std::string_view::npos) return;

    TStreamReader head(entry.substr(0, d1));
    const uint32_t index = *head.Hex(2);
    const auto kind = static_cast<int32_t>(*head.Hex(2));
    if (index >= static_cast<uint32_t>(kTriggerCount) || !IsTriggerKind(kind)) return;

    TTriggerSettings trigger;
    trigger.Kind = kind;
    trigger.Label = std::string(entry.substr(d1 + 1, d2 - d1 - 1));
    trigger.SecondText = std::string(entry.substr(d2 + 1, d3 - d2 - 1));
    TStreamReader fields(entry.substr(d3 + 1));
    bool complete = false;
    switch (kind) {
        case kNumerical: {
            const auto flag = fields.Char();
            trigger.IsInteger = flag == 'I';
            complete = flag && ReadFloats(fields, trigger, kNumericalOrder);
            break;
        }
        case kUV:
            complete = ReadFloats(fields, trigger, kUVOrder);
            break;
        case kVector: {
            complete = ReadFloats(fields, trigger, kColorOrder);
            const auto picker = fields.Char();
            complete = complete && picker;
            trigger.SetPickerChoice(picker == 'W' ? kSystemPicker : kOwnPicker);
            break;
        }
        case kEnumeration: {
            const auto item = fields.Hex(2);
            complete = item.has_value();
            trigger.SetDefaultItem(static_cast<int32_t>(item.value_or(0)));
            break;
        }
    }
    if (complete) data.Triggers[index] = std::move(trigger);
}

void ParseFile(std::string_view entry, TInterfaceData& data) {
    const size_t d1 = entry.find('$');
    if (d1 == std::string_view::npos || d1 < 5) return;
    const size_t d2 = entry.find('$', d1 + 1);
    if (d2 == std::string_view::npos) return;

    const uint32_t slot = *TStreamReader(entry.substr(0, 2)).Hex(2);
    const char type = entry[4];
    if (slot >= static_cast<uint32_t>(kFileSlotCount) || !IsFileType(type)) return;

    TFileEntry file;
    file.Type = type;
    file.Settings.Label = UnescapeFileText(entry.substr(d1 + 1, d2 - d1 - 1));
    file.Settings.DefaultFile = UnescapeFileText(entry.substr(d2 + 1));
    data.Files[slot] = std::move(file);
}

}  // namespace

bool IsFileType(char type) { return type == 'A' || type == 'T' || type == 'I' || type == 'B'; }

TInterfaceData ParseInterfaceString(std::string_view text) {
    TInterfaceData data;
    TSplitter sections(text, '%');
    ParseOptions(sections.Next().value_or(""), data.Options);

    TSplitter triggers(sections.Next().value_or(""), '|');
    while (const auto entry = triggers.Next()) ParseTrigger(*entry, data);

    TSplitter files(sections.Next().value_or(""), '|');
    while (const auto entry = files.Next()) ParseFile(*entry, data);
    return data;
}

std::string SerialiseInterfaceString(const TInterfaceData& data) {
    std::string out;
    AppendHex(out, data.Options.Columns > 1 ? 2 : 1, 2);
    out += data.Options.Order == 'O' ? 'O' : 'D';
    out += data.Options.NoticeText;
    out += '%';

    bool first = true;
    for (size_t index = 0; index < data.Triggers.size(); ++index) {
        const auto& trigger = data.Triggers[index];
        if (!trigger || !IsTriggerKind(trigger->Kind)) continue;
        if (!first) out += '|';
        first = false;
        AppendHex(out, static_cast<uint32_t>(index), 2);
        AppendHex(out, static_cast<uint32_t>(trigger->Kind), 2);
        out += '$';
        out += trigger->Label;
        out += '$';
        out += trigger->SecondText;
        out += '$';
        switch (trigger->Kind) {
            case kNumerical:
                out += trigger->IsInteger ? 'I' : 'F';
                WriteFloats(out, *trigger, kNumericalOrder);
                break;
            case kUV:
                WriteFloats(out, *trigger, kUVOrder);
                break;
            case kVector:
                WriteFloats(out, *trigger, kColorOrder);
                out += trigger->PickerChoice() == kSystemPicker ? 'W' : 'S';
                break;
            case kEnumeration:
                AppendHex(out, static_cast<uint32_t>(trigger->DefaultItem()), 2);
                break;
        }
    }
    out += '%';

    first = true;
    for (size_t slot = 0; slot < data.Files.size(); ++slot) {
        const auto& file = data.Files[slot];
        if (!file || !IsFileType(file->Type)) continue;
        if (!first) out += '|';
        first = false;
        AppendHex(out, static_cast<uint32_t>(slot), 2);
        AppendHex(out, kFile, 2);
        out += file->Type;
        out += '$';
        out += EscapeFileText(file->Settings.Label);
        out += '$';
        out += EscapeFileText(file->Settings.DefaultFile);
    }
    return out;
}

std::array<float, 3> TriggerDefaultValue(const TTriggerSettings& trigger) {
    const auto& v = trigger.Values;
    switch (trigger.Kind) {
        case kNumerical:
            return {v[2], 0, 0};
        case kUV:
            return {v[4], v[5], 0};
        case kVector:
            return {v[0], v[1], v[2]};
        case kEnumeration:
            return {static_cast<float>(trigger.DefaultItem()), 0, 0};
        default:
            return {0, 0, 0};
    }
}

std::string EscapeItemList(std::string_view items) {
    if (!NeedsEscaping(items, true)) return std::string(items);
    std::string out;
    out.reserve(items.size());
    for (const char ch : items) {
        if (ch == '@') {
            out += "&'g";  // 64 = 0 · 84 + 25: the characters 39 and 103
        } else {
            out += EscapeText(std::string_view(&ch, 1));
        }
    }
    return out;
}

std::string UnescapeItemList(std::string_view stored) { return UnescapeStored(stored, true); }

std::string_view EnumerationItemList(std::string_view secondText) {
    return secondText.substr(0, secondText.find('@'));
}

std::string_view EnumerationItemNames(std::string_view secondText) {
    const size_t at = secondText.find('@');
    return at == std::string_view::npos ? std::string_view() : secondText.substr(at + 1);
}

}  // namespace vandrel
