// `vandrel` against hostile and faulty input, as a process: frame numbers at the integer limits,
// outputs that must not be clobbered, concurrent writers, too few threads, inputs it cannot use,
// settings it must leave alone and labels that must not reach the terminal raw.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/instance.h"
#include "core/shader_file.h"
#include "core/stream_codec.h"
#include "core/stream_sections.h"
#include "hostapi/hostapi.h"
#include "interface/interface_model.h"
#include "renderer/cli_test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::CliTest;
using test::DecodedWidth;
using test::FileBytes;
using test::kWhite;
using test::Quoted;

std::vector<std::string> FilesEndingIn(const fs::path& folder, const std::string& suffix) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(suffix)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool Sanitized() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

TEST_F(CliTest, FrameNumbersAtTheIntegerLimitsEndAndStayWithinTheCap) {
    const std::string shader = Shader("s.xrb", kWhite);
    struct Row {
        std::string options;
        int status;
        std::vector<std::string> files;
    };
    const Row rows[] = {
        {"--frame 2147483647 -o one.png", 0, {"one.png"}},
        {"--frame=-2147483648 -o one.png", 0, {"one.png"}},
        {"--frames 2147483646-2147483647 -o f%04d.png", 0, {"f2147483646.png", "f2147483647.png"}},
        {"--frames=-2147483648--2147483647 -o f%04d.png",
         0,
         {"f-2147483647.png", "f-2147483648.png"}},
        {"--frames=-2147483648-2147483647 -o f%04d.png", 1, {}},  // 2^32 frames
        {"--frames 0-100000 -o f%04d.png", 1, {}},                // one frame beyond the cap
        {"--frame 2147483648 -o one.png", 1, {}},
    };
    for (const Row& row : rows) {
        for (const std::string& name : FilesEndingIn(folder, ".png")) fs::remove(folder / name);
        const CliResult r = Run("render " + shader + " --size 1 " + row.options);
        EXPECT_EQ(r.status, row.status) << row.options << ": " << r.err;
        EXPECT_EQ(FilesEndingIn(folder, ".png"), row.files) << row.options;
    }
}

// Every writer renames its own complete file: all succeed and the last one's image is in place.
TEST_F(CliTest, ConcurrentRendersToOneFileLeaveOneCompleteImage) {
    const std::string shader = Shader("s.xrb", kWhite);
    std::string script;
    for (int i = 1; i <= 8; ++i) {
        script += "(timeout 30 '" + std::string(VANDREL_CLI_PATH) + "' render " + shader +
                  " --samples 1 --threads 1 --size " + std::to_string(96 + i) +
                  " -o shared.png 2>/dev/null; echo $? >status" + std::to_string(i) + ") & ";
    }
    ASSERT_EQ(std::system(("cd " + Quoted(folder) + " || exit 1; " + script + "wait").c_str()), 0);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(FileBytes(folder / ("status" + std::to_string(i))), "0\n") << i;
    }
    const int32_t width = DecodedWidth(folder / "shared.png");
    EXPECT_GE(width, 97);
    EXPECT_LE(width, 104);
    EXPECT_EQ(FilesEndingIn(folder, ".tmp"), std::vector<std::string>{});
    int hidden = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        hidden += entry.path().filename().string().starts_with(".") ? 1 : 0;
    }
    EXPECT_EQ(hidden, 0);  // no temporary left behind
}

TEST_F(CliTest, FilesAndLinksAtTheOldTemporaryNamesStayUntouched) {
    const std::string shader = Shader("s.xrb", kWhite);
    std::ofstream(folder / "victim.txt") << "keep me";
    fs::create_symlink("victim.txt", folder / "out.png.tmp");
    std::ofstream(folder / "own.txt") << "mine";
    fs::create_hard_link(folder / "own.txt", folder / "out.exr.tmp");
    for (const char* output : {"out.png", "out.exr"}) {
        const CliResult r = Run("render " + shader + " --size 8 -o " + output);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(DecodedWidth(folder / output), 8) << output;
    }
    EXPECT_TRUE(fs::is_symlink(folder / "out.png.tmp"));
    EXPECT_EQ(FileBytes(folder / "victim.txt"), "keep me");
    EXPECT_EQ(FileBytes(folder / "out.exr.tmp"), "mine");
    EXPECT_EQ(fs::hard_link_count(folder / "own.txt"), 2u);
}

TEST_F(CliTest, AnOutputThatIsAnInputIsRefused) {
    SaveShaderFile(folder / "s.png", kWhite);
    const std::string shader = Shader("s.xrb", kWhite);
    fs::create_hard_link(folder / "s.xrb", folder / "linked.png");
    std::ofstream(folder / "tex.png") << "not really a picture";
    fs::create_hard_link(folder / "s.xrb", folder / "f0002.png");
    const std::string options[] = {
        Quoted(folder / "s.png") + " -o s.png", shader + " -o linked.png",
        shader + " --file 1=T:tex.png -o tex.png",
        shader + " --frames 1-2 -o f%04d.png",  // the second frame's name
    };
    const std::string before = FileBytes(folder / "s.xrb");
    for (const std::string& o : options) {
        const CliResult r = Run("render " + o + " --size 4");
        test::ExpectOneErrorLine(r, o);
        EXPECT_NE(r.err.find("is the input"), std::string::npos) << o << ": " << r.err;
    }
    EXPECT_EQ(FileBytes(folder / "s.xrb"), before);
    EXPECT_EQ(LoadShaderFile((folder / "s.png").string(), TSearchPath{}).stream, kWhite);
    EXPECT_EQ(FileBytes(folder / "tex.png"), "not really a picture");
}

TEST_F(CliTest, OutputNamesUpToTheLongestTheFolderAllows) {
    const std::string shader = Shader("s.xrb", kWhite);
    for (const size_t length : {252, 255}) {
        const std::string name = std::string(length - 4, 'n') + ".png";
        const CliResult r = Run("render " + shader + " --size 2 -o " + name);
        EXPECT_EQ(r.status, 0) << length << ": " << r.err;
        EXPECT_EQ(DecodedWidth(folder / name), 2) << length;
    }
}

// RLIMIT_NPROC does not bind root, an address-space limit does: each thread wants 8 MiB of stack.
TEST_F(CliTest, ThreadsThatCannotStartLeaveFewerWithAWarning) {
    if (Sanitized()) GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
    const std::string shader = Shader("s.xrb", kWhite);
    const CliResult r = Run("render " + shader + " --size 512 --samples 1 --threads 1000 -o t.png",
                            "ulimit -v 2097152;");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("vandrel WARNING: \"--threads 1000\" : only ", 0), 0u) << r.err;
    EXPECT_EQ(DecodedWidth(folder / "t.png"), 512);
}

// A shader that cannot be built or is over the stream cap: each subcommand fails with the same
// one line, render and eval still give what the host gives (the default shader's picture and
// sample).
TEST_F(CliTest, UnbuildableShadersFailWithTheSameLineEverywhere) {
    struct Row {
        const char* name;
        std::string stream;  // empty: a file of zeros one byte over the cap
        std::string message;
    };
    const Row rows[] = {
        {"unknown.xrb", "XR00020FFF00000F000101C0F3F800000000F",
         "Trying to create a non-existing component (0FFF). Please mail the shader file and what "
         "you were doing to support@vandrel.org."},
        {"custom.xrb", "XR0002800500000F000101C0F3F800000000F",
         "Trying to create a non-existing component (8005). Please mail the shader file and what "
         "you were doing to support@vandrel.org."},
        {"truncated.xrb", "XR0002006501V3F0037", std::string(kCutShortMessage)},
        {"lower.xrb", "XR0001000101C0F3f800000000F", std::string(kNotHexMessage)},
        {"empty.xrb", "XR0000", std::string(kNoComponentsMessage)},
        {"notree.xrb", "YR0001000101C0F3F800000000F", std::string(kNoTreeMessage)},
        {"huge.xrb", "", std::string(ShaderFileProblem(ShaderFileStatus::kTooLong))},
    };
    for (const Row& row : rows) {
        std::string shader = Quoted(folder / row.name);
        if (row.stream.empty()) {
            std::ofstream(folder / row.name).close();
            fs::resize_file(folder / row.name, kMaxStreamBytes + 1);  // no line break
        } else {
            shader = Shader(row.name, row.stream);
        }
        const std::string line =
            "vandrel ERROR: \"" + (folder / row.name).string() + "\" : " + row.message + "\n";
        for (const std::string command : {"render --size 2 -o x.png ", "eval ", "info "}) {
            const CliResult r = Run(command + shader);
            EXPECT_EQ(r.status, 1) << command << row.name;
            EXPECT_EQ(r.err, line) << command << row.name;
        }
        EXPECT_EQ(DecodedWidth(folder / "x.png"), 2) << row.name;
        fs::remove(folder / "x.png");
    }
}

TEST_F(CliTest, EveryExposedFileThatCannotBeUsedIsReported) {
    const std::string shader = Shader("s.xrb", kWhite);
    std::ofstream(folder / "text.png") << "not a picture";
    const CliResult r = Run("eval " + shader +
                            " --file 1=T:missing.png --file 2=A:missing.wav --file 3=I:text.png "
                            "--file 4=B:missing.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "1 1 1\n");
    const std::string context = "vandrel ERROR: \"" + (folder / "s.xrb").string() + "\" : ";
    for (const char* file : {"T:missing.png", "A:missing.wav", "I:text.png", "B:missing.png"}) {
        const std::string line =
            context + std::string(kUnusableFileMessage) + " \"" + file + "\".\n";
        EXPECT_NE(r.err.find(line), std::string::npos) << file << ": " << r.err;
    }
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 4) << r.err;
}

TEST_F(CliTest, ARunLeavesTheSettingsFileAsItWas) {
    const fs::path ini = folder / "config" / "Ferrow Software" / "Vandrel.ini";
    fs::create_directories(ini.parent_path());
    const std::string text = "; kept\n[Other]\nx=1\n[Vandrel]\nEditNew=0\nUnknown=5\n";
    std::ofstream(ini, std::ios::binary) << text;
    struct stat before {};
    ASSERT_EQ(::stat(ini.c_str(), &before), 0);
    const std::string shader = Shader("s.xrb", kWhite);
    const std::string home = "XDG_CONFIG_HOME=" + Quoted(folder / "config");
    EXPECT_EQ(Run("eval " + shader, home).status, 0);
    EXPECT_EQ(Run("render --size 2 -o x.png " + shader, home).status, 0);
    EXPECT_EQ(Run("catalogue", home).status, 0);
    struct stat after {};
    ASSERT_EQ(::stat(ini.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(FileBytes(ini), text);
}

TEST_F(CliTest, ControlCharactersFromFilesReachTheTerminalEscaped) {
    TXRInterfaceModel model;
    ASSERT_TRUE(model.RegisterTrigger(0, kNumerical));
    model.Settings().Triggers[0].Label = EscapeText(
        "red\x1b]0;owned\x07 \xC2\x9B"
        "2J é");
    const std::string shader = Shader(
        "label.xrb", JoinSections({"XR0001000101C0F3F800000000F", "", model.Serialise(), "TTTT"}));
    const CliResult text = Run("info " + shader);
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("\"red\\x1B]0;owned\\x07 \\xC2\\x9B2J é\""), std::string::npos)
        << text.out;
    EXPECT_EQ(text.out.find_first_of("\x1b\x07"), std::string::npos);
    const CliResult json = Run("info --json " + shader);
    EXPECT_NE(json.out.find("red\\u001b]0;owned\\u0007"), std::string::npos) << json.out;
    // Error lines too, whatever the name they report.
    const CliResult error = Run("eval " + shader + " --file \"1=T:$(printf 'a\\033[2J.png')\"");
    EXPECT_EQ(error.status, 1);
    EXPECT_NE(error.err.find("\"T:a\\x1B[2J.png\""), std::string::npos) << error.err;
    EXPECT_EQ(error.err.find('\x1b'), std::string::npos);
}

// A Displacement-only shader given as SHADER renders as displacement, with a note.
TEST_F(CliTest, AShaderGoesIntoTheFirstSlotItsCategoriesAllow) {
    const std::string ripple =
        Quoted(fs::path(VANDREL_SOURCE_DIR) / "resources/samples/Ripple Normal.xrb");
    const CliResult given = Run("render " + ripple + " --size 24 -o given.png");
    EXPECT_EQ(given.status, 0);
    EXPECT_EQ(given.err,
              "vandrel NOTE: \"" +
                  (fs::path(VANDREL_SOURCE_DIR) / "resources/samples/Ripple Normal.xrb").string() +
                  "\" : its categories do not include Color: it goes into the "
                  "Displacement slot\n");
    ASSERT_EQ(Run("render --displacement " + ripple + " --size 24 -o slot.png").status, 0);
    ASSERT_EQ(Run("render --color " + ripple + " --size 24 -o colour.png").status, 0);
    EXPECT_EQ(FileBytes(folder / "given.png"), FileBytes(folder / "slot.png"));
    EXPECT_NE(FileBytes(folder / "given.png"), FileBytes(folder / "colour.png"));
    // Its slot taken by an option: refused.
    EXPECT_EQ(Run("render " + ripple + " --displacement " + ripple + " -o x.png").status, 1);
}

}  // namespace
}  // namespace vandrel
