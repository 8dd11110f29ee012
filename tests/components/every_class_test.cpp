// What every registered class owes, checked over the whole catalogue at once: each property is
// read through its input reference, and any stored value, however hostile, evaluates to an output
// that depends on the values alone.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "component_checks.h"
#include "core/catalogue.h"

namespace vandrel {
namespace {

using test::Make;
using test::Output;
using test::PropertyIndex;
using test::SameOutput;
using test::Set;

// A component fed from a source must give what a twin with the source's values as constants gives
// after the same history, and a change of the source must reach the output as a change of the
// constant does; disconnected, the property reads its own constant again. The neighbourhood
// caches of the feature-point classes (those with a Jitter) keep their points while the input
// stays in its cell, so there a change of Seed, Jitter, Radius or RadiusVariation shows only once
// the input has left the cell and come back. Random base settings make sure each property matters
// in some of them; whole counts (Seed, Octaves, Iterations) are drawn as whole numbers.
void CheckEveryInputIsRead(const CatalogueRow& entry) {
    static const std::set<std::string> kKeptInTheCell = {"Seed", "Jitter", "Radius",
                                                         "RadiusVariation"};
    SCOPED_TRACE("type id " + std::to_string(entry.id));
    std::mt19937 rng(20240611u + static_cast<uint32_t>(entry.id));
    float scale = 1;  // every fourth trial draws from [-8, 8): wavelengths, knot counts
    const auto draw = [&] { return scale * (static_cast<float>(rng() >> 8) / 4194304.0f - 2.0f); };
    TThreadRecord record;
    std::unique_ptr<TXRComponent> probe = entry.create();
    auto* table = dynamic_cast<TXRPropertyComponent*>(probe.get());
    ASSERT_NE(table, nullptr);
    const int32_t count = probe->PropertyCount();
    const int32_t input = PropertyIndex(*probe, "Input");
    const bool cached = PropertyIndex(*probe, "Jitter") >= 0 && input >= 0;
    const auto value = [&](int32_t p) {
        const PropertySpec& declared = table->Properties()[p];
        const std::string name = declared.name;
        if (declared.kind == kEnumeration) return static_cast<float>(rng() % 4);
        if (name == "Seed") return static_cast<float>(rng() % 100000);
        if (name == "Octaves") return static_cast<float>(rng() % 21);
        if (declared.whole) return static_cast<float>(rng() % 60 + 1);  // Iterations
        return draw();
    };
    std::vector<int> mattered(count, 0);
    for (int trial = 0; trial < 48; ++trial) {
        scale = trial % 4 == 3 ? 4.0f : 1.0f;
        std::vector<std::vector<float>> base(count);
        for (int32_t p = 0; p < count; ++p) {
            const int32_t kind = probe->PropertyKind(p);
            if (kind == kFile) continue;  // no file: the default
            const int parts = kind == kEnumeration ? 1 : FloatCount(kind);
            for (int k = 0; k < parts; ++k) base[p].push_back(value(p));
        }
        const auto fresh = [&](int32_t p, const std::vector<float>& values) {
            std::vector<std::vector<float>> props = base;
            props[p] = values;
            std::unique_ptr<TXRComponent> c = Make(entry.id, props, &record);
            c->Evaluate(true);
            return Output(*c);
        };
        for (int32_t p = 0; p < count; ++p) {
            if (probe->PropertyKind(p) == kFile) continue;
            const bool isEnum = probe->PropertyKind(p) == kEnumeration;
            const std::string name = table->Properties()[p].name;
            std::vector<float> first, second;
            for (size_t k = 0; k < base[p].size(); ++k) {
                first.push_back(value(p));
                second.push_back(value(p));
            }
            if (isEnum && second[0] == first[0]) second[0] = std::fmod(first[0] + 1, 4.0f);
            // An enumeration source of n + 0.4 must be read as n.
            float source[3];
            const auto feed = [&](const std::vector<float>& values) {
                for (size_t k = 0; k < values.size(); ++k) {
                    source[k] = values[k] + (isEnum ? 0.4f : 0.0f);
                }
            };
            // fed and twin go through the same history; only fed reads a connection.
            std::unique_ptr<TXRComponent> fed = Make(entry.id, base, &record);
            std::unique_ptr<TXRComponent> twin = Make(entry.id, base, &record);
            fed->Evaluate(true);
            twin->Evaluate(true);
            const std::vector<float> before = Output(*fed);

            feed(first);
            // Every other trial connects the parts of a UV or Vector property one by one.
            if (trial % 2 == 1 && base[p].size() > 1) {
                for (size_t k = 0; k < base[p].size(); ++k) {
                    fed->Connect(p, static_cast<int32_t>(k), source + k);
                }
            } else {
                fed->Connect(p, kWholeProperty, source);
            }
            Set(*twin, p, first);
            fed->Evaluate(true);
            twin->Evaluate(true);
            const std::vector<float> outFirst = Output(*fed);
            EXPECT_TRUE(SameOutput(outFirst, Output(*twin))) << "prop " << p;

            feed(second);
            Set(*twin, p, second);
            fed->Evaluate(true);
            twin->Evaluate(true);
            const std::vector<float> outSecond = Output(*fed);
            EXPECT_TRUE(SameOutput(outSecond, Output(*twin))) << "prop " << p;
            if (isEnum) {
                EXPECT_EQ(fed->GetEnumValue(p), static_cast<int32_t>(second[0]));
            }

            const std::vector<float> freshFirst = fresh(p, first);
            const std::vector<float> freshSecond = fresh(p, second);
            if (cached && kKeptInTheCell.count(name) != 0) {
                // Same cell: the cached points of the base settings are still in use.
                EXPECT_TRUE(SameOutput(outSecond, before)) << "prop " << p;
                // Leave the cell and come back: now the new value is in use.
                for (TXRComponent* c : {fed.get(), twin.get()}) {
                    std::vector<float> away = base[input];
                    for (float& part : away) part += 1.0e5f;
                    Set(*c, input, away);
                    c->Evaluate(true);
                    Set(*c, input, base[input]);
                    c->Evaluate(true);
                }
                EXPECT_TRUE(SameOutput(Output(*fed), Output(*twin))) << "prop " << p;
                EXPECT_TRUE(SameOutput(Output(*fed), freshSecond)) << "prop " << p;
            }
            if (!SameOutput(freshFirst, freshSecond)) ++mattered[p];

            // Disconnected, the property reads its own constant again.
            fed->Connect(p, kWholeProperty, nullptr);
            EXPECT_EQ(fed->InputAddress(p, kWholeProperty),
                      isEnum ? nullptr : fed->ConstantAddress(p))
                << "prop " << p;
            for (size_t k = 1; k < base[p].size(); ++k) {
                const auto part = static_cast<int32_t>(k);
                EXPECT_EQ(fed->InputAddress(p, part), fed->ConstantAddress(p) + k) << "prop " << p;
            }
        }
    }
    // The host readers need lights, files or scenes to react at all: their family tests give them.
    if (entry.readsHost) return;
    for (int32_t p = 0; p < count; ++p) {
        if (probe->PropertyKind(p) == kFile) continue;
        EXPECT_GT(mattered[p], 0) << "never reacted to property " << p;
    }
}

TEST(EveryClass, ReadsEveryInputThroughItsReference) {
    ASSERT_FALSE(Catalogue().empty());
    for (const CatalogueRow& row : Catalogue()) CheckEveryInputIsRead(row);
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
