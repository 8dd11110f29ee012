// Search to add: the first result for what a person types, and the filters a dragged wire sets.
#include "editor/model/component_search.h"

#include <gtest/gtest.h>

namespace vandrel {
namespace {

struct Query {
    const char* typed;
    TSearchFilter filter;
    int32_t first;  // type id of the best match
    TSearchRank rank;
};

TEST(ComponentSearch, FirstResultsOfTypedQueries) {
    const Query table[] = {
        {"Checker", {}, 401, TSearchRank::kName},
        {"chec", {}, 401, TSearchRank::kNameStart},  // before the longer "Checker (3D)"
        {"  NOISE ", {}, 103, TSearchRank::kNameStart},
        {"mandel", {}, 205, TSearchRank::kNameStart},
        {"add", {}, 901, TSearchRank::kNameStart},
        {"hsv", {}, 1004, TSearchRank::kNameStart},  // the shorter of two
        {"noise 3d", {}, 301, TSearchRank::kWordStarts},
        {"function noise", {}, 103, TSearchRank::kWordStarts},
        {"tile", {}, 403, TSearchRank::kWordStarts},
        {"fn", {}, 104, TSearchRank::kInitials},  // Fractal 1/F Noise Function (1D)
        {"vdp", {}, 703, TSearchRank::kInitialsInside},
        {"eave", {}, 411, TSearchRank::kInsideName},  // Cross-Weave
        {"patterns", {}, 401, TSearchRank::kTab},
        {"mortar", {}, 403, TSearchRank::kProperty},
        {"add", {kUV, -1}, 602, TSearchRank::kWordStarts},
        {"add", {-1, kVector}, 701, TSearchRank::kWordStarts},
        {"", {kUV, -1}, 114, TSearchRank::kEverything},
        {"", {}, 101, TSearchRank::kEverything},
    };
    for (const Query& q : table) {
        const auto hits = SearchComponents(q.typed, q.filter);
        ASSERT_FALSE(hits.empty()) << q.typed;
        EXPECT_EQ(hits[0].Row->id, q.first) << "\"" << q.typed << "\" gave " << hits[0].Row->name;
        EXPECT_EQ(hits[0].Rank, q.rank) << q.typed;
    }
}

TEST(ComponentSearch, RanksNeverRiseAndFiltersHold) {
    const auto hits = SearchComponents("o");
    ASSERT_GT(hits.size(), 10u);
    for (size_t i = 1; i < hits.size(); ++i) EXPECT_LE(hits[i - 1].Rank, hits[i].Rank) << i;
    EXPECT_TRUE(SearchComponents("zzqx").empty());
    EXPECT_EQ(SearchComponents("", {}, 5).size(), 5u);
    for (const TSearchHit& hit : SearchComponents("", {-1, kUV}, 1000)) {
        int32_t prop = -1;
        ASSERT_TRUE(TakesOutputOf(*hit.Row, kUV, &prop)) << hit.Row->name;
        EXPECT_EQ(hit.Row->properties[static_cast<size_t>(prop)].kind, kUV);
    }
    for (const TSearchHit& hit : SearchComponents("", {kNumerical, -1}, 1000)) {
        EXPECT_EQ(hit.Row->output, kNumerical) << hit.Row->name;
    }
    // Whole counts take no component output, so nothing is offered for them alone.
    const CatalogueRow* root = FindCatalogueRow(1);
    EXPECT_FALSE(root != nullptr && TakesOutputOf(*root, kEnumeration));
}

}  // namespace
}  // namespace vandrel
