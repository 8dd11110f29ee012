// Readers of outside files open regular files only: a FIFO (or a folder) is refused at once, never
// waited on. Every reader of the program is tried; a reader that would block is released after a
// while by opening the FIFO's other end, and fails the test.
#include "core/regular_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include "components/custom/custom_components.h"
#include "core/language.h"
#include "core/shader_file.h"
#include "editor/model/editor_settings.h"
#include "renderer/studio_material.h"
#include "test_support.h"

namespace vandrel {
namespace {

namespace fs = std::filesystem;

bool FinishesPromptly(const fs::path& fifo, const std::function<bool()>& read, bool& result) {
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(2)) == std::future_status::ready) {
        result = done.get();
        return true;
    }
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    result = done.get();
    return false;
}

TEST(RegularFile, EveryReaderRefusesAFifoAtOnce) {
    const fs::path folder =
        fs::temp_directory_path() / ("vandrel_fifo_" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path fifo = folder / "pipe.xrb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::RecordingMessages messages;  // the component reader reports a refused file

    struct Row {
        const char* reader;
        std::function<bool()> read;  // true when the reader took the FIFO for a file
    };
    const Row rows[] = {
        {"ReadRegularFile",
         [&] {
             std::string text;
             return ReadRegularFile(fifo, 1 << 20, text);
         }},
        {"OpenRegularFile", [&] { return OpenRegularFile(fifo) != nullptr; }},
        {"shader file",
         [&] {
             return LoadShaderFile(fifo.string(), TSearchPath{}).status !=
                    ShaderFileStatus::kNotFound;
         }},
        {"language file", [&] { return TLanguageFile().Load(fifo); }},
        {"component file", [&] { return ReadCustomComponentFile(fifo).has_value(); }},
        {"studio material",
         [&] {
             std::string error;
             return studio::LoadMaterialFile(fifo, error).has_value();
         }},
        {"editor settings",
         [&] { return !ReadEditorSettings(fifo, folder).EditNew; }},  // defaults: EditNew ticked
    };
    for (const Row& row : rows) {
        bool took = true;
        EXPECT_TRUE(FinishesPromptly(fifo, row.read, took)) << row.reader;
        EXPECT_FALSE(took) << row.reader;
    }
    // A folder is no file either.
    std::string text;
    EXPECT_FALSE(ReadRegularFile(folder, 1 << 20, text));
    fs::remove_all(folder);
}

TEST(RegularFile, ReadsWholeFilesUpToTheLimit) {
    const fs::path file =
        fs::temp_directory_path() / ("vandrel_regular_" + std::to_string(getpid()));
    {
        std::FILE* out = std::fopen(file.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fputs("0123456789", out);
        std::fclose(out);
    }
    std::string text;
    EXPECT_TRUE(ReadRegularFile(file, 10, text));
    EXPECT_EQ(text, "0123456789");
    EXPECT_FALSE(ReadRegularFile(file, 9, text));  // one byte more than allowed
    EXPECT_EQ(text, "");
    EXPECT_FALSE(ReadRegularFile(file.string() + ".missing", 10, text));
    fs::remove(file);
}

}  // namespace
}  // namespace vandrel
