// The `vandrel` command end to end: the real executable, loading the real plug-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

#include "core/stream_sections.h"
#include "interface/interface_model.h"
#include "renderer/cli_test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

using Result = test::CliResult;
using test::CliTest;

TEST_F(CliTest, EvalPrintsOneLinePerOutputType) {
    // Colour red from a sine of World.X; the default wiring elsewhere.
    const std::string sine =
        Shader("sine.xrb", "XR0002006501V3F0037000C000103S000000V2F000AV3F002B000F");
    struct Row {
        std::string arguments;
        std::string line;
    };
    const Row rows[] = {
        {sine + " --set World.X=0.25", "1 0 0\n"},
        {sine + " --set World=0.75,5,6 --type reflectance", "0 0 0\n"},
        {sine + " --type transparency --set TrIn=0.5,0.25,0", "1 0.5 0.25 0\n"},
        {sine + " --type displacement", "0 0 1\n"},
        {sine + " --type displacement --set SNorm=0.6,0,0.8", "0.600000024 0 0.800000012\n"},
    };
    for (const Row& row : rows) {
        const Result r = Run("eval " + row.arguments);
        EXPECT_EQ(r.status, 0) << row.arguments << r.err;
        EXPECT_EQ(r.out, row.line) << row.arguments;
    }
}

TEST_F(CliTest, TheStudioWithoutADisplaySaysSoAndStops) {
    // No window system: one line that says what to do, status 1, no abort.
    const Result r = Run("studio", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "vandrel ERROR: studio : the studio needs a display (set DISPLAY), or "
              "QT_QPA_PLATFORM=offscreen to run without one\n");
    EXPECT_EQ(Run("studio", "env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:987 ").status, 1);
}

TEST_F(CliTest, TriggersStartFromTheInterfaceDefaults) {
    TXRInterfaceModel model;
    ASSERT_TRUE(model.RegisterTrigger(2, kNumerical));
    model.Settings().Triggers[2].Values[2] = 0.5f;  // the default of Trigger 3
    // Colour green = Trigger 3 (variable 67).
    const std::string stream =
        JoinSections({"XR0001000101V010043000F", "", model.Serialise(), "TTTT", "", ""});
    const std::string shader = Shader("trigger.xrb", stream);
    EXPECT_EQ(Run("eval " + shader).out, "0 0.5 0\n");
    EXPECT_EQ(Run("eval " + shader + " --trigger 3=0.75").out, "0 0.75 0\n");
}

TEST_F(CliTest, BadInputGivesOneClearLineAndStatusOne) {
    const std::string shader = Shader("ok.xrb", "XR0001000100000F");
    const std::string arguments[] = {
        "eval '" + (folder / "missing.xrb").string() + "'",
        "eval " + shader + " --set Nothing=1",
        "eval " + shader + " --set World=1,2",
        "eval " + shader + " --set Trigger1=1",
        "eval " + shader + " --trigger 21=1",
        "eval " + shader + " --trigger 1=a",
        "eval " + shader + " --file 1=X:foo",
        "eval " + shader + " --file 6=T:foo",
        "eval " + shader + " --type colour",
        "eval " + shader + " --unknown",
        "info '" + (folder / "missing.xrb").string() + "'",
        "nonsense",
    };
    for (const std::string& a : arguments) test::ExpectOneErrorLine(Run(a), a);
}

// The default shader is what the host renders then; the command says so and fails.
TEST_F(CliTest, ChecksumFailureEvaluatesTheDefaultShaderAndFails) {
    const fs::path path = folder / "broken.xrb";
    std::ofstream(path) << "XR0001000101C0F3F800000000F\n00000000\n";  // colour red 1, wrong sum
    const Result r = Run("eval '" + path.string() + "' --set ColorIn=0.25,0.5,0.75");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0.25 0.5 0.75\n");
    EXPECT_EQ(r.err, "vandrel ERROR: \"" + path.string() +
                         "\" : the checksum does not match: the default shader is used instead\n");
    EXPECT_NE(Run("info '" + path.string() + "'").out.find("checksum: mismatch"),
              std::string::npos);
}

// The text form names components, sources, categories and protection; custom components by their
// own definitions, parts by their letters.
TEST_F(CliTest, InfoDescribesTheShader) {
    const struct {
        std::string shader;
        std::vector<std::string> lines;
    } cases[] = {
        {Shader("info.xrb", "XR0002006501V3F0037000C000101S000000000F#%%0000#02D%%#FTTF##"),
         {"checksum: current", "0: 101 Sine Function", "Input <- World Space.X",
          "categories: Transparency, Color", "protected: no"}},
        {test::Quoted(fs::path(VANDREL_SOURCE_DIR) / "resources/samples/Custom Marble.xrb"),
         {": 32769 Marble (custom)", "Vein.G = 0.2", "custom components: 32769"}},
    };
    for (const auto& c : cases) {
        const Result text = Run("info " + c.shader);
        EXPECT_EQ(text.status, 0) << c.shader;
        for (const std::string& line : c.lines) {
            EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;
        }
    }
}

// Each setting says where its value comes from, by key: a script need not parse the text.
TEST_F(CliTest, InfoJsonNamesTheSourceOfEverySetting) {
    TXRInterfaceModel model;
    ASSERT_TRUE(model.RegisterTrigger(2, kNumerical));
    const std::string shader =
        Shader("sources.xrb", JoinSections({"XR0002006501V3F0037000C000102S000000V010043000F",
                                            "%%0000", model.Serialise(), "FTTF", "", ""}));
    const Result result = Run("info --json " + shader);
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["categories"], nlohmann::json({"Transparency", "Color"}));
    EXPECT_EQ(json["protected"], false);
    const nlohmann::json& sine = json["components"][0];
    EXPECT_EQ(sine["id"], 101);
    EXPECT_EQ(sine["name"], "Sine Function");
    const nlohmann::json& output = json["components"][1];
    ASSERT_EQ(output["settings"].size(), 2u) << output.dump();
    EXPECT_EQ(output["settings"][0]["component"], 0) << output.dump();
    EXPECT_EQ(output["settings"][1]["trigger"], 3) << output.dump();
    EXPECT_EQ(output["settings"][1]["part"], "G") << output.dump();
    for (const nlohmann::json& component : json["components"]) {
        for (const nlohmann::json& setting : component["settings"]) {
            int sources = 0;
            for (const char* key : {"value", "variable", "component", "trigger"}) {
                sources += setting.contains(key) ? 1 : 0;
            }
            EXPECT_EQ(sources, 1) << setting.dump();
            EXPECT_TRUE(setting["property"].is_string()) << setting.dump();
        }
    }
    const nlohmann::json& input = sine["settings"][0];
    EXPECT_EQ(input["property"], "Input");
    EXPECT_EQ(input["variable"], "World Space.X");
}

TEST_F(CliTest, EverySubcommandHasHelp) {
    for (const char* command : {"", "catalogue", "eval", "info", "bake"}) {
        const Result r = Run(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("Usage"), std::string::npos) << command;
    }
}

}  // namespace
}  // namespace vandrel
