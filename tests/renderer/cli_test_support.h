// The `vandrel` command as a process: a scratch folder, shader files in it, runs with their status
// and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/shader_file.h"
#include "hostapi/hostapi.h"
#include "test_support.h"

namespace vandrel::test {

// Colour 1 on the root: the smallest shader that renders.
constexpr const char* kWhite = "XR0001000101C0F3F800000000F";

struct CliResult {
    int status = -1;
    std::string out, err;
};

// Built by appending: GCC 12 warns falsely about "'" + a temporary string.
inline std::string Quoted(const std::filesystem::path& path) {
    std::string quoted = "'";
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder = std::filesystem::temp_directory_path() /
                 ("vandrel_cli_" + std::to_string(getpid()) + "_" + name);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // `vandrel ARGUMENTS` in the folder, ended after 30 s (status 124) so that a run that never
    // ends fails instead of hanging; prefix goes before it in the shell (ulimit, variables).
    CliResult Run(const std::string& arguments, const std::string& prefix = "") {
        const std::filesystem::path out = folder / "out.txt", err = folder / "err.txt";
        const std::string command = "cd " + Quoted(folder) + " && " + prefix + " timeout 30 '" +
                                    VANDREL_CLI_PATH + "' " + arguments + " >" + Quoted(out) +
                                    " 2>" + Quoted(err);
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, FileBytes(out), FileBytes(err)};
    }

    // Saves the stream as a shader file in the folder; its path, quoted for the shell.
    std::string Shader(const std::string& name, const std::string& stream) {
        EXPECT_TRUE(SaveShaderFile(folder / name, stream).ok);
        return Quoted(folder / name);
    }

    std::filesystem::path folder;
};

// A refused run: status 1 and one error line on stderr.
inline void ExpectOneErrorLine(const CliResult& r, const std::string& what) {
    EXPECT_EQ(r.status, 1) << what;
    EXPECT_TRUE(r.err.starts_with("vandrel ERROR: ")) << what << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
}

// Width of a picture that decodes whole through the host; 0 when it does not.
inline int32_t DecodedWidth(const std::filesystem::path& file) {
    const int32_t image = hsImageRead(file.c_str());
    const int32_t width = image != 0 ? hsImageGetWidth(image) : 0;
    if (image != 0) hsImageDestroy(image);
    return width;
}

}  // namespace vandrel::test
