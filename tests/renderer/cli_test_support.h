// The `vandrel` command as a process: a scratch folder, shader files in it, runs with their status
// and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/shader_file.h"

namespace vandrel::test {

struct CliResult {
    int status = -1;
    std::string out, err;
};

inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
    }

    // Saves the stream as a shader file in the folder; its path, quoted for the shell.
    std::string Shader(const std::string& name, const std::string& stream) {
        EXPECT_TRUE(SaveShaderFile(folder / name, stream).ok);
        return Quoted(folder / name);
    }

    std::filesystem::path folder;
};

}  // namespace vandrel::test
