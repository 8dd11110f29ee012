// Helpers shared by the generator tests (2D, 3D, cellular): table rows of hand-calculated cases and
// the generic check that every property is read through its input reference.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "core/factory.h"
#include "core/thread_record.h"

namespace vandrel::test {

// Sets a property from a list: the parts of a UV or Vector property, the value of a Numerical one,
// the integer of an Enumeration.
inline void Set(TXRComponent& c, int32_t prop, const std::vector<float>& values) {
    if (c.PropertyKind(prop) == kEnumeration) {
        c.SetEnumValue(prop, static_cast<int32_t>(values.at(0)));
        return;
    }
    for (size_t k = 0; k < values.size(); ++k) {
        c.SetConstant(prop, static_cast<int32_t>(k), values[k]);
    }
}

inline std::vector<float> Output(TXRComponent& c) {
    const float* out = c.OutputAddress();
    return {out, out + FloatCount(c.OutputKind())};
}

inline bool SameFloat(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

inline bool SameOutput(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (!SameFloat(a[k], b[k])) return false;
    }
    return true;
}

// Index of the property called name, or -1.
inline int32_t PropertyIndex(TXRComponent& c, const std::string& name) {
    auto* table = dynamic_cast<TXRPropertyComponent*>(&c);
    if (table == nullptr) return -1;
    int32_t p = 0;
    for (const PropertySpec& spec : table->Properties()) {
        if (name == spec.name) return p;
        ++p;
    }
    return -1;
}

// One hand-calculated case: the property values (an empty list keeps the default) and the
// expected output, within a relative tolerance.
struct Case {
    const char* what;
    int32_t id;
    std::vector<std::vector<float>> props;
    std::vector<double> expected;
    double tolerance = 2e-6;
};

// A fresh component of the class, bound to record, with the row's values.
inline std::unique_ptr<TXRComponent> Make(int32_t id, const std::vector<std::vector<float>>& props,
                                          TThreadRecord* record) {
    std::unique_ptr<TXRComponent> c = CreateComponent(id);
    if (c == nullptr) return c;
    c->Bind(record, nullptr);
    for (size_t p = 0; p < props.size(); ++p) {
        if (!props[p].empty()) Set(*c, static_cast<int32_t>(p), props[p]);
    }
    return c;
}

inline void Check(const Case& row) {
    TThreadRecord record;
    std::unique_ptr<TXRComponent> c = Make(row.id, row.props, &record);
    ASSERT_NE(c, nullptr) << row.what;
    c->Evaluate(true);
    const std::vector<float> out = Output(*c);
    ASSERT_EQ(out.size(), row.expected.size()) << row.what;
    for (size_t k = 0; k < out.size(); ++k) {
        EXPECT_NEAR(out[k], row.expected[k],
                    row.tolerance * std::max(1.0, std::fabs(row.expected[k])))
            << row.what << ", part " << k;
    }
}

inline void CheckRows(std::span<const Case> rows) {
    for (const Case& row : rows) Check(row);
}

// Every property of every class is read through its input reference: a component fed from a
// source must give what a twin with the source's values as constants gives after the same
// history, and a change of the source must reach the output as a change of the constant does.
// The neighbourhood caches of the feature-point classes (cellular.h; the classes with a Jitter)
// keep their points while the input stays in its cell, so there a change of Seed, Jitter, Radius
// or RadiusVariation shows only once the input has left the cell and come back; every other
// change shows at once. Random base settings make sure each property
// matters in some of them. Whole counts (Seed, Octaves, Iterations) are drawn as whole numbers.
inline void CheckEveryInputIsRead(std::span<const CatalogueRow> classes) {
    static const std::set<std::string> kKeptInTheCell = {"Seed", "Jitter", "Radius",
                                                         "RadiusVariation"};
    std::mt19937 rng(20240611);
    const auto draw = [&rng] { return static_cast<float>(rng() >> 8) / 4194304.0f - 2.0f; };
    TThreadRecord record;
    for (const CatalogueRow& entry : classes) {
        std::unique_ptr<TXRComponent> probe = entry.create();
        auto* table = dynamic_cast<TXRPropertyComponent*>(probe.get());
        ASSERT_NE(table, nullptr) << entry.id;
        const int32_t count = probe->PropertyCount();
        const int32_t input = PropertyIndex(*probe, "Input");
        const bool cached = PropertyIndex(*probe, "Jitter") >= 0;  // the feature-point classes
        ASSERT_GE(input, 0) << entry.id;
        const auto value = [&](int32_t p) {
            const PropertySpec& spec = table->Properties()[p];
            const std::string name = spec.name;
            if (spec.kind == kEnumeration) return static_cast<float>(rng() % 4);
            if (name == "Seed") return static_cast<float>(rng() % 100000);
            if (name == "Octaves") return static_cast<float>(rng() % 21);
            if (spec.whole) return static_cast<float>(rng() % 60 + 1);  // Iterations
            return draw();
        };
        std::vector<int> mattered(count, 0);
        for (int trial = 0; trial < 32; ++trial) {
            std::vector<std::vector<float>> base(count);
            for (int32_t p = 0; p < count; ++p) {
                const int parts =
                    probe->PropertyKind(p) == kEnumeration ? 1 : FloatCount(probe->PropertyKind(p));
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
                fed->Connect(p, kWholeProperty, source);
                Set(*twin, p, first);
                fed->Evaluate(true);
                twin->Evaluate(true);
                const std::vector<float> outFirst = Output(*fed);
                EXPECT_TRUE(SameOutput(outFirst, Output(*twin))) << entry.id << " prop " << p;

                feed(second);
                Set(*twin, p, second);
                fed->Evaluate(true);
                twin->Evaluate(true);
                const std::vector<float> outSecond = Output(*fed);
                EXPECT_TRUE(SameOutput(outSecond, Output(*twin))) << entry.id << " prop " << p;
                if (isEnum) {
                    EXPECT_EQ(fed->GetEnumValue(p), static_cast<int32_t>(second[0]));
                }

                const std::vector<float> freshFirst = fresh(p, first);
                const std::vector<float> freshSecond = fresh(p, second);
                if (cached && kKeptInTheCell.count(name) != 0) {
                    // Same cell: the cached points of the base settings are still in use.
                    EXPECT_TRUE(SameOutput(outSecond, before)) << entry.id << " prop " << p;
                    // Leave the cell and come back: now the new value is in use.
                    for (TXRComponent* c : {fed.get(), twin.get()}) {
                        std::vector<float> away = base[input];
                        for (float& part : away) part += 1.0e5f;
                        Set(*c, input, away);
                        c->Evaluate(true);
                        Set(*c, input, base[input]);
                        c->Evaluate(true);
                    }
                    EXPECT_TRUE(SameOutput(Output(*fed), Output(*twin)))
                        << entry.id << " prop " << p;
                    EXPECT_TRUE(SameOutput(Output(*fed), freshSecond)) << entry.id << " prop " << p;
                } else {
                    EXPECT_TRUE(SameOutput(outFirst, freshFirst)) << entry.id << " prop " << p;
                    EXPECT_TRUE(SameOutput(outSecond, freshSecond)) << entry.id << " prop " << p;
                }
                if (!SameOutput(freshFirst, freshSecond)) ++mattered[p];

                // Disconnected, the property reads its own constant again.
                fed->Connect(p, kWholeProperty, nullptr);
                EXPECT_EQ(fed->InputAddress(p, kWholeProperty),
                          isEnum ? nullptr : fed->ConstantAddress(p))
                    << entry.id << " prop " << p;
            }
        }
        for (int32_t p = 0; p < count; ++p) {
            EXPECT_GT(mattered[p], 0) << entry.id << " never reacted to property " << p;
        }
    }
}

}  // namespace vandrel::test
