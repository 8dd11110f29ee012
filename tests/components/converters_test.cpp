#include "components/convert/converters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

#include "component_checks.h"
#include "core/context.h"
#include "core/thread_record.h"
#include "renderer/host/host_state.h"

namespace vandrel {
namespace {

using test::Fresh;

constexpr double kPi = std::numbers::pi;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using test::Case;
using test::Check;
using test::ExpectOutput;
using test::Set;
using test::SetAll;

// The Catmull-Rom value halfway between rows P1 and P2: (−P0 + 9·P1 + 9·P2 − P3) / 16.
double Halfway(double p0, double p1, double p2, double p3) {
    return (-p0 + 9 * p1 + 9 * p2 - p3) / 16;
}

TEST(Converters, ReductionsToOneNumber) {
    const Case rows[] = {
        {"average", 1001, {{1, 2, 6}}, {3}},
        {"luminance of white", 1001, {{1, 1, 1}, {1}}, {1}},
        {"luminance", 1001, {{1, 2, 4}, {1}}, {0.299 + 1.174 + 0.456}},
        {"sum", 1001, {{1, -2, 4}, {2}}, {3}},
        {"hue of red", 1001, {{1, 0, 0}, {3}}, {0}},
        {"hue of green", 1001, {{0, 1, 0}, {3}}, {1.0 / 3}},
        {"hue of blue", 1001, {{0, 0, 1}, {3}}, {2.0 / 3}},
        // Red is the maximum and (G − B) / d is −1, which wraps to 5/6.
        {"hue of magenta", 1001, {{1, 0, 1}, {3}}, {5.0 / 6}},
        // Not clamped: (G − B) / d = 1/2 for (2, 1, 0).
        {"hue beyond 1", 1001, {{2, 1, 0}, {3}}, {1.0 / 12}},
        {"hue of grey", 1001, {{0.4f, 0.4f, 0.4f}, {3}}, {0}},
        {"saturation", 1001, {{4, 2, 1}, {4}}, {0.75}},
        {"saturation of black", 1001, {{0, 0, 0}, {4}}, {0}},
        {"saturation of negative parts", 1001, {{-1, -2, -3}, {4}}, {-2}},
        {"value", 1001, {{2, 5, 3}, {5}}, {5}},
        {"value of negative parts", 1001, {{-1, -2, -3}, {5}}, {-1}},
        {"x", 1001, {{7, 8, 9}, {6}}, {7}},
        {"y", 1001, {{7, 8, 9}, {7}}, {8}},
        {"z", 1001, {{7, 8, 9}, {8}}, {9}},
        {"UV average", 1006, {{1, 4}}, {2.5}},
        {"UV sum", 1006, {{1, 4}, {1}}, {5}},
        {"U", 1006, {{1, 4}, {2}}, {1}},
        {"V", 1006, {{1, 4}, {3}}, {4}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Converters, LengthAndAngleUnits) {
    const Case rows[] = {
        {"inch to centimetres", 1003, {{1}, {4}, {2}}, {2.54}},
        {"mile to points", 1003, {{1}, {7}, {8}}, {1609.344 / 0.00035145980351}},
        {"metres to millimetres", 1003, {{1.5f}, {0}, {1}}, {1500}},
        {"millimetres to kilometres", 1003, {{250000}, {1}, {3}}, {0.25}},
        {"kilometres to metres", 1003, {{2}, {3}, {0}}, {2000}},
        {"feet to yards", 1003, {{6}, {5}, {6}}, {2}},
        {"yards to inches", 1003, {{1}, {6}, {4}}, {36}},
        {"centimetres to feet", 1003, {{30.48f}, {2}, {5}}, {1}},
        // 72.27 points make an inch.
        {"inches to points", 1003, {{1}, {4}, {8}}, {72.27}, 1e-5},
        {"unlisted unit from", 1003, {{5}, {9}, {0}}, {0}},
        {"negative unit from", 1003, {{5}, {-1}, {2}}, {0}},
        {"degrees to radians", 1002, {{180}, {0}}, {kPi}},
        {"right angle", 1002, {{-90}, {0}}, {-kPi / 2}},
        {"radians to degrees", 1002, {{static_cast<float>(kPi / 4)}, {1}}, {45}},
    };
    for (const Case& row : rows) Check(row);
}

TEST(Converters, SphericalAndPolarCoordinates) {
    const float h = static_cast<float>(kPi / 2);
    const Case rows[] = {
        {"X axis", 1009, {{2, 0, 0}}, {0, 0, 2}},
        {"Y axis", 1009, {{0, 3, 0}}, {kPi / 2, 0, 3}},
        {"minus Y takes three quarters", 1009, {{0, -1, 0}}, {3 * kPi / 2, 0, 1}},
        {"minus X", 1009, {{-1, 0, 0}}, {kPi, 0, 1}},
        {"below the X axis wraps", 1009, {{1, -1, 0}}, {7 * kPi / 4, 0, std::numbers::sqrt2}},
        {"elevation", 1009, {{3, 0, 4}}, {0, std::atan2(4.0, 3.0), 5}},
        // x = 0 and y = 0: the quarter turn below, plus a full turn.
        {"Z axis", 1009, {{0, 0, 2}}, {3 * kPi / 2, kPi / 2, 2}},
        {"origin", 1009, {{0, 0, 0}}, {3 * kPi / 2, 0, 0}},
        {"back along Y", 1009, {{h, 0, 2}, {1}}, {0, 2, 0}},
        {"back to the pole", 1009, {{0, h, 3}, {1}}, {0, 0, 3}},
        {"back along minus X", 1009, {{static_cast<float>(kPi), 0, 1}, {1}}, {-1, 0, 0}},
        {"back, elevated",
         1009,
         {{0, static_cast<float>(kPi / 4), 2}, {1}},
         {std::numbers::sqrt2, 0, std::numbers::sqrt2}},
        {"polar of the origin", 1010, {{0, 0}}, {3 * kPi / 2, 0}},
        {"polar of V", 1010, {{0, 1}}, {kPi / 2, 1}},
        {"polar of minus U", 1010, {{-1, 0}}, {kPi, 1}},
        {"polar of minus V", 1010, {{0, -2}}, {3 * kPi / 2, 2}},
        {"polar", 1010, {{3, 4}}, {std::atan2(4.0, 3.0), 5}},
        {"back from polar", 1010, {{h, 2}, {1}}, {0, 2}},
        {"back from polar, half turn", 1010, {{static_cast<float>(kPi), 3}, {1}}, {-3, 0}},
    };
    for (const Case& row : rows) Check(row);
}

// To spherical and back, the two components wired output to input, returns every point.
TEST(Converters, SphericalAndPolarRoundTrips) {
    const std::vector<std::vector<float>> points = {
        {1, 2, 3},     {-1, 2, -3},  {0.5f, -0.25f, 4}, {-2, -2, 0}, {0, 5, -1},
        {0, -5, 1},    {3, 0, 0},    {-3, 0, 0},        {0, 0, -7},  {1e-3f, 2e-3f, -5e-4f},
        {100, -40, 7}, {0.1f, 0, 0},
    };
    for (const auto& p : points) {
        Fresh to(1009), back(1009);
        Set(*to, 0, p);
        Set(*back, 1, {1});
        back->Connect(0, kWholeProperty, to->OutputAddress());
        to->Evaluate(true);
        back->Evaluate(true);
        const double scale = std::max({1.0f, std::fabs(p[0]), std::fabs(p[1]), std::fabs(p[2])});
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(back->OutputAddress()[k], p[k], 1e-6 * scale)
                << p[0] << ", " << p[1] << ", " << p[2] << " part " << k;
        }

        Fresh toPolar(1010), backPolar(1010);
        Set(*toPolar, 0, {p[0], p[1]});
        Set(*backPolar, 1, {1});
        backPolar->Connect(0, kWholeProperty, toPolar->OutputAddress());
        toPolar->Evaluate(true);
        backPolar->Evaluate(true);
        for (int k = 0; k < 2; ++k) {
            EXPECT_NEAR(backPolar->OutputAddress()[k], p[k], 1e-6 * scale)
                << p[0] << ", " << p[1] << " part " << k;
        }
    }
}

TEST(Converters, HsvAndRgb) {
    const Case rows[] = {
        {"hue 1.25 wraps to 0.25", 1004, {{1.25f, 1, 1}}, {0.5, 1, 0}},
        {"grey keeps the value", 1004, {{0.5f, 0, 0.7f}}, {0.7, 0.7, 0.7}},
        {"no saturation, value not clamped", 1004, {{0.3f, 0, 1.5f}}, {1.5, 1.5, 1.5}},
        {"red", 1004, {{0, 1, 1}}, {1, 0, 0}},
        {"blue", 1004, {{2.0f / 3, 1, 1}}, {0, 0, 1}},
        {"negative hue wraps", 1004, {{-0.25f, 1, 1}}, {0.5, 0, 1}},
        {"value clamped", 1004, {{0.5f, 1, 2}}, {0, 1, 1}},
        {"saturation clamped", 1004, {{0.1f, 2, 1}}, {1, 0.6, 0}},
        {"half saturation", 1004, {{0.5f, 0.5f, 0.8f}}, {0.4, 0.8, 0.8}},
        {"last sector", 1004, {{0.9f, 1, 1}}, {1, 0, 0.6}, 1e-5},
        {"RGB red", 1004, {{1, 0, 0}, {1}}, {0, 1, 1}},
        {"RGB green", 1004, {{0, 1, 0}, {1}}, {1.0 / 3, 1, 1}},
        // Green wins the tie with blue: (B − R) / d + 2 = 3.
        {"RGB cyan-ish", 1004, {{0.4f, 0.8f, 0.8f}, {1}}, {0.5, 0.5, 0.8}},
        // Clamped to (1, 0, 0.5): (G − B) / d = −0.5, wrapped.
        {"RGB clamped", 1004, {{2, -1, 0.5f}, {1}}, {11.0 / 12, 1, 1}},
        {"RGB grey", 1004, {{0.3f, 0.3f, 0.3f}, {1}}, {0, 0, 0.3}},
        {"RGB black", 1004, {{0, 0, 0}, {1}}, {0, 0, 0}},
    };
    for (const Case& row : rows) Check(row);
}

// HSV to RGB and back, wired, returns every colour with a hue in [0, 1) and a saturation above 0.
TEST(Converters, HsvRoundTrips) {
    const std::vector<std::vector<float>> colours = {
        {0, 1, 1},       {0.1f, 0.5f, 0.5f},  {0.3f, 0.9f, 0.2f},  {0.45f, 0.3f, 1},
        {0.6f, 1, 0.7f}, {0.75f, 0.2f, 0.9f}, {0.95f, 0.6f, 0.4f},
    };
    for (const auto& hsv : colours) {
        Fresh toRgb(1004), toHsv(1004);
        Set(*toRgb, 0, hsv);
        Set(*toHsv, 1, {1});
        toHsv->Connect(0, kWholeProperty, toRgb->OutputAddress());
        toRgb->Evaluate(true);
        toHsv->Evaluate(true);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(toHsv->OutputAddress()[k], hsv[k], 1e-5) << hsv[0] << " part " << k;
        }
    }
}

// The node of row k + 1 lies at 1000 K + k · 10000/97 K and at 380 nm + k · 400/79 nm, so these
// read the rows (copied by hand) through the whole evaluation.
TEST(Converters, ColourTables) {
    const auto kelvin = [](double k) { return static_cast<float>(1 + k * 10 / 97); };
    const auto nm = [](double k) { return static_cast<float>(3.8 + k * 4 / 79); };
    const Case rows[] = {
        {"below 1000 K", 1005, {{0.5f}}, {1, 0.0497, 0}},
        {"1000 K", 1005, {{1}}, {1, 0.0497, 0}},
        {"row 12", 1005, {{kelvin(11)}}, {0.9609, 0.2921, 0.0271}, 1e-5},
        {"row 50", 1005, {{kelvin(49)}}, {0.3612, 0.3246, 0.3161}, 1e-5},
        {"11000 K", 1005, {{11}}, {0.2413, 0.2821, 0.4225}},
        {"above 11000 K", 1005, {{20}}, {0.2413, 0.2821, 0.4225}},
        // 6000 K lies halfway between rows 49 and 50.
        {"6000 K",
         1005,
         {{6}},
         {Halfway(0.3721, 0.3666, 0.3612, 0.3561), Halfway(0.3272, 0.3259, 0.3246, 0.3234),
          Halfway(0.3077, 0.3120, 0.3161, 0.3201)}},
        {"NaN temperature reads as 1000 K", 1005, {{kNaN}}, {1, 0.0497, 0}},
        {"below the spectrum", 1007, {{1}}, {0.1472, 0, 0.8766}},
        {"380 nm", 1007, {{3.8f}}, {0.1472, 0, 0.8766}},
        {"row 21", 1007, {{nm(20)}}, {0, 0.1927, 0.7985}, 1e-5},
        {"row 36", 1007, {{nm(35)}}, {0.0783, 0.9093, 0}, 1e-5},
        {"inside the green rows", 1007, {{5.3f}}, {0, 1, 0}},
        // 580 nm lies halfway between rows 40 and 41.
        {"580 nm, the default",
         1007,
         {},
         {Halfway(0.5858, 0.7514, 0.9123, 1), Halfway(0.6102, 0.5119, 0.4162, 0.3244), 0},
         1e-5},
        {"780 nm", 1007, {{7.8f}}, {1, 0, 0}},
        {"above the spectrum", 1007, {{9}}, {1, 0, 0}},
        {"NaN wavelength reads as 380 nm", 1007, {{kNaN}}, {0.1472, 0, 0.8766}},
    };
    for (const Case& row : rows) Check(row);
}

// The tables are smooth: neighbouring temperatures and wavelengths never jump, across rows too.
TEST(Converters, ColourTablesAreContinuous) {
    for (const int32_t id : {1005, 1007}) {
        const double low = id == 1005 ? 1 : 3.8, high = id == 1005 ? 11 : 7.8;
        Fresh c(id);
        std::vector<float> last;
        for (int i = 0; i <= 4000; ++i) {
            Set(*c, 0, {static_cast<float>(low + (high - low) * i / 4000)});
            c->Evaluate(true);
            const std::vector<float> out = test::Output(*c);
            for (const float x : out) EXPECT_TRUE(x > -0.1f && x < 1.1f) << id << " " << i;
            if (!last.empty()) {
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(out[k], last[k], 0.01) << id << " " << i;
            }
            last = out;
        }
    }
}

TEST(Converters, UvProjections) {
    // Reference axis X, pole axis Z (the defaults) unless a row says otherwise.
    const Case rows[] = {
        {"spherical, on Y", 1011, {{}, {}, {}, {0}, {0, 1, 0}}, {0.25, 0.5}},
        {"spherical, on minus Y turns the other way",
         1011,
         {{}, {}, {}, {0}, {0, -1, 0}},
         {0.75, 0.5}},
        {"spherical, on minus X", 1011, {{}, {}, {}, {0}, {-1, 0, 0}}, {0.5, 0.5}},
        {"spherical, above X", 1011, {{}, {}, {}, {0}, {1, 0, 1}}, {0, 0.25}},
        {"spherical, on the pole", 1011, {{}, {}, {}, {0}, {0, 0, 1}}, {0, 0}},
        {"spherical, at the origin", 1011, {{}, {}, {}, {0}, {0, 0, 0}}, {0, 0}},
        {"spherical, scaled", 1011, {{}, {}, {2}, {0}, {0, 1, 0}}, {0.5, 1}},
        {"spherical, zero pole axis", 1011, {{}, {0, 0, 0}, {}, {0}, {0, 1, 0}}, {0, 0}},
        {"cylindrical, above X", 1011, {{}, {}, {}, {1}, {1, 0, 1}}, {0, 0}},
        {"cylindrical, below X", 1011, {{}, {}, {}, {1}, {1, 0, -1}}, {0, 1}},
        {"cylindrical, scaled", 1011, {{}, {}, {2}, {1}, {0, 1, 0.5f}}, {0.5, 0.5}},
        // A pole axis of length 2: the height along it is N·P / |N|² = 4/4.
        {"cylindrical, long pole axis", 1011, {{}, {0, 0, 2}, {}, {1}, {0, 1, 2}}, {0.25, 0}},
        {"planar", 1011, {{}, {}, {}, {2}, {3, 4, 5}}, {3, 5}},
        {"planar, scaled", 1011, {{}, {}, {2}, {2}, {3, 4, 5}}, {1.5, 2.5}},
        {"planar, long axis", 1011, {{2, 0, 0}, {}, {}, {2}, {3, 4, 5}}, {1.5, 5}},
        {"planar, zero axes", 1011, {{0, 0, 0}, {0, 0, 0}, {}, {2}, {3, 4, 5}}, {0, 0}},
    };
    for (const Case& row : rows) Check(row);
}

// An enumeration value outside the items leaves the output as it was: zero at first, then the
// value of the last listed item.
TEST(Converters, UnlistedItemsKeepTheOutput) {
    struct Row {
        const char* what;
        int32_t id;
        std::vector<std::vector<float>> props;  // with a listed item
        int32_t prop;                           // the enumeration set out of range
        int32_t unlisted;
        int32_t input;  // a property changed while the item is unlisted
    };
    const Row rows[] = {
        {"3D reduction", 1001, {{1, 2, 3}, {2}}, 1, 12, 0},
        {"3D reduction, negative", 1001, {{1, 2, 3}, {0}}, 1, -1, 0},
        {"UV reduction", 1006, {{1, 2}, {1}}, 1, 4, 0},
        {"to unit", 1003, {{3}, {0}, {2}}, 2, 9, 0},
        {"angle", 1002, {{90}, {0}}, 1, 2, 0},
        {"spherical", 1009, {{1, 2, 3}, {0}}, 1, 2, 0},
        {"polar", 1010, {{1, 2}, {0}}, 1, -1, 0},
        {"projection", 1011, {{}, {}, {}, {0}, {0, 1, 0}}, 3, 3, 4},
        {"planar with Scale 0", 1011, {{}, {}, {1}, {2}, {3, 4, 5}}, 2, 0, 4},
        {"HSV", 1004, {{0.2f, 0.5f, 0.5f}, {1}}, 1, 2, 0},
        {"object data", 1008, {{3}}, 0, 10, 0},
        {"object data, negative", 1008, {{9}}, 0, -1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Fresh c(row.id);
        SetAll(*c, row.props);
        // Scale 0 is not an enumeration: the planar row sets the Scale instead.
        const bool scaleRow = c->PropertyKind(row.prop) == kNumerical;
        const auto unlist = [&] {
            if (scaleRow) {
                c->SetConstant(row.prop, kWholeProperty, 0);
            } else {
                c->SetEnumValue(row.prop, row.unlisted);
            }
        };
        unlist();
        c->Evaluate(true);
        for (const float x : test::Output(*c)) EXPECT_EQ(x, 0.0f);

        SetAll(*c, row.props);
        c->Evaluate(true);
        const std::vector<float> listed = test::Output(*c);
        bool nonZero = false;
        for (const float x : listed) nonZero = nonZero || x != 0;
        ASSERT_TRUE(nonZero);  // so that keeping it is visible

        unlist();
        if (c->PropertyKind(row.input) != kEnumeration) {
            c->SetConstant(row.input, kWholeProperty, 0.375f);
        }
        c->Evaluate(true);
        EXPECT_EQ(test::Output(*c), listed);
    }
}

// The preview cube: edge 2, centred on the origin, axes unrotated. Without a node the host is
// not asked, whatever InHost says.
TEST(Converters, ObjectDataPreview) {
    const std::vector<std::vector<double>> expected = {
        {0.25, -0.5, 0.75}, {0, 0, 0}, {0, 0, 0}, {2, 2, 2},    {0, 0, 0},
        {1, 0, 0},          {0, 1, 0}, {0, 0, 1}, {-1, -1, -1}, {1, 1, 1},
    };
    for (const bool inHost : {false, true}) {
        for (int32_t parameter = 0; parameter < 10; ++parameter) {
            Fresh c(1008);
            float* object = VariableAddress(&c.record, kVarObject);
            object[0] = 0.25f, object[1] = -0.5f, object[2] = 0.75f;
            Set(*c, 0, {static_cast<float>(parameter)});
            c->Evaluate(inHost);
            ExpectOutput(*c, expected[parameter], 0, inHost ? "no node" : "preview");
        }
    }
}

TEST(Converters, ObjectDataFromTheHost) {
    host::Node node;
    node.size = {2, 4, 6};
    node.units = 4;  // inch
    node.location = {1, 2, 3};
    node.rotation = {90, -45, 180};
    node.axesPosition = {0.5f, 0.25f, -1};
    node.axesOrientation = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    node.box = {-3, -2, -1, 4, 5, 6};
    const int32_t inches = host::CreateNode(node);
    node.units = 9;  // not a unit this component knows
    const int32_t unknown = host::CreateNode(node);
    node.units = 2;  // metre
    const int32_t metres = host::CreateNode(node);

    struct Row {
        const char* what;
        int32_t node;
        int32_t parameter;
        std::vector<double> expected;
    };
    const Row rows[] = {
        // o · size · 0.0254 / 2, the object point being (0.5, −1, 1).
        {"position in inches", inches, 0, {0.0127, -0.0508, 0.0762}},
        {"position in metres", metres, 0, {0.5, -2, 3}},
        {"position in an unknown unit", unknown, 0, {0.5, -2, 3}},
        {"location", inches, 1, {1, 2, 3}},
        {"rotation", inches, 2, {kPi / 2, -kPi / 4, kPi}},
        {"size in inches", inches, 3, {0.0508, 0.1016, 0.1524}},
        {"size in metres", metres, 3, {2, 4, 6}},
        {"size in an unknown unit", unknown, 3, {2, 4, 6}},
        {"axes position", inches, 4, {0.5, 0.25, -1}},
        {"X axis", inches, 5, {0, 1, 0}},
        {"Y axis", inches, 6, {-1, 0, 0}},
        {"Z axis", inches, 7, {0, 0, 1}},
        {"box minimum", inches, 8, {-3, -2, -1}},
        {"box maximum", inches, 9, {4, 5, 6}},
    };
    for (const Row& row : rows) {
        Fresh c(1008);
        std::memcpy(&c.record.Variables[kNodeHandleWord], &row.node, sizeof row.node);
        float* object = VariableAddress(&c.record, kVarObject);
        object[0] = 0.5f, object[1] = -1, object[2] = 1;
        Set(*c, 0, {static_cast<float>(row.parameter)});
        c->Evaluate(true);
        ExpectOutput(*c, row.expected, 2e-7, row.what);
        // The same record in the preview describes the cube.
        c->Evaluate(false);
        if (row.parameter == 3) ExpectOutput(*c, {2, 2, 2}, 0, row.what);
    }
}

// Whatever the temperature or wavelength, even NaN, infinite or huge, the colour tables give a
// colour within their rows. (Hostile values of every class are checked in EveryClass.)
TEST(Converters, ColourTablesStayWithinTheirRows) {
    const float inf = std::numeric_limits<float>::infinity();
    for (const int32_t id : {1005, 1007}) {
        for (const float x : {0.f, -0.f, 1.f, -1.f, 0.5f, 3e38f, -3e38f, inf, -inf, 1e-40f, kNaN}) {
            Fresh c(id);
            c->SetConstant(0, kWholeProperty, x);
            c->Evaluate(true);
            for (const float part : test::Output(*c)) {
                EXPECT_TRUE(part >= -0.1f && part <= 1.1f) << id << " at " << x << ": " << part;
            }
        }
    }
}

}  // namespace
}  // namespace vandrel
