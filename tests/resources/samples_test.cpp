// Every sample shader shipped in resources/samples/ is a valid shader file: its checksum holds, its
// tree builds and writes back to the same text, and its editor layout reads back to the same text
// with one window per component.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/editor_source.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "test_support.h"

namespace vandrel {
namespace {

TEST(Samples, EveryShippedShaderIsValid) {
    test::RecordingMessages messages;
    const std::filesystem::path folder = std::string(VANDREL_SOURCE_DIR) + "/resources/samples";
    int count = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        if (file.path().extension() != ".xrb") continue;
        ++count;
        SCOPED_TRACE(file.path().filename().string());
        const TLoadedShader loaded = LoadShaderFile(file.path().string(), TSearchPath{});
        ASSERT_EQ(loaded.status, ShaderFileStatus::kCurrent);
        TThreadRecord record;
        TXRTree tree;
        tree.Context = &record;
        ASSERT_TRUE(tree.BuildFromStream(loaded.stream));
        EXPECT_EQ("XR" + tree.WriteTree(), StreamSection(loaded.stream, kTreeSection));
        const std::string_view layout = StreamSection(loaded.stream, kEditorSourceSection);
        const TEditorSource source = ParseEditorSource(layout, PropertyKindsWith(tree));
        EXPECT_EQ(WriteEditorSource(source), layout);
        EXPECT_EQ(source.windows.size(), tree.Entries.size());
        // Laid out in the canvas's direction: the root at the far left, each source to the
        // right of what it feeds.
        ASSERT_GE(source.rootWindow, 0);
        const TEditorWindow& root = source.windows[static_cast<size_t>(source.rootWindow)];
        for (const TEditorWindow& window : source.windows) {
            EXPECT_TRUE(window.unread.empty());
            EXPECT_LE(root.left, window.left);
        }
        for (const TEditorConnection& c : source.connections) {
            EXPECT_GT(source.windows[c.source].left, source.windows[c.consumer].left);
        }
        EXPECT_EQ(StreamSection(loaded.stream, kCategoriesSection).size(), 4u);
    }
    EXPECT_GE(count, 3);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace vandrel
