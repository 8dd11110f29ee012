#include "core/stream_sections.h"

#include "core/stream_codec.h"

namespace vandrel {

std::string_view StreamSection(std::string_view stream, int k) {
    if (k < 0) return {};
    size_t start = 0;
    for (int i = 0; i < k; ++i) {
        const size_t hash = stream.find(kSectionSeparator, start);
        if (hash == std::string_view::npos) return {};
        start = hash + 1;
    }
    const size_t end = stream.find(kSectionSeparator, start);
    return stream.substr(start,
                         end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::vector<std::string_view> SplitSections(std::string_view stream) {
    std::vector<std::string_view> sections;
    size_t start = 0;
    for (;;) {
        const size_t hash = stream.find(kSectionSeparator, start);
        if (hash == std::string_view::npos) {
            sections.push_back(stream.substr(start));
            return sections;
        }
        sections.push_back(stream.substr(start, hash - start));
        start = hash + 1;
    }
}

std::string JoinSections(std::span<const std::string_view> sections) {
    std::string out;
    size_t size = sections.size();
    for (const std::string_view s : sections) size += s.size();
    out.reserve(size);
    for (size_t i = 0; i < sections.size(); ++i) {
        if (i > 0) out += kSectionSeparator;
        out += sections[i];
    }
    return out;
}

std::string JoinSections(std::initializer_list<std::string_view> sections) {
    return JoinSections(std::span<const std::string_view>(sections.begin(), sections.size()));
}

TCategories ParseCategories(std::string_view section) {
    TCategories categories{true, true, true, true};
    if (section.size() < categories.size()) return categories;
    for (size_t i = 0; i < categories.size(); ++i) categories[i] = section[i] == 'T';
    return categories;
}

std::string WriteCategories(const TCategories& categories) {
    std::string out;
    for (const bool flag : categories) AppendFlag(out, flag);
    return out;
}

std::vector<TCustomSectionItem> SplitCustomSection(std::string_view section) {
    std::vector<TCustomSectionItem> items;
    while (!section.empty()) {
        const size_t bar = section.find('|');
        const std::string_view item = section.substr(0, bar);
        section = bar == std::string_view::npos ? std::string_view{} : section.substr(bar + 1);
        TStreamReader reader(item);
        if (const auto id = reader.Hex(4)) {
            items.push_back({static_cast<int32_t>(*id), std::string(item)});
        }
    }
    return items;
}

std::string JoinCustomSection(std::span<const TCustomSectionItem> items) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += '|';
        out += items[i].text;
    }
    return out;
}

}  // namespace vandrel
