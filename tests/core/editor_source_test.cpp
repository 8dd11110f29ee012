#include "core/editor_source.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/stream_sections.h"

namespace vandrel {
namespace {

using namespace std::string_literals;

using S = TScalarCode;
using P = TPropertyCode;

// A made-up type with every kind, so that a layout can carry every code.
constexpr int32_t kTestType = 0x0200;
std::vector<ValueKind> TestKinds(int32_t id) {
    if (id == kTestType) {
        return {kNumerical, kNumerical,   kNumerical,   kVector, kUV,  kVector,
                kUV,        kEnumeration, kEnumeration, kFile,   kFile};
    }
    return BuiltinPropertyKinds(id);
}

TEST(EditorSource, DefaultStreamHasOneRootWindow) {
    const std::string_view section = StreamSection(kDefaultStream, kEditorSourceSection);
    const TEditorSource source = ParseEditorSource(section);
    ASSERT_EQ(source.windows.size(), 1u);
    const TEditorWindow& root = source.windows[0];
    EXPECT_EQ(root.typeId, 1);
    EXPECT_EQ(root.left, 8);
    EXPECT_EQ(root.top, 8);
    const std::vector<P> expected = {
        P::Whole(S::Variable(5)),  P::Scalar(S::Source()), P::Whole(S::Variable(13)),
        P::Whole(S::Variable(46)), P::Scalar(S::Source()), P::EnumValue(1),
        P::EnumValue(0),
    };
    EXPECT_EQ(root.codes, expected);
    EXPECT_EQ(root.unread, "0000SS");  // beyond the root's seven properties
    EXPECT_TRUE(source.connections.empty());
    EXPECT_EQ(source.rootWindow, 0);
    EXPECT_TRUE(source.folds.empty());
    EXPECT_EQ(WriteEditorSource(source), section);
}

TEST(EditorSource, EveryCodeKindReadsAndWritesBack) {
    // Window 0: the root; window 1: the test type at (-16, 256); window 2: an image component
    // (FEUUEVU) at (0, 0).
    const std::string section =
        "000100080008LSSLV000DUSV002FC3F000000S00010000"
        "|0200FFF00100SV0041C3F000000LSLV0002UC3F800000V0005SUSCBF800000V004200032TFN"
        "|045000000000FI0002LSUV0030C3F000000V0041LV0002USS"
        "%000100000F|0002000131|000200010F%0000%010";
    const TEditorSource source = ParseEditorSource(section, TestKinds);
    ASSERT_EQ(source.windows.size(), 3u);

    const TEditorWindow& test = source.windows[1];
    EXPECT_EQ(test.typeId, kTestType);
    EXPECT_EQ(test.left, -16);
    EXPECT_EQ(test.top, 256);
    const std::vector<P> testCodes = {
        P::Scalar(S::Source()),
        P::Scalar(S::Variable(0x41)),
        P::Scalar(S::Constant(0.5f)),
        P::Whole(S::Source()),
        P::Whole(S::Variable(2)),
        P::Parts({S::Constant(1.0f), S::Variable(5), S::Source()}),
        P::Parts({S::Source(), S::Constant(-1.0f)}),
        P::EnumVariable(0x42),
        P::EnumValue(3),
        P::File(2, 'T'),
        P::File(-1, 'N'),
    };
    EXPECT_EQ(test.codes, testCodes);
    EXPECT_EQ(test.unread, "");

    const TEditorWindow& image = source.windows[2];
    EXPECT_EQ(image.typeId, 1104);
    const std::vector<P> imageCodes = {
        P::File(-1, 'I'),
        P::EnumValue(2),
        P::Whole(S::Source()),
        P::Parts({S::Variable(0x30), S::Constant(0.5f)}),
        P::EnumVariable(0x41),
        P::Whole(S::Variable(2)),
        P::Parts({S::Source(), S::Source()}),
    };
    EXPECT_EQ(image.codes, imageCodes);

    const std::vector<TEditorConnection> connections = {{1, 0, 0, -1}, {2, 1, 3, 1}, {2, 1, 0, -1}};
    EXPECT_EQ(source.connections, connections);
    EXPECT_EQ(source.rootWindow, 0);
    EXPECT_EQ(source.folds, (std::vector<uint8_t>{0, 1, 0}));
    EXPECT_EQ(WriteEditorSource(source), section);
}

TEST(EditorSource, BuiltStructureWritesTheFormat) {
    TEditorSource source;
    source.windows.push_back({1, 8, -2, {P::Whole(S::Source()), P::Scalar(S::Constant(1.0f))}, ""});
    source.windows.push_back({0x0385, 300, 40, {}, ""});
    source.connections.push_back({1, 0, 1, -1});
    source.connections.push_back({1, 0, 0, 2});
    source.rootWindow = 0;
    source.folds = {0, 2};
    EXPECT_EQ(WriteEditorSource(source),
              "00010008FFFELSC3F800000|0385012C0028%000100001F|0001000002%0000%02");
    EXPECT_EQ(ParseEditorSource(WriteEditorSource(source)).windows[0], source.windows[0]);
}

TEST(EditorSource, ReadingStopsAndKeepsTheRest) {
    const struct {
        const char* item;
        size_t codes;
        const char* unread;
    } cases[] = {
        {"020000000000SS", 2, ""},
        {"020000000000SXS", 1, "XS"},                    // no such Numerical code
        {"020000000000SSSS", 3, "S"},                    // a Vector needs "L" or "U"
        {"020000000000SSSLC3F800000", 3, "LC3F800000"},  // no whole constant
        {"020000000000SSSUSS", 3, "USS"},                // a Vector has three parts
        {"020000000000SV00", 1, "V00"},                  // cut short inside a field
        {"7777000A000BLSxyz", 0, "LSxyz"},               // unknown type: no kinds
    };
    for (const auto& c : cases) {
        const std::string item = c.item;
        const TEditorSource source = ParseEditorSource(item, TestKinds);
        ASSERT_EQ(source.windows.size(), 1u) << item;
        EXPECT_EQ(source.windows[0].codes.size(), c.codes) << item;
        EXPECT_EQ(source.windows[0].unread, c.unread) << item;
        EXPECT_EQ(WriteEditorSource(source), item + "%%");
    }
    const std::string withNul("020000000000S\0SS", 16);
    const TEditorSource source = ParseEditorSource(withNul, TestKinds);
    EXPECT_EQ(source.windows[0].codes.size(), 1u);
    EXPECT_EQ(source.windows[0].unread, std::string("\0SS", 3));
    EXPECT_EQ(WriteEditorSource(source), withNul + "%%");
}

TEST(EditorSource, UnknownTypeKeepsItsWindowNumber) {
    const TEditorSource source = ParseEditorSource("7777000A000BLS|000100000000%000000010F%0001%");
    ASSERT_EQ(source.windows.size(), 2u);
    ASSERT_EQ(source.connections.size(), 1u);
    EXPECT_EQ(source.connections[0].consumer, 1u);
    EXPECT_EQ(source.windows[0].typeId, 0x7777);
    EXPECT_EQ(source.windows[0].left, 10);
    EXPECT_EQ(source.windows[0].top, 11);
    EXPECT_TRUE(source.windows[0].codes.empty());
    EXPECT_EQ(source.windows[1].typeId, 1);
    EXPECT_EQ(source.rootWindow, 1);
}

TEST(EditorSource, BrokenPiecesGetDefinedResults) {
    // Window headers cut short are kept; connections cut short are dropped; root missing is -1.
    const TEditorSource a = ParseEditorSource("0001|00010000%0001|00000001|0000000105%%3x");
    ASSERT_EQ(a.windows.size(), 2u);
    EXPECT_EQ(a.windows[0].typeId, kUnreadWindow);
    EXPECT_EQ(a.windows[0].unread, "0001");
    EXPECT_EQ(a.windows[1].typeId, kUnreadWindow);
    ASSERT_EQ(a.connections.size(), 1u);
    EXPECT_EQ(a.connections[0].part, -1);  // part digit 5 is outside the format
    EXPECT_EQ(a.rootWindow, -1);
    EXPECT_EQ(a.folds, (std::vector<uint8_t>{3, 0}));

    // Missing parts are empty; text after a fourth "%" is ignored.
    const TEditorSource b = ParseEditorSource("%%0002%1%77");
    EXPECT_TRUE(b.windows.empty());
    EXPECT_EQ(b.rootWindow, 2);
    EXPECT_EQ(b.folds, (std::vector<uint8_t>{1}));
    EXPECT_EQ(ParseEditorSource("").rootWindow, -1);
}

TEST(EditorSource, HostileKindsAndCallbacks) {
    // A callback claiming a huge number of properties reads only what the text holds.
    const PropertyKindsFn many = [](int32_t) { return std::vector<ValueKind>(100000, kNumerical); };
    const TEditorSource source = ParseEditorSource("000100000000SSV0001", many);
    EXPECT_EQ(source.windows[0].codes.size(), 3u);
    // No callback at all: no kinds known.
    EXPECT_TRUE(ParseEditorSource("000100000000SS", PropertyKindsFn{}).windows[0].codes.empty());
    // Kinds without a code stop reading.
    const PropertyKindsFn odd = [](int32_t) {
        return std::vector<ValueKind>{kTrigger, kNumerical};
    };
    EXPECT_TRUE(ParseEditorSource("000100000000SS", odd).windows[0].codes.empty());
}

// Reading what was written gives the same data, for every prefix of a valid section and for
// random text; a prefix that ends among the windows writes back as itself.
TEST(EditorSource, TruncationAndGarbageAreStable) {
    const std::string valid =
        "000100080008LSSLV000DUSV002FC3F000000S00010000"
        "|0200FFF00100SV0041C3F000000LSLV0002UC3F800000V0005SUSCBF800000V004200032TFN"
        "%000100000F|0002000131%0000%010";
    const size_t windowsEnd = valid.find('%');
    size_t lastCodes = 0;
    for (size_t n = 0; n <= valid.size(); ++n) {
        const std::string prefix = valid.substr(0, n);
        const TEditorSource source = ParseEditorSource(prefix, TestKinds);
        const std::string written = WriteEditorSource(source);
        EXPECT_EQ(ParseEditorSource(written, TestKinds), source) << n;
        if (n <= windowsEnd) {
            EXPECT_EQ(written, prefix + "%%") << n;
        }
        size_t codes = 0;
        for (const TEditorWindow& w : source.windows) codes += w.codes.size();
        EXPECT_GE(codes, lastCodes) << n;
        lastCodes = codes;
    }
    EXPECT_EQ(lastCodes, 7u + 11u);

    std::mt19937 random(12345);
    const std::string alphabet = "0123456789ABCDEFSVCLU%|\0xT#"s;
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 80, ' ');
        for (char& c : text) {
            c = round % 2 ? static_cast<char>(random() & 0xFF)
                          : alphabet[random() % alphabet.size()];
        }
        const TEditorSource source = ParseEditorSource(text, TestKinds);
        EXPECT_EQ(ParseEditorSource(WriteEditorSource(source), TestKinds), source) << text;
    }
}

}  // namespace
}  // namespace vandrel
