// The one harness of the component tests: setting properties, evaluating a fresh component,
// comparing outputs, rows of hand-calculated cases, and the input-reference check that connects
// every part of every property to a source float.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/component.h"
#include "core/factory.h"
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

// How one class is probed: a setup applied to every component before property prop is probed (so
// that the property matters there), and the properties that may leave the output unchanged in
// that setup (for instance the position in a host noise that is still a constant).
struct ConnectionCase {
    int32_t id;
    std::function<void(TXRComponent&, int32_t prop)> setup;
    std::function<bool(int32_t prop)> mayIgnore;
};

namespace detail {

inline const std::vector<float>& CandidatesFor(int32_t kind) {
    static const std::vector<float> numbers = {0.3f, 0.7f, -1.25f, 2.5f, 0.05f, 3.0f, 1.9f};
    static const std::vector<float> items = {0, 1, 2, 3, 4, 5, 7, 21, 2.5f, -1, 0.6f};
    return kind == kEnumeration ? items : numbers;
}

inline void SetReference(TXRComponent& ref, int32_t prop, int32_t part, float v) {
    if (ref.PropertyKind(prop) == kEnumeration) {
        ref.SetEnumValue(prop, RoundHalfEven(v));
    } else {
        ref.SetConstant(prop, part, v);
    }
}

// Probes one part (or the whole, part -1, of a UV or Vector property). Returns whether the output
// reacted to the value.
inline bool ProbePart(const ConnectionCase& cc, int32_t prop, int32_t part) {
    Fresh ref(cc.id), conn(cc.id);
    if (cc.setup) cc.setup(*ref, prop), cc.setup(*conn, prop);
    const int32_t kind = conn->PropertyKind(prop);
    const int parts = kind == kEnumeration ? 1 : FloatCount(kind);
    const bool whole = part == kWholeProperty && (kind == kUV || kind == kVector);
    constexpr float kOwnConstant = 1234.5f;  // never among the candidates
    if (kind == kEnumeration) {
        conn->SetEnumValue(prop, 13);
    } else {
        conn->SetConstant(prop, part, kOwnConstant);
    }
    float source[3] = {0, 0, 0};
    conn->Connect(prop, part, source);
    if (kind == kEnumeration) {
        EXPECT_EQ(conn->InputAddress(prop, kWholeProperty), source);
    } else {
        for (int k = 0; k < parts; ++k) {
            if (!whole && part >= 0 && k != part) continue;
            EXPECT_EQ(conn->InputAddress(prop, kind == kNumerical ? kWholeProperty : k),
                      source + (whole ? k : 0));
        }
    }
    bool reacted = false;
    std::vector<float> first;
    for (const float v : CandidatesFor(kind)) {
        for (int k = 0; k < 3; ++k) source[k] = whole ? v + 0.125f * static_cast<float>(k) : v;
        if (whole) {
            for (int k = 0; k < parts; ++k) SetReference(*ref, prop, k, source[k]);
        } else {
            SetReference(*ref, prop, part, v);
        }
        ref->Evaluate(true);
        conn->Evaluate(true);
        const auto expected = Output(*ref);
        const auto got = Output(*conn);
        for (size_t k = 0; k < expected.size(); ++k) {
            EXPECT_TRUE(SameFloat(got[k], expected[k]))
                << "value " << v << " output part " << k << ": " << got[k] << " instead of "
                << expected[k];
        }
        if (first.empty()) {
            first = expected;
        } else {
            for (size_t k = 0; k < expected.size(); ++k) {
                if (!SameFloat(first[k], expected[k])) reacted = true;
            }
        }
    }
    // Disconnected, the property reads its own constant again (an enumeration keeps the last
    // rounded value).
    conn->Connect(prop, part, nullptr);
    if (kind != kEnumeration) {
        for (int k = 0; k < parts; ++k) {
            EXPECT_EQ(conn->InputAddress(prop, kind == kNumerical ? kWholeProperty : k),
                      conn->ConstantAddress(prop) + k);
        }
        if (whole) {
            for (int k = 0; k < parts; ++k) SetReference(*ref, prop, k, kOwnConstant);
        } else {
            SetReference(*ref, prop, part, kOwnConstant);
        }
    } else {
        EXPECT_EQ(conn->InputAddress(prop, kWholeProperty), nullptr);
    }
    ref->Evaluate(true);
    conn->Evaluate(true);
    const auto expected = Output(*ref);
    const auto got = Output(*conn);
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_TRUE(SameFloat(got[k], expected[k])) << "after disconnecting, output part " << k;
    }
    return reacted;
}

}  // namespace detail

// For every property and part of the class: connected to a source float, Evaluate reads the source
// (the output equals that of a twin whose constant holds the source's value) and not the own
// constant, follows the source when it changes, and reads the constant again once disconnected.
// Each property must also change the output for some value, unless the case allows otherwise.
inline void ExpectInputsReadThroughReferences(const ConnectionCase& cc) {
    Fresh probe(cc.id);
    ASSERT_NE(probe.component, nullptr) << cc.id;
    for (int32_t prop = 0; prop < probe->PropertyCount(); ++prop) {
        const int32_t kind = probe->PropertyKind(prop);
        std::vector<int32_t> parts;
        if (kind == kUV || kind == kVector) {
            for (int k = 0; k < FloatCount(kind); ++k) parts.push_back(k);
        }
        parts.push_back(kWholeProperty);
        for (const int32_t part : parts) {
            SCOPED_TRACE("type id " + std::to_string(cc.id) + " prop " + std::to_string(prop) +
                         " part " + std::to_string(part));
            const bool reacted = detail::ProbePart(cc, prop, part);
            if (!reacted && !(cc.mayIgnore && cc.mayIgnore(prop))) {
                ADD_FAILURE() << "the output never changed with this property";
            }
        }
    }
}

}  // namespace vandrel::test
