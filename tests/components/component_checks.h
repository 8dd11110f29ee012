// The one harness of the component tests: setting properties, evaluating a fresh component,
// comparing outputs, rows of hand-calculated cases, and the input-reference check that connects
// every part of every property to a source float.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "core/component.h"
#include "core/factory.h"
#include "core/random.h"
#include "core/thread_record.h"

namespace vandrel::test {

// Equal bit for bit, NaN equal to any NaN.
inline bool SameFloat(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

inline std::vector<float> Output(TXRComponent& c) {
    const float* out = c.OutputAddress();
    return {out, out + FloatCount(c.OutputKind())};
}

inline bool SameOutput(const std::vector<float>& a, const std::vector<float>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (!SameFloat(a[k], b[k])) return false;
    }
    return true;
}

// Sets a property from a list: the parts of a UV or Vector property, the value of a Numerical one,
// the integer of an Enumeration or a File.
inline void Set(TXRComponent& c, int32_t prop, const std::vector<float>& values) {
    const int32_t kind = c.PropertyKind(prop);
    if (kind == kEnumeration || kind == kFile) {
        c.SetEnumValue(prop, static_cast<int32_t>(values.at(0)));
        return;
    }
    for (size_t k = 0; k < values.size(); ++k) {
        c.SetConstant(prop, static_cast<int32_t>(k), values[k]);
    }
}

// Sets every property with a non-empty list.
inline void SetAll(TXRComponent& c, const std::vector<std::vector<float>>& props) {
    for (size_t p = 0; p < props.size(); ++p) {
        if (!props[p].empty()) Set(c, static_cast<int32_t>(p), props[p]);
    }
}

// Index of the property called name, or -1.
inline int32_t PropertyIndex(TXRComponent& c, const std::string& name) {
    auto* table = dynamic_cast<TXRPropertyComponent*>(&c);
    if (table == nullptr) return -1;
    int32_t p = 0;
    for (const PropertySpec& declared : table->Properties()) {
        if (name == declared.name) return p;
        ++p;
    }
    return -1;
}

// A fresh component of the class, bound to record, with the given values.
inline std::unique_ptr<TXRComponent> Make(int32_t id, const std::vector<std::vector<float>>& props,
                                          TThreadRecord* record) {
    std::unique_ptr<TXRComponent> c = CreateComponent(id);
    if (c == nullptr) return c;
    c->Bind(record, nullptr);
    SetAll(*c, props);
    return c;
}

// One hand-calculated case: the property values (an empty list keeps the default) and the
// expected output, within a tolerance relative to max(1, |expected|).
struct Case {
    const char* what;
    int32_t id;
    std::vector<std::vector<float>> props;
    std::vector<double> expected;
    double tolerance = 2e-6;
};

inline void ExpectOutput(const std::vector<float>& out, const std::vector<double>& expected,
                         double tolerance, const char* what) {
    ASSERT_EQ(out.size(), expected.size()) << what;
    for (size_t k = 0; k < out.size(); ++k) {
        EXPECT_NEAR(out[k], expected[k], tolerance * std::max(1.0, std::fabs(expected[k])))
            << what << ", part " << k;
    }
}

inline void ExpectOutput(TXRComponent& c, const std::vector<double>& expected, double tolerance,
                         const char* what) {
    ExpectOutput(Output(c), expected, tolerance, what);
}

// How the cases of a test are run: a set-up hook applied to each fresh component before its
// properties are set (a lit sample in its record, say), whether it is evaluated in the host, and
// a tolerance for every row (0: each row's own).
struct Options {
    std::function<void(TXRComponent&)> setup = nullptr;
    bool inHost = true;
    double tolerance = 0;
};

// The output of a fresh component of the row's class, bound to a record of its own.
inline std::vector<float> Evaluate(const Case& row, const Options& options = {}) {
    TThreadRecord record;
    std::unique_ptr<TXRComponent> c = CreateComponent(row.id);
    if (c == nullptr) {
        ADD_FAILURE() << row.what << ": no class " << row.id;
        return {};
    }
    c->Bind(&record, nullptr);
    if (options.setup) options.setup(*c);
    SetAll(*c, row.props);
    c->Evaluate(options.inHost);
    return Output(*c);
}

inline void Check(const Case& row, const Options& options = {}) {
    const double tolerance = options.tolerance > 0 ? options.tolerance : row.tolerance;
    ExpectOutput(Evaluate(row, options), row.expected, tolerance, row.what);
}

inline void CheckRows(std::span<const Case> rows, const Options& options = {}) {
    for (const Case& row : rows) Check(row, options);
}

// Sets property p to values[p] for every given value: a Numerical part set to the value (all parts
// of a UV or Vector property), an Enumeration to the value as an integer.
inline void SetValues(TXRComponent& c, const std::vector<double>& values) {
    for (size_t p = 0; p < values.size(); ++p) {
        const auto prop = static_cast<int32_t>(p);
        if (c.PropertyKind(prop) == kEnumeration) {
            c.SetEnumValue(prop, static_cast<int32_t>(values[p]));
        } else {
            c.SetConstant(prop, kWholeProperty, static_cast<float>(values[p]));
        }
    }
}

// A fresh component of that type, bound to its own record.
struct Fresh {
    explicit Fresh(int32_t id) : component(CreateComponent(id)) {
        if (component != nullptr) component->Bind(&record, nullptr);
    }
    TXRComponent* operator->() { return component.get(); }
    TXRComponent& operator*() { return *component; }
    TThreadRecord record;
    std::unique_ptr<TXRComponent> component;
};

// Output part 0 of a fresh component with these property values, evaluated once.
inline float EvaluateWith(int32_t id, const std::vector<double>& values) {
    Fresh c(id);
    SetValues(*c, values);
    c->Evaluate(true);
    return c->OutputAddress()[0];
}

// One case of a class with a single numerical output: the property values in index order
// (enumerations as integers) and the output, equal to within 4 ulps of the float it rounds to (a
// NaN to a NaN) or, with a tolerance, that near.
struct ValueRow {
    int32_t id;
    std::vector<double> values;
    double expected;
    double tolerance = -1;
};

inline void ExpectValueRows(const std::vector<ValueRow>& rows) {
    for (const ValueRow& row : rows) {
        std::string text;
        for (double v : row.values) text += std::to_string(v) + " ";
        const float got = EvaluateWith(row.id, row.values);
        const auto want = static_cast<float>(row.expected);
        if (row.tolerance >= 0) {
            EXPECT_NEAR(got, row.expected, row.tolerance) << row.id << " with " << text;
        } else if (std::isnan(want)) {
            EXPECT_TRUE(std::isnan(got)) << row.id << " with " << text << "gave " << got;
        } else {
            EXPECT_FLOAT_EQ(got, want) << row.id << " with " << text;
        }
    }
}

// The first draw after RandomSeed(seed), from a generator of its own.
inline double FirstDraw(int32_t seed) {
    TRandomState state;
    RandomSeed(state, seed);
    return RandomNext(state);
}

// How one class is probed: a setup applied to every component after its base values are set and
// before property prop is probed (so that the property matters there: a lit sample, a file), and
// the properties that may leave the output unchanged in every setup (the host readers without a
// scene, say).
struct ConnectionCase {
    int32_t id;
    std::function<void(TXRComponent&, int32_t prop)> setup;
    std::function<bool(int32_t prop)> mayIgnore;
};

// For every property and part of the class, from random base values: a component fed from a
// source gives what a twin with the source's values as constants gives after the same history,
// and a change of the source reaches the output as a change of the constant does; disconnected,
// the property reads its own constant again. The neighbourhood caches of the feature-point
// classes (those with a Jitter) keep their points while the input stays in its cell, so there a
// change of Seed, Jitter, Radius or RadiusVariation shows only once the input has left the cell
// and come back. Each property must also change the output in some of the trials, unless the
// case allows otherwise. Whole counts (Seed, Octaves, Iterations) are drawn as whole numbers.
inline void ExpectInputsReadThroughReferences(const ConnectionCase& cc) {
    static const char* const kKeptInTheCell[] = {"Seed", "Jitter", "Radius", "RadiusVariation"};
    SCOPED_TRACE("type id " + std::to_string(cc.id));
    std::mt19937 rng(20240611u + static_cast<uint32_t>(cc.id));
    float scale = 1;  // every fourth trial draws from [-8, 8): wavelengths, knot counts
    const auto draw = [&] { return scale * (static_cast<float>(rng() >> 8) / 4194304.0f - 2.0f); };
    TThreadRecord record;
    std::unique_ptr<TXRComponent> probe = CreateComponent(cc.id);
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
            if (kind == kFile) continue;  // the setup's file, or none
            const int parts = kind == kEnumeration ? 1 : FloatCount(kind);
            for (int k = 0; k < parts; ++k) base[p].push_back(value(p));
        }
        const auto make = [&](int32_t p, const std::vector<std::vector<float>>& props) {
            std::unique_ptr<TXRComponent> c = Make(cc.id, props, &record);
            if (cc.setup) cc.setup(*c, p);
            return c;
        };
        const auto fresh = [&](int32_t p, const std::vector<float>& values) {
            std::unique_ptr<TXRComponent> c = make(p, base);
            Set(*c, p, values);
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
            std::unique_ptr<TXRComponent> fed = make(p, base);
            std::unique_ptr<TXRComponent> twin = make(p, base);
            fed->Evaluate(true);
            twin->Evaluate(true);
            const std::vector<float> before = Output(*fed);

            feed(first);
            // Every other trial connects a UV or Vector property part by part.
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
            if (cached && std::find(std::begin(kKeptInTheCell), std::end(kKeptInTheCell), name) !=
                              std::end(kKeptInTheCell)) {
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
    for (int32_t p = 0; p < count; ++p) {
        if (probe->PropertyKind(p) == kFile || (cc.mayIgnore && cc.mayIgnore(p))) continue;
        EXPECT_GT(mattered[p], 0) << "never reacted to property " << p;
    }
}

}  // namespace vandrel::test
