// "Arrange" on every bundled sample: no two containers overlap, the root stands at the far left
// and every wire runs from a source on the right to its target on the left; wire and band hits.
#include "editor/model/arrange.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/shader_file.h"
#include "editor/model/wire_hit.h"
#include "interface/interface_model.h"
#include "test_support.h"

namespace vandrel {
namespace {

TEST(Arrange, EverySampleEndsWithoutOverlapsInTheCanvasDirection) {
    const std::filesystem::path folder =
        std::filesystem::path(VANDREL_SOURCE_DIR) / "resources" / "samples";
    int samples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".xrb") continue;
        ++samples;
        TXRInterfaceModel iface;
        TXRGraphModel model(iface);
        const TLoadedShader shader = LoadShaderFile(entry.path().string());
        ASSERT_TRUE(model.Rebuild(shader.stream)) << entry.path();
        ArrangeGraph(model);
        const auto& cs = model.Containers();
        for (size_t i = 0; i < cs.size(); ++i) {
            EXPECT_LE(model.RootContainer()->Left, cs[i]->Left) << entry.path();
            for (size_t j = i + 1; j < cs.size(); ++j) {
                const TRect a = cs[i]->Bounds();
                const TRect b = cs[j]->Bounds();
                EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom &&
                             b.top < a.bottom)
                    << entry.path() << ": " << cs[i]->Title() << " overlaps " << cs[j]->Title();
            }
        }
        for (const auto& conn : model.Connections()) {
            EXPECT_GT(conn->Source->Left, conn->Target->Left) << entry.path();
        }
        // Arranged again, nothing moves.
        const std::string layout = model.LayoutText();
        ArrangeGraph(model);
        EXPECT_EQ(model.LayoutText(), layout) << entry.path();
    }
    EXPECT_GE(samples, 11);
}

TEST(WireHit, NearestWireWithinTheToleranceAndBandsMeetBoxes) {
    TXRInterfaceModel iface;
    TXRGraphModel model(iface);
    const TLoadedShader shader =
        LoadShaderFile(std::string(VANDREL_SOURCE_DIR) + "/resources/samples/Noisy Bricks.xrb");
    ASSERT_TRUE(model.Rebuild(shader.stream));
    ASSERT_FALSE(model.Connections().empty());
    for (const auto& conn : model.Connections()) {
        const TPath points = conn->CanvasPoints();
        ASSERT_GE(points.size(), 2u);
        const TPoint mid{(points[0].x + points[1].x) / 2, (points[0].y + points[1].y) / 2};
        EXPECT_EQ(ConnectionAt(model, mid), conn.get());
        EXPECT_EQ(ConnectionAt(model, {mid.x, mid.y + 2}), conn.get());
    }
    EXPECT_EQ(ConnectionAt(model, {-500, -500}), nullptr);
    const TXRComponentContainer* root = model.RootContainer();
    const auto met = ContainersIn(model, {root->Left + 10, root->Top + 10, root->Left - 40,
                                          root->Top - 40});  // drawn up and to the left
    ASSERT_EQ(met.size(), 1u);
    EXPECT_EQ(met[0], root);
    EXPECT_EQ(ContainersIn(model, {-900, -900, -800, -800}).size(), 0u);
}

}  // namespace
}  // namespace vandrel
