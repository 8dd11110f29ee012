// Search to add: the catalogue's components ranked against what the user types, best first.
//
// A query matches a component's catalogue name, its catalogue tab or one of its property names,
// ignoring case. Ranks, best first: the name itself; the name's start; the start of every word of
// the query at the start of some word of the name; the initials of the name's words (in order,
// from the first word, then from any); anywhere in the name; the tab's caption; a property name.
// Equal name ranks go to the shorter name, then to catalogue order; tab and property matches
// keep catalogue order. An empty query lists everything in
// catalogue order. Plain C++; the rows come from the installed catalogue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue.h"

namespace vandrel {

enum class TSearchRank : int32_t {
    kName,
    kNameStart,
    kWordStarts,
    kInitials,
    kInitialsInside,
    kInsideName,
    kTab,
    kProperty,
    kEverything,  // the empty query
};

struct TSearchHit {
    const CatalogueRow* Row = nullptr;
    TSearchRank Rank = TSearchRank::kEverything;
    std::string Matched;  // the tab caption or property name that matched, else empty
};

// Which components may take part: every one, or only those whose output kind is the one asked
// for (a wire dragged back from an input), or those with an input that takes a component output
// of the kind (a wire dragged from an output).
struct TSearchFilter {
    int32_t OutputKind = -1;
    int32_t InputKind = -1;
};

// True when the component has a property that a component output of the kind may feed: the same
// kind, Numerical, UV or Vector, and not a whole count. Gives the first such property in *prop.
bool TakesOutputOf(const CatalogueRow& row, int32_t kind, int32_t* prop = nullptr);

std::vector<TSearchHit> SearchComponents(std::string_view query, const TSearchFilter& filter = {},
                                         size_t limit = 64);

}  // namespace vandrel
