// The canvas widgets, offscreen: drops of dragged outputs, the drag cursors, the drawn connection,
// the progress box of large rebuilds and the tracks of the wires.
#include "editor/component_window.h"
// (the model before Qt)
#include <gtest/gtest.h>

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <filesystem>
#include <set>

#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "editor/controls/cursors.h"
#include "editor/controls/progress_form.h"
#include "interface/interface_model.h"
#include "qt_test_support.h"
#include "test_support.h"

namespace vandrel {
namespace {

constexpr int32_t kAdd = 901;      // Numerical A, B -> Numerical
constexpr int32_t kScaleUV = 610;  // UV, Scale -> UV

class CanvasTest : public ::testing::Test {
  protected:
    void SetUp() override { test::TestApplication(); }

    std::unique_ptr<QMimeData> DragOf(const TXRComponentContainer* source) {
        auto mime = std::make_unique<QMimeData>();
        mime->setData(kDragDotMime, QByteArray::number(reinterpret_cast<quintptr>(source), 16));
        return mime;
    }
    // Sends a move and a drop at a point local to the container's widget; true when accepted.
    bool Drop(TXRComponentWindow& window, TXRComponentContainer* target, QPoint at,
              const QMimeData& mime) {
        TXRContainerWidget* w = window.WidgetOf(target);
        EXPECT_NE(w, nullptr);
        // Straight to the widget: without a drag in progress the application drops the events.
        QObject* receiver = w;
        QDragMoveEvent move(at, Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
        receiver->event(&move);
        QDropEvent drop(QPointF(at), Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
        receiver->event(&drop);
        EXPECT_EQ(move.isAccepted(), drop.isAccepted());
        return drop.isAccepted();
    }

    test::RecordingMessages messages{false};
    TXRInterfaceModel iface;
    TXRGraphModel model{iface};
};

TEST_F(CanvasTest, AUVOutputDroppedOnANumericalInputIsRefused) {
    TXRComponentWindow window(model);
    window.resize(600, 400);
    window.show();
    TXRComponentContainer* add = model.CreateContainer(kAdd, 10, 10);
    TXRComponentContainer* uv = model.CreateContainer(kScaleUV, 300, 10);
    TXRComponentContainer* other = model.CreateContainer(kAdd, 300, 200);
    ASSERT_TRUE(add && uv && other);
    const QPoint onB(60, add->Properties[1].Top + 5);

    const auto uvDrag = DragOf(uv);
    EXPECT_FALSE(Drop(window, add, onB, *uvDrag));
    EXPECT_TRUE(model.Connections().empty());
    EXPECT_EQ(add->Component->InputAddress(1, 0), add->Component->ConstantAddress(1));
    EXPECT_EQ(DragCursorPair(kUV), std::make_pair(103, 100));
    EXPECT_STREQ(EditorCursorName(DragCursorPair(kUV).second), "NODRAGBLUE");

    // The same drop of a numerical output links, and a second one on the fed input is refused.
    const auto numDrag = DragOf(other);
    EXPECT_TRUE(Drop(window, add, onB, *numDrag));
    ASSERT_EQ(model.Connections().size(), 1u);
    EXPECT_EQ(add->Component->InputAddress(1, 0), other->Component->OutputAddress());
    EXPECT_FALSE(Drop(window, add, onB, *numDrag));
    // A drag whose source is not a container of this graph does nothing.
    int stray = 0;
    const auto strayDrag = DragOf(reinterpret_cast<TXRComponentContainer*>(&stray));
    EXPECT_FALSE(Drop(window, add, QPoint(60, add->Properties[0].Top + 5), *strayDrag));
    EXPECT_EQ(model.Connections().size(), 1u);
}

TEST_F(CanvasTest, EveryDragCursorHasItsPicture) {
    for (int id = 100; id <= 107; ++id) {
        EXPECT_EQ(EditorCursorPixmap(id).size(), QSize(32, 32)) << id;
    }
    EXPECT_TRUE(EditorCursorPixmap(108).isNull());
    EXPECT_EQ(DragCursorPair(kEnumeration), std::make_pair(-1, -1));
}

TEST_F(CanvasTest, ConnectionsAreDrawnWithShadowLineAndArrowhead) {
    TXRComponentConnection conn;
    conn.Color = {100, 89, 120};  // a vector output
    conn.Points = {{10, 20}, {60, 20}};
    QImage image(80, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawConnection(painter, conn);
    }
    const QColor light(200, 178, 240);
    EXPECT_EQ(image.pixelColor(30, 20), light);
    EXPECT_EQ(image.pixelColor(30, 21), QColor(100, 89, 120));
    EXPECT_EQ(image.pixelColor(30, 22), QColor(128, 128, 128));  // grey AND white
    // Arrowhead rows at y 18 … 24 from x 13: "0010", "1111", "2222", "0003".
    EXPECT_EQ(image.pixelColor(15, 18), light);
    EXPECT_EQ(image.pixelColor(13, 18), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(13, 20), light);
    EXPECT_EQ(image.pixelColor(13, 21), QColor(100, 89, 120));
    EXPECT_EQ(image.pixelColor(16, 24), QColor(128, 128, 128));
}

TEST_F(CanvasTest, LargeRebuildsShowTheProgressBoxAndOpenOnTheRoot) {
    // A root far down and right, and enough windows for the box.
    TXRComponentContainer* root = model.CreateContainer(1, 2000, 1500);
    for (int i = 0; i < kProgressBoxThreshold + 2; ++i) {
        ASSERT_NE(model.CreateContainer(901, 40 + 130 * (i % 10), 40 + 80 * (i / 10)), nullptr);
    }
    model.SetRootContainer(root);
    const std::string stream = "XR" + model.Tree().WriteTree() + "#" + model.LayoutText() + "#";
    TXRComponentWindow window(model);
    window.show();
    std::vector<std::string> seen;
    struct Watch final : TGraphObserver {
        TXRComponentWindow& window;
        std::vector<std::string>& seen;
        Watch(TXRComponentWindow& w, std::vector<std::string>& s) : window(w), seen(s) {}
        void Progress(std::string_view text, int32_t, int32_t) override {
            if (!text.empty() && window.ProgressBox() != nullptr &&
                window.ProgressBox()->isVisible()) {
                seen.push_back(window.ProgressBox()->Message().toStdString());
            }
        }
    } watch{window, seen};
    model.AddObserver(&watch);
    ASSERT_TRUE(model.Rebuild(stream));
    model.RemoveObserver(&watch);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), kCreatingComponentsText);
    ASSERT_NE(window.ProgressBox(), nullptr);
    EXPECT_FALSE(window.ProgressBox()->isVisible());
    // The root's corner is in view.
    TXRContainerWidget* rootWidget = window.WidgetOf(model.RootContainer());
    const QRect inView(window.Canvas()->mapFrom(window.viewport(), QPoint(0, 0)),
                       window.viewport()->size());
    EXPECT_TRUE(inView.contains(rootWidget->geometry().topLeft()));

    // A small rebuild shows nothing.
    TXRInterfaceModel smallIface;
    TXRGraphModel small(smallIface);
    TXRComponentWindow smallWindow(small);
    smallWindow.show();
    ASSERT_TRUE(small.Rebuild(kDefaultStream));
    EXPECT_EQ(smallWindow.ProgressBox(), nullptr);
}

TEST_F(CanvasTest, WiresOfDifferentSourcesKeepTracksOfTheirOwn) {
    const std::filesystem::path samples =
        std::filesystem::path(VANDREL_SOURCE_DIR) / "resources" / "samples";
    std::vector<std::string> graphs;
    for (const auto& entry : std::filesystem::directory_iterator(samples)) {
        if (entry.path().extension() == ".xrb") {
            graphs.push_back(LoadShaderFile(entry.path().string()).stream);
        }
    }
    // Two sources far below and right of what they feed: both wires climb to its inputs.
    {
        TXRInterfaceModel scratchIface;
        TXRGraphModel scratch(scratchIface);
        TXRComponentContainer* root = scratch.CreateContainer(1, 8, 8);
        scratch.SetRootContainer(root);
        TXRComponentContainer* add = scratch.CreateContainer(901, 200, 20);
        TXRComponentContainer* a = scratch.CreateContainer(101, 520, 300);
        TXRComponentContainer* b = scratch.CreateContainer(101, 520, 460);
        ASSERT_NE(scratch.Connect(a, add, 0, kWholeProperty), nullptr);
        ASSERT_NE(scratch.Connect(b, add, 1, kWholeProperty), nullptr);
        graphs.push_back("XR" + scratch.Tree().WriteTree() + "#" + scratch.LayoutText() + "#");
    }
    for (const std::string& graph : graphs) {
        ASSERT_TRUE(model.Rebuild(graph));
        // The 8-pixel cells each wire runs through, its two end cells left out.
        std::vector<std::pair<const TXRComponentConnection*, std::set<std::pair<int, int>>>> cells;
        for (const auto& conn : model.Connections()) {
            const TPath path = conn->CanvasPoints();
            std::set<std::pair<int, int>> own;
            for (size_t k = 1; k < path.size(); ++k) {
                const TPoint a = path[k - 1], b = path[k];
                const int steps = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y)) / 8;
                for (int t = 0; t <= steps; ++t) {
                    const int x = a.x + (b.x - a.x) * t / std::max(steps, 1);
                    const int y = a.y + (b.y - a.y) * t / std::max(steps, 1);
                    own.insert({x / 8, y / 8});
                }
            }
            own.erase({path.front().x / 8, path.front().y / 8});
            own.erase({path.back().x / 8, path.back().y / 8});
            cells.emplace_back(conn.get(), own);
        }
        for (size_t i = 0; i < cells.size(); ++i) {
            for (size_t j = i + 1; j < cells.size(); ++j) {
                if (cells[i].first->Source == cells[j].first->Source) continue;  // they meet
                size_t shared = 0;
                for (const auto& c : cells[i].second) shared += cells[j].second.count(c);
                // Crossing is fine; running along the same track is not.
                EXPECT_LE(shared, 2u) << i << " and " << j;
            }
        }
    }
}

}  // namespace
}  // namespace vandrel
