#include "components/patterns/patterns.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "component_checks.h"
#include "core/factory.h"
#include "core/thread_record.h"

namespace vandrel {
namespace {

constexpr double kPi = std::numbers::pi;

using test::Set;

// One hand-calculated case: property values (an empty list keeps the default) and the output.
struct Case {
    const char* what;
    int32_t id;
    std::vector<std::vector<float>> props;
    double expected;
};

void Check(const Case& row, double tolerance = 1e-5) {
    std::unique_ptr<TXRComponent> c = CreateComponent(row.id);
    ASSERT_NE(c, nullptr) << row.what;
    for (size_t p = 0; p < row.props.size(); ++p) {
        if (!row.props[p].empty()) Set(*c, static_cast<int32_t>(p), row.props[p]);
    }
    c->Evaluate(true);
    EXPECT_NEAR(c->OutputAddress()[0], row.expected, tolerance) << row.what;
}

TEST(Patterns, CheckerCellsAndGridLines) {
    // With Blur 0.2 at U = 0.2625 the grid line is 0.05 cells away: the smooth step over
    // [-0.1, 0.1] is 0.84375 there, and the cell's interior is ValueB.
    const Case rows[] = {
        {"first cell", 401, {{}, {}, {}, {}, {0.1f, 0.1f}}, 0},
        {"next along U", 401, {{}, {}, {}, {}, {0.3f, 0.1f}}, 1},
        {"diagonal", 401, {{}, {}, {}, {}, {0.3f, 0.3f}}, 0},
        {"left of the origin", 401, {{}, {}, {}, {}, {-0.1f, 0.1f}}, 1},
        {"below the origin", 401, {{}, {}, {}, {}, {0.1f, -0.1f}}, 1},
        {"zero size gives the mean", 401, {{}, {}, {0, 1}, {}, {0.1f, 0.1f}}, 0.5},
        {"mean of other values", 401, {{2}, {5}, {0.5f, 0}, {}, {0.1f, 0.1f}}, 3.5},
        {"blurred grid line", 401, {{}, {}, {}, {0.2f}, {0.25f, 0.1f}}, 0.5},
        {"blurred corner", 401, {{}, {}, {}, {0.2f}, {0.25f, 0.25f}}, 0.5},
        {"inside the blur", 401, {{}, {}, {}, {0.2f}, {0.2625f, 0.1f}}, 0.84375},
        {"blur does not reach the interior", 401, {{}, {}, {}, {0.2f}, {0.375f, 0.1f}}, 1},
        {"3D first cube", 402, {{}, {}, {}, {}, {0.1f, 0.1f, 0.1f}}, 0},
        {"3D next along X", 402, {{}, {}, {}, {}, {0.3f, 0.1f, 0.1f}}, 1},
        {"3D diagonal in XY", 402, {{}, {}, {}, {}, {0.3f, 0.3f, 0.1f}}, 0},
        {"3D next along Z", 402, {{}, {}, {}, {}, {0.1f, 0.1f, 0.3f}}, 1},
        {"3D body diagonal", 402, {{}, {}, {}, {}, {0.3f, 0.3f, 0.3f}}, 1},
        {"3D zero size", 402, {{2}, {3}, {1, 1, 0}, {}, {0.1f, 0.1f, 0.1f}}, 2.5},
        {"3D blurred face", 402, {{}, {}, {}, {0.2f}, {0.1f, 0.1f, 0.25f}}, 0.5},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Patterns, BrickRowsAndMortar) {
    // Size 0.25 and MortarWidth 0.01: half a joint is 0.02 tiles. Blur 0.5 makes the soft edge
    // run from 0.01 to 0.03 tiles, 0.5 at 0.02; Blur 5 counts as 1 (0 to 0.04).
    const Case rows[] = {
        {"inside a tile", 403, {{}, {}, {}, {}, {}, {}, {0.1f, 0.1f}}, 0},
        {"vertical joint", 403, {{}, {}, {}, {}, {}, {}, {0.252f, 0.1f}}, 1},
        {"vertical joint, other side", 403, {{}, {}, {}, {}, {}, {}, {0.248f, 0.1f}}, 1},
        {"horizontal joint", 403, {{}, {}, {}, {}, {}, {}, {0.1f, 0.004f}}, 1},
        {"just beside the joint", 403, {{}, {}, {}, {}, {}, {}, {0.1f, 0.006f}}, 0},
        {"joint of row 0", 403, {{}, {}, {}, {}, {}, {}, {0.25f, 0.1f}}, 1},
        {"row 1 is shifted off it", 403, {{}, {}, {}, {}, {}, {}, {0.25f, 0.3f}}, 0},
        {"row 1 has its joint mid-tile", 403, {{}, {}, {}, {}, {}, {}, {0.125f, 0.3f}}, 1},
        {"row 0 mid-tile", 403, {{}, {}, {}, {}, {}, {}, {0.125f, 0.1f}}, 0},
        {"row -1 is shifted too", 403, {{}, {}, {}, {}, {}, {}, {0.125f, -0.1f}}, 1},
        {"blur edge", 403, {{}, {}, {}, {}, {}, {0.5f}, {0.005f, 0.1f}}, 0.5},
        {"blur above 1 counts as 1", 403, {{}, {}, {}, {}, {}, {5}, {0.0025f, 0.1f}}, 0.84375},
        {"negative blur counts as 0", 403, {{}, {}, {}, {}, {}, {-1}, {0.006f, 0.1f}}, 0},
        {"values mixed by the amount", 403, {{2}, {7}, {}, {}, {}, {0.5f}, {0.005f, 0.1f}}, 4.5},
        {"zero size drops that axis", 403, {{}, {}, {0, 0.25f}, {}, {}, {}, {123, 0.1f}}, 0},
        {"the other axis stays", 403, {{}, {}, {0, 0.25f}, {}, {}, {}, {123, 0.002f}}, 1},
        {"3D inside", 404, {{}, {}, {}, {}, {}, {}, {0.1f, 0.1f, 0.1f}}, 0},
        {"3D joint along X", 404, {{}, {}, {}, {}, {}, {}, {0.252f, 0.1f, 0.1f}}, 1},
        {"3D joint along Z", 404, {{}, {}, {}, {}, {}, {}, {0.1f, 0.1f, 0.002f}}, 1},
        {"3D rows are not shifted", 404, {{}, {}, {}, {}, {}, {}, {0.25f, 0.3f, 0.1f}}, 1},
        {"3D odd layer shifts X", 404, {{}, {}, {}, {}, {}, {}, {0.25f, 0.1f, 0.3f}}, 0},
        {"3D odd layer shifts Y", 404, {{}, {}, {}, {}, {}, {}, {0.1f, 0.125f, 0.3f}}, 1},
        {"3D shift V alone", 404, {{}, {}, {}, {0, 0.5f}, {}, {}, {0.25f, 0.1f, 0.3f}}, 1},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Patterns, PolkaCentreAndCorner) {
    const Case rows[] = {
        {"cell centre", 406, {{}, {}, {}, {}, {}, {0.125f, 0.125f}}, 1},
        {"cell corner", 406, {{}, {}, {}, {}, {}, {0, 0}}, 0},
        {"rim touches the cell side", 406, {{}, {}, {}, {}, {}, {0.125f, 0}}, 1},
        {"blurred rim", 406, {{}, {}, {}, {}, {0.2f}, {0.125f, 0}}, 0.5},
        {"negative blur is 0", 406, {{}, {}, {}, {}, {-0.2f}, {0.125f, 0}}, 1},
        {"other values", 406, {{3}, {-1}, {}, {}, {}, {0.01f, 0.01f}}, 3},
        {"band along U", 406, {{}, {}, {}, {0, 0.5f}, {}, {0.01f, 0.125f}}, 1},
        {"band is narrow in V", 406, {{}, {}, {}, {0, 0.5f}, {}, {0.01f, 0.01f}}, 0},
        {"zero size acts like zero dot size", 406, {{}, {}, {0.25f, 0}, {}, {}, {0.125f, 9}}, 1},
        {"3D centre", 407, {{}, {}, {}, {}, {}, {0.2f, 0.2f, 0.2f}}, 1},
        {"3D corner", 407, {{}, {}, {}, {}, {}, {0, 0, 0}}, 0},
        {"3D beyond the rim", 407, {{}, {}, {}, {}, {}, {0, 0.2f, 0.05f}}, 0},
        {"3D cylinders", 407, {{}, {}, {}, {1, 1, 0}, {}, {0.2f, 0.2f, 0.0f}}, 1},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Patterns, StripesRaysAndCircles) {
    const float c10 = static_cast<float>(std::cos(kPi / 18)), s10 = std::sin(kPi / 18);
    const float c20 = static_cast<float>(std::cos(kPi / 9)), s20 = std::sin(kPi / 9);
    const float c30 = static_cast<float>(std::cos(kPi / 6)), s30 = 0.5f;
    const float c15 = static_cast<float>(std::cos(kPi / 12)), s15 = std::sin(kPi / 12);
    const Case rows[] = {
        {"stripes: zero period", 408, {{0.3f}, {}, {0}, {}, {}, {}, {0, 0.1f}}, 0.3},
        {"stripes: zero width", 408, {{0.3f}, {}, {}, {0}, {}, {}, {0, 0.1f}}, 0.3},
        {"stripes: centre", 408, {{}, {}, {}, {}, {}, {}, {0, 0.1f}}, 1},
        {"stripes: between", 408, {{}, {}, {}, {}, {}, {}, {0, 0}}, 0},
        {"stripes: inside the width", 408, {{}, {}, {}, {}, {}, {}, {0, 0.06f}}, 1},
        {"stripes: outside the width", 408, {{}, {}, {}, {}, {}, {}, {0, 0.04f}}, 0},
        {"stripes: blurred edge", 408, {{}, {}, {}, {}, {0.5f}, {}, {0, 0.05f}}, 0.5},
        {"stripes: U ignored", 408, {{}, {}, {}, {}, {}, {}, {0.1f, 0}}, 0},
        {"stripes: direction 1", 408, {{}, {}, {}, {}, {}, {}, {0.1f, 0}, {1}}, 1},
        {"stripes: direction 1 ignores V", 408, {{}, {}, {}, {}, {}, {}, {0, 0.1f}, {1}}, 0},
        {"stripes: turned a quarter",
         408,
         {{}, {}, {}, {}, {}, {static_cast<float>(kPi / 2)}, {-0.1f, 0}, {2}},
         1},
        {"stripes: unknown direction is V", 408, {{}, {}, {}, {}, {}, {}, {0, 0.1f}, {7}}, 1},
        {"rays: zero width", 410, {{0.3f}, {}, {}, {0}, {}, {}, {1, 0}}, 0.3},
        {"rays: negative width", 410, {{0.3f}, {}, {}, {-1}, {}, {}, {1, 0}}, 0.3},
        {"rays: first on the U axis", 410, {{}, {}, {}, {}, {}, {}, {1, 0}}, 1},
        {"rays: 10 degrees", 410, {{}, {}, {}, {}, {}, {}, {c10, s10}}, 1},
        {"rays: 20 degrees", 410, {{}, {}, {}, {}, {}, {}, {c20, s20}}, 0},
        {"rays: between two", 410, {{}, {}, {}, {}, {}, {}, {c30, s30}}, 0},
        {"rays: second", 410, {{}, {}, {}, {}, {}, {}, {0.5f, c30}}, 1},
        {"rays: opposite", 410, {{}, {}, {}, {}, {}, {}, {-2, 0}}, 1},
        {"rays: turned", 410, {{}, {}, {}, {}, {}, {static_cast<float>(kPi / 6)}, {c30, s30}}, 1},
        {"rays: blurred edge", 410, {{}, {}, {}, {}, {0.5f}, {}, {c15, s15}}, 0.5},
        {"rays: V axis", 410, {{}, {}, {}, {}, {}, {}, {0, 1}}, 0},
        {"rays: V axis, four rays", 410, {{}, {}, {4}, {}, {}, {}, {0, 1}}, 1},
        {"rays: origin as the V axis", 410, {{}, {}, {4}, {}, {}, {}, {0, 0}}, 1},
        {"rays: origin, six rays", 410, {{}, {}, {}, {}, {}, {}, {0, 0}}, 0},
        {"circles: zero period", 409, {{0.3f}, {}, {0}, {}, {}, {}, {0.2f, 0}}, 0.3},
        {"circles: origin", 409, {{}, {}, {}, {}, {}, {}, {0, 0}}, 1},
        {"circles: between rings", 409, {{}, {}, {}, {}, {}, {}, {0.1f, 0}}, 0},
        {"circles: first ring", 409, {{}, {}, {}, {}, {}, {}, {0.2f, 0}}, 1},
        {"circles: inside the ring", 409, {{}, {}, {}, {}, {}, {}, {0, 0.24f}}, 1},
        {"circles: outside the ring", 409, {{}, {}, {}, {}, {}, {}, {0, 0.26f}}, 0},
        {"circles: any direction", 409, {{}, {}, {}, {}, {}, {}, {0.12f, -0.16f}}, 1},
        {"circles: blurred edge", 409, {{}, {}, {}, {}, {}, {0.25f}, {0.05f, 0}}, 0.5},
        {"circles: radius offset", 409, {{}, {}, {}, {}, {0.1f}, {}, {0.1f, 0}}, 1},
        {"circles: offset moves the ring", 409, {{}, {}, {}, {}, {0.1f}, {}, {0.2f, 0}}, 0},
        {"disc: inside", 409, {{}, {}, {}, {}, {}, {}, {0.04f, 0}, {1}}, 1},
        {"disc: outside", 409, {{}, {}, {}, {}, {}, {}, {0.06f, 0}, {1}}, 0},
        {"disc: no ring", 409, {{}, {}, {}, {}, {}, {}, {0.2f, 0}, {1}}, 0},
        {"disc: any other mode", 409, {{}, {}, {}, {}, {}, {}, {0.2f, 0}, {-3}}, 0},
        {"spiral: U axis like rings", 409, {{}, {}, {}, {}, {}, {}, {0.2f, 0}, {2}}, 1},
        {"spiral: half a turn out", 409, {{}, {}, {}, {}, {}, {}, {-0.2f, 0}, {2}}, 0},
        {"spiral: half a turn in", 409, {{}, {}, {}, {}, {}, {}, {-0.1f, 0}, {2}}, 1},
        {"spiral: quarter turn", 409, {{}, {}, {}, {}, {}, {}, {0, 0.05f}, {2}}, 1},
        {"spiral: three quarters", 409, {{}, {}, {}, {}, {}, {}, {0, -0.15f}, {2}}, 1},
        // Five million periods out a quarter turn is 0.75 of a period, however far.
        {"spiral: far out", 409, {{}, {}, {1}, {0.25f}, {}, {}, {0, 5000000}, {2}}, 0},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Patterns, CrossWeaveThreads) {
    // Cell (0, 0): A over B. Cell (1, 0): B over A. The cell's edges are 0.92 from its middle at
    // 0.01 input units in.
    const Case rows[] = {
        {"zero size", 411, {{}, {}, {0.3f}, {0, 0.25f}, {}, {}, {0.1f, 0.1f}}, 0.3},
        {"A over B at the crossing", 411, {{}, {}, {}, {}, {}, {}, {0.125f, 0.125f}}, 1},
        {"B alone", 411, {{}, {}, {}, {}, {}, {}, {0.01f, 0.125f}}, 0.5},
        {"A alone", 411, {{}, {}, {}, {}, {}, {}, {0.125f, 0.01f}}, 1},
        {"gap", 411, {{}, {}, {0.3f}, {}, {}, {}, {0.01f, 0.01f}}, 0.3},
        {"B over A at the crossing", 411, {{}, {}, {}, {}, {}, {}, {0.375f, 0.125f}}, 0.5},
        {"A alone in the next cell", 411, {{}, {}, {}, {}, {}, {}, {0.375f, 0.01f}}, 1},
        {"blurred thread edge", 411, {{}, {}, {}, {}, {}, {0.2f}, {0.0625f, 0.01f}}, 0.5},
        {"negative blur is a step", 411, {{}, {}, {}, {}, {}, {-0.2f}, {0.07f, 0.01f}}, 1},
        {"thread width", 411, {{}, {}, {}, {}, {0.2f, 0.5f}, {}, {0.07f, 0.01f}}, 0},
    };
    for (const Case& row : rows) Check(row);
}

// ---------------------------------------------------------------------------------------------
// Every class of the family reads each property through its input reference at evaluation time.

constexpr int32_t kAllIds[] = {401, 402, 403, 404, 406, 407, 408, 409, 410, 411,
                               412, 413, 501, 502, 503, 504, 505, 508, 509, 510};

bool SameBits(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

std::vector<float> OutputOf(TXRComponent& c) {
    const float* out = c.OutputAddress();
    return {out, out + FloatCount(c.OutputKind())};
}

bool SameOutput(const std::vector<float>& a, const std::vector<float>& b) {
    for (size_t k = 0; k < a.size(); ++k) {
        if (!SameBits(a[k], b[k])) return false;
    }
    return true;
}

// A random configuration: one value per part, one integer per enumeration.
struct Config {
    std::vector<std::vector<float>> values;
};

Config RandomConfig(TXRPropertyComponent& c, std::mt19937& rng) {
    std::uniform_real_distribution<float> real(-2.0f, 2.0f);
    std::uniform_int_distribution<int> item(0, 3);
    Config config;
    for (const PropertySpec& declared : c.Properties()) {
        std::vector<float> parts;
        if (declared.kind == kEnumeration) {
            parts.push_back(static_cast<float>(item(rng)));
        } else {
            for (int k = 0; k < FloatCount(declared.kind); ++k) parts.push_back(real(rng));
        }
        config.values.push_back(parts);
    }
    return config;
}

// Evaluates a fresh instance with the configuration; part (prop, part) is either set as a
// constant or fed through a connected float.
std::vector<float> Evaluate(int32_t id, const Config& config, int32_t prop, int32_t part,
                            float value, bool connected) {
    TThreadRecord record;
    std::unique_ptr<TXRComponent> c = CreateComponent(id);
    c->Bind(&record, nullptr);
    for (size_t p = 0; p < config.values.size(); ++p)
        Set(*c, static_cast<int32_t>(p), config.values[p]);
    float source = value;
    if (connected) {
        c->Connect(prop, part, &source);
    } else if (c->PropertyKind(prop) == kEnumeration) {
        c->SetEnumValue(prop, static_cast<int32_t>(value));
    } else {
        c->SetConstant(prop, part, value);
    }
    c->Evaluate(true);
    return OutputOf(*c);
}

TEST(Patterns, EveryPropertyIsReadThroughItsReference) {
    const std::vector<float> numbers = {-1.7f, -0.3f, 0.37f, 0.8f, 1.0f, 2.0f, 3.0f, 6.6f, 9.0f};
    // A connected enumeration rounds its source; whole values compare with SetEnumValue.
    const std::vector<float> items = {0, 1, 2, 3, 5, 9, -1};
    for (int32_t id : kAllIds) {
        std::unique_ptr<TXRComponent> probe = CreateComponent(id);
        ASSERT_NE(probe, nullptr) << id;
        auto* table = dynamic_cast<TXRPropertyComponent*>(probe.get());
        ASSERT_NE(table, nullptr) << id;
        std::mt19937 rng(static_cast<uint32_t>(id));
        for (int32_t prop = 0; prop < probe->PropertyCount(); ++prop) {
            const int32_t kind = probe->PropertyKind(prop);
            const int parts = kind == kEnumeration ? 1 : FloatCount(kind);
            const std::vector<float>& candidates = kind == kEnumeration ? items : numbers;
            for (int32_t part = 0; part < parts; ++part) {
                bool sensitive = false;
                for (int trial = 0; trial < 400 && !sensitive; ++trial) {
                    const Config config = RandomConfig(*table, rng);
                    std::vector<float> first;
                    for (float v : candidates) {
                        const auto viaConstant = Evaluate(id, config, prop, part, v, false);
                        const auto viaReference = Evaluate(id, config, prop, part, v, true);
                        ASSERT_TRUE(SameOutput(viaConstant, viaReference))
                            << id << " property " << prop << " part " << part << " value " << v;
                        if (first.empty()) {
                            first = viaConstant;
                        } else if (!SameOutput(first, viaConstant)) {
                            sensitive = true;
                        }
                    }
                }
                EXPECT_TRUE(sensitive)
                    << id << " never depends on property " << prop << " part " << part;
            }
        }
    }
}

// Hostile values never crash and never read anything undefined: two fresh instances fed the same
// values agree bit for bit (the sanitizer builds check the rest).
TEST(Patterns, HostileInputsAreDeterministic) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const float values[] = {
        std::numeric_limits<float>::quiet_NaN(), kInf, -kInf, 3e38f, -3e38f, 1e-38f, 0.0f, -0.0f};
    const int32_t enums[] = {std::numeric_limits<int32_t>::min(), -1, 2, 100,
                             std::numeric_limits<int32_t>::max()};
    for (int32_t id : kAllIds) {
        for (size_t round = 0; round < 40; ++round) {
            std::vector<float> outputs[2];
            for (auto& out : outputs) {
                TThreadRecord record;
                std::unique_ptr<TXRComponent> c = CreateComponent(id);
                c->Bind(&record, nullptr);
                for (int32_t p = 0; p < c->PropertyCount(); ++p) {
                    if (c->PropertyKind(p) == kEnumeration) {
                        c->SetEnumValue(p, enums[(round + p) % std::size(enums)]);
                        continue;
                    }
                    for (int k = 0; k < FloatCount(c->PropertyKind(p)); ++k) {
                        c->SetConstant(p, k, values[(round * 7 + p * 3 + k) % std::size(values)]);
                    }
                }
                c->Evaluate(true);
                c->Evaluate(true);  // a cache hit, where there is a cache
                out = OutputOf(*c);
            }
            EXPECT_TRUE(SameOutput(outputs[0], outputs[1])) << id << " round " << round;
        }
    }
}

}  // namespace
}  // namespace vandrel
