#include "editor/model/interface_page.h"

#include <algorithm>

#include "core/stream_codec.h"
#include "editor/model/interface_layout.h"

namespace vandrel {

namespace {

constexpr std::string_view kFileWord = "File ";
constexpr std::string_view kTriggerWord = "Trigger ";

// Windows-1252 in 0x80 … 0x9F; the code page's five holes map to the C1 controls, as Windows does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        uint32_t lowest = 0;
        uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1, lowest = 0x80, code = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2, lowest = 0x800, code = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3, lowest = 0x10000, code = c & 0x07u;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

// ---- entries -----------------------------------------------------------------------------------

std::string InterfaceEntryName(const TInterfaceEntry& entry) {
    return std::string(entry.File ? kFileWord : kTriggerWord) + std::to_string(entry.Index + 1);
}

std::optional<TInterfaceEntry> ParseInterfaceEntryName(std::string_view name) {
    TInterfaceEntry entry;
    std::string_view number;
    if (name.starts_with(kFileWord)) {
        entry.File = true;
        number = name.substr(kFileWord.size());
    } else if (name.starts_with(kTriggerWord)) {
        number = name.substr(kTriggerWord.size());
    } else {
        return std::nullopt;
    }
    if (number.empty() || number.size() > 2 || number.front() == '0') return std::nullopt;
    int n = 0;
    for (const char c : number) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > (entry.File ? kFileSlotCount : kTriggerCount)) return std::nullopt;
    entry.Index = n - 1;
    return entry;
}

std::vector<TInterfaceEntry> UsedInterfaceEntries(const TUsageTable& usage) {
    std::vector<TInterfaceEntry> entries;
    for (int s = 0; s < kFileSlotCount; ++s) {
        if (usage.Files[static_cast<size_t>(s)].Count > 0) entries.push_back({true, s});
    }
    for (int t = 0; t < kTriggerCount; ++t) {
        if (usage.Triggers[static_cast<size_t>(t)].Count > 0) entries.push_back({false, t});
    }
    return entries;
}

// ---- texts -------------------------------------------------------------------------------------

std::string DisplayText(std::string_view text) {
    if (IsUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() * 2);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : char32_t{c});
    }
    return out;
}

std::string UnescapedText(std::string_view escaped) { return DisplayText(UnescapeText(escaped)); }

std::string EscapeItemName(std::string_view name) {
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned>(static_cast<unsigned char>(ch));
        if (c >= 39 && c <= 122 && ch != ';') {
            out += ch;
            continue;
        }
        // The plain escape of a few bytes (0xBC, the end of every UTF-8 "ü", among them) ends
        // in ";". The reader keeps the low eight bits of a pair, so the next pair whose second
        // character is not ";" names the same byte.
        for (unsigned high = 0; high < 84; ++high) {
            const int low = ((static_cast<int>(c) - 84 * static_cast<int>(high)) % 256 + 256) % 256;
            if (low < 84 && low != ';' - 39) {
                out += '&';
                out += static_cast<char>(39 + high);
                out += static_cast<char>(39 + low);
                break;
            }
        }
    }
    return out;
}

bool NoticeFits(std::string_view text) { return text.size() <= kMaxNoticeLength; }

// ---- pages -------------------------------------------------------------------------------------

TTriggerPage LoadTriggerPage(const TTriggerSettings& settings, int32_t kind) {
    TTriggerPage page;
    const auto& v = settings.Values;
    page.Label = UnescapedText(settings.Label);
    switch (kind) {
        case kNumerical:
            page.U = {v[0], v[1], v[2], v[3]};
            break;
        case kUV:
            page.VLabel = UnescapedText(settings.SecondText);
            page.U = {v[0], v[2], v[4], v[6]};
            page.V = {v[1], v[3], v[5], v[7]};
            break;
        case kVector:
            for (size_t i = 0; i < 3; ++i) page.Color[i] = ColorToByte(v[i]);
            page.SystemPicker = settings.PickerChoice() == kSystemPicker;
            break;
        case kEnumeration: {
            const std::string_view names = EnumerationItemNames(settings.SecondText);
            size_t begin = 0;
            while (!names.empty() && begin <= names.size()) {
                const size_t end = std::min(names.find(';', begin), names.size());
                page.Items.push_back(UnescapedText(names.substr(begin, end - begin)));
                begin = end + 1;
            }
            const int32_t item = settings.DefaultItem();
            page.DefaultItem =
                item >= 0 && static_cast<size_t>(item) < page.Items.size() ? item : -1;
            break;
        }
    }
    return page;
}

void StoreTriggerPage(const TTriggerPage& page, int32_t kind, TTriggerSettings& settings) {
    auto& v = settings.Values;
    switch (kind) {
        case kNumerical:
            settings.Label = EscapeText(page.Label);
            settings.SecondText.clear();
            for (size_t i = 0; i < 4; ++i) v[i] = page.U[i];
            break;
        case kUV:
            settings.Label = EscapeText(page.Label);
            settings.SecondText = EscapeText(page.VLabel);
            for (size_t i = 0; i < 4; ++i) {
                v[2 * i] = page.U[i];
                v[2 * i + 1] = page.V[i];
            }
            break;
        case kVector:
            settings.Label = EscapeText(page.Label);
            settings.SecondText.clear();
            for (size_t i = 0; i < 3; ++i) v[i] = static_cast<float>(ColorFromByte(page.Color[i]));
            settings.SetPickerChoice(page.SystemPicker ? kSystemPicker : kOwnPicker);
            break;
        case kEnumeration: {
            settings.Label = EscapeText(page.Label);
            std::string second(EnumerationItemList(settings.SecondText));
            second += '@';
            for (size_t i = 0; i < page.Items.size(); ++i) {
                if (i > 0) second += ';';
                second += EscapeItemName(page.Items[i]);
            }
            settings.SecondText = std::move(second);
            if (page.DefaultItem >= 0) settings.SetDefaultItem(page.DefaultItem);
            break;
        }
    }
}

}  // namespace vandrel
