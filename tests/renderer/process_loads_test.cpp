// What a `vandrel` process loads: the plug-in on one shared core, and no Qt unless a window opens.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "renderer/cli_test_support.h"

namespace vandrel::test {
namespace {

// How many times each object (by file name) was mapped, from the loader's LD_DEBUG=files report.
std::map<std::string, int> MappedObjects(const std::string& report) {
    std::map<std::string, int> mapped;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("file=");
        if (at == std::string::npos || line.find("generating link map") == std::string::npos) {
            continue;
        }
        std::string path = line.substr(at + 5, line.find(" [", at) - at - 5);
        ++mapped[path.substr(path.find_last_of('/') + 1)];
    }
    return mapped;
}

using ProcessLoads = CliTest;

TEST_F(ProcessLoads, RenderAndEvalMapOneCoreAndNoQt) {
    const std::string shader =
        Quoted(std::filesystem::path(VANDREL_SOURCE_DIR) / "resources/samples/Sine Gradient.xrb");
    for (const std::string arguments :
         {"eval " + shader, "render " + shader + " --size 8x8 --samples 1 -o small.png"}) {
        SCOPED_TRACE(arguments);
        const CliResult run = Run(arguments, "LD_DEBUG=files");
        ASSERT_EQ(run.status, 0) << run.err.substr(run.err.size() -
                                                   std::min<size_t>(run.err.size(), 2000));
        const std::map<std::string, int> mapped = MappedObjects(run.err);
        // The plug-in was loaded, and the report is read: otherwise nothing below means anything.
        ASSERT_EQ(mapped.count("libvandrel.so"), 1u);
        EXPECT_EQ(mapped.at("libvandrel.so"), 1);
        ASSERT_EQ(mapped.count("libvandrel_core.so"), 1u);
        EXPECT_EQ(mapped.at("libvandrel_core.so"), 1);
        EXPECT_EQ(mapped.count("libvandrel_windows.so"), 0u);
        for (const auto& [name, count] : mapped) {
            EXPECT_NE(name.rfind("libQt", 0), 0u) << name << " is mapped";
        }
    }
}

// The defined symbols of a binary, demangled, as nm lists them (its local ones included).
std::string DefinedSymbols(const std::filesystem::path& file) {
    return CommandOutput("nm -C --defined-only " + Quoted(file) + " 2>/dev/null");
}

bool Defines(const std::string& symbols, const std::string& name) {
    return symbols.find(" " + name + "(") != std::string::npos;
}

// A second static copy would define the core's functions again, hidden or not: only the core
// library does, the editor's plain model included.
TEST(OneCore, OnlyTheCoreLibraryDefinesTheCore) {
    const std::filesystem::path bin = std::filesystem::path(VANDREL_CLI_PATH).parent_path();
    for (const char* file : {"libvandrel_core.so", "vandrel", "libvandrel.so",
                             "libvandrel_windows.so", "libvandrel_studio.so"}) {
        SCOPED_TRACE(file);
        const std::string symbols = DefinedSymbols(bin / file);
        ASSERT_FALSE(symbols.empty());
        const bool core = std::string(file) == "libvandrel_core.so";
        for (const char* function :
             {"vandrel::InstallComponentRegistry", "vandrel::TXRInterfaceModel::UpdateNow",
              "vandrel::EditorSettings"}) {
            EXPECT_EQ(Defines(symbols, function), core) << function;
        }
    }
}

}  // namespace
}  // namespace vandrel::test
