// What every registered class owes, checked over the whole catalogue at once: each property is
// read through its input reference, and any stored value, however hostile, evaluates to an output
// that depends on the values alone.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "component_checks.h"
#include "core/catalogue.h"

namespace vandrel {
namespace {

using test::Make;
using test::Output;
using test::SameOutput;

TEST(EveryClass, ReadsEveryInputThroughItsReference) {
    ASSERT_FALSE(Catalogue().empty());
    // The host readers need lights, files or scenes to react at all: their family tests give them.
    for (const CatalogueRow& row : Catalogue()) {
        test::ExpectInputsReadThroughReferences(
            {row.id, nullptr, [&row](int32_t) { return row.readsHost; }});
    }
}

// Untrusted stored values: zeros of both signs, huge, tiny, infinite and NaN values, enumerations
// far out of range. Each evaluates (also under the sanitizers) to an output that a second
// evaluation and a fresh twin with the same values repeat bit for bit.
TEST(EveryClass, HostileValuesGiveRepeatableOutputs) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {0, -0.f, 1, -1, 0.5f, 3e38f, -3e38f, inf, -inf, 1e-40f, nan, -7.25f};
    const int32_t enums[] = {
        0, 1, 2, 3, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    std::mt19937 rng(7);
    TThreadRecord record;
    for (const CatalogueRow& row : Catalogue()) {
        SCOPED_TRACE("type id " + std::to_string(row.id));
        for (int trial = 0; trial < 100; ++trial) {
            std::vector<std::vector<float>> props(row.properties.size());
            std::vector<std::pair<int32_t, int32_t>> items;  // enumeration, value
            for (size_t p = 0; p < props.size(); ++p) {
                const ValueKind kind = row.properties[p].kind;
                if (kind == kFile) continue;
                if (kind == kEnumeration) {
                    items.emplace_back(static_cast<int32_t>(p), enums[rng() % std::size(enums)]);
                    continue;
                }
                for (int k = 0; k < FloatCount(kind); ++k) {
                    props[p].push_back(values[rng() % std::size(values)]);
                }
            }
            std::unique_ptr<TXRComponent> c = Make(row.id, props, &record);
            std::unique_ptr<TXRComponent> twin = Make(row.id, props, &record);
            for (const auto& [p, item] : items)
                c->SetEnumValue(p, item), twin->SetEnumValue(p, item);
            c->Evaluate(true);
            const std::vector<float> once = Output(*c);
            c->Evaluate(true);
            twin->Evaluate(true);
            EXPECT_TRUE(SameOutput(Output(*c), once)) << "trial " << trial;
            EXPECT_TRUE(SameOutput(Output(*twin), once)) << "trial " << trial;
        }
    }
}

}  // namespace
}  // namespace vandrel
