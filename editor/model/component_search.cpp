#include "editor/model/component_search.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace vandrel {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && !IsWordChar(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && IsWordChar(text[i])) ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

bool Starts(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Every word of the query starts some word of the name.
bool WordStarts(const std::vector<std::string_view>& name, std::string_view query) {
    const auto asked = Words(query);
    if (asked.empty()) return false;
    return std::all_of(asked.begin(), asked.end(), [&](std::string_view q) {
        return std::any_of(name.begin(), name.end(),
                           [&](std::string_view w) { return Starts(w, q); });
    });
}

// The query's letters among the initials, in order; from the first initial when 'fromFirst'.
bool InitialsMatch(const std::string& initials, std::string_view query, bool fromFirst) {
    if (query.size() < 2 || initials.empty()) return false;
    if (fromFirst && initials[0] != query[0]) return false;
    size_t at = 0;
    for (char c : initials) {
        if (at < query.size() && c == query[at]) ++at;
    }
    return at == query.size();
}

std::optional<TSearchHit> Match(const CatalogueRow& row, const std::string& query) {
    TSearchHit hit{&row, TSearchRank::kEverything, {}};
    if (query.empty()) return hit;
    const std::string name = Lower(row.name);
    const auto words = Words(name);
    std::string initials;
    for (std::string_view w : words) initials += w[0];
    const bool spaced = query.find(' ') != std::string::npos;
    if (name == query) {
        hit.Rank = TSearchRank::kName;
    } else if (Starts(name, query)) {
        hit.Rank = TSearchRank::kNameStart;
    } else if (WordStarts(words, query)) {
        hit.Rank = TSearchRank::kWordStarts;
    } else if (!spaced && InitialsMatch(initials, query, true)) {
        hit.Rank = TSearchRank::kInitials;
    } else if (!spaced && InitialsMatch(initials, query, false)) {
        hit.Rank = TSearchRank::kInitialsInside;
    } else if (name.find(query) != std::string::npos) {
        hit.Rank = TSearchRank::kInsideName;
    } else if (const std::string_view tab = CatalogueTabCaption(row.tab);
               !tab.empty() && Lower(tab).find(query) != std::string::npos) {
        hit.Rank = TSearchRank::kTab;
        hit.Matched = std::string(tab);
    } else {
        for (const PropertySpec& p : row.properties) {
            if (p.name != nullptr && Lower(p.name).find(query) != std::string::npos) {
                hit.Rank = TSearchRank::kProperty;
                hit.Matched = p.name;
                break;
            }
        }
        if (hit.Matched.empty()) return std::nullopt;
    }
    return hit;
}

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return Lower(text.substr(first, last - first + 1));
}

}  // namespace

bool TakesOutputOf(const CatalogueRow& row, int32_t kind, int32_t* prop) {
    if (kind != kNumerical && kind != kUV && kind != kVector) return false;
    for (size_t i = 0; i < row.properties.size(); ++i) {
        const PropertySpec& p = row.properties[i];
        if (p.kind == kind && !p.whole) {
            if (prop != nullptr) *prop = static_cast<int32_t>(i);
            return true;
        }
    }
    return false;
}

std::vector<TSearchHit> SearchComponents(std::string_view query, const TSearchFilter& filter,
                                         size_t limit) {
    const std::string q = Trimmed(query);
    std::vector<TSearchHit> hits;
    for (const CatalogueRow& row : Catalogue()) {
        if (filter.OutputKind >= 0 && row.output != filter.OutputKind) continue;
        if (filter.InputKind >= 0 && !TakesOutputOf(row, filter.InputKind)) continue;
        if (auto hit = Match(row, q)) hits.push_back(std::move(*hit));
    }
    // Stable: catalogue order decides between equals.
    std::stable_sort(hits.begin(), hits.end(), [](const TSearchHit& a, const TSearchHit& b) {
        if (a.Rank != b.Rank) return a.Rank < b.Rank;
        // A tab or property lists its components in palette order.
        if (a.Rank >= TSearchRank::kTab) return false;
        return std::string_view(a.Row->name).size() < std::string_view(b.Row->name).size();
    });
    if (hits.size() > limit) hits.resize(limit);
    return hits;
}

}  // namespace vandrel
