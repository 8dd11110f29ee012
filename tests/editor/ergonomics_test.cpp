// The editor's ergonomics through the windows the plug-in opens: search to add at the pointer and
// at the end of a dropped wire, the deep history on the keyboard, zoom and pan, wire editing,
// Arrange and the large preview. Each writes ergonomics-<feature>.png when VANDREL_SCREENSHOTS is
// set, the editor at its default size.
// clang-format off
#include "editor/plugin_windows_fixture.h"
#include "editor/component_search_box.h"
// clang-format on

#include <QCursor>
#include <QListWidget>

namespace vandrel {
namespace {

constexpr int32_t kChecker = 401;
constexpr int32_t kAdd = 901;

class Ergonomics : public test::PluginWindowsTest {
  protected:
    TEditorForm& Open(const char* sample) {
        TEditorForm& editor = OpenEditorOn(Sample(sample), 0);
        editor.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&editor));
        return editor;
    }
    // A point of the canvas with no container, in view.
    static QPoint FreePoint(TEditorForm& editor) {
        TXRComponentWindow* window = editor.Canvas();
        const QRect shown(-window->Canvas()->pos(), window->viewport()->size());
        for (int y = shown.bottom() - 40; y > std::max(shown.top(), kViewMargin); y -= 8) {
            for (int x = std::max(shown.left(), kViewMargin) + 8; x < shown.right() - 140; x += 8) {
                const QPoint p(x, y);
                if (window->Canvas()->childAt(p) == nullptr &&
                    editor.Graph().ContainerAt(window->ToModel(p)) == nullptr) {
                    return p;
                }
            }
        }
        ADD_FAILURE() << "no free point in view";
        return shown.center();
    }
    static void Shot(TEditorForm& editor, const char* feature) {
        test::Screenshot(editor, (std::string("ergonomics-") + feature).c_str());
    }
};

TEST_F(Ergonomics, SearchPlacesTheChosenComponentAtThePointer) {
    TEditorForm& editor = Open("Sine Gradient.xrb");
    TXRComponentWindow* window = editor.Canvas();
    QWidget* canvas = window->Canvas();
    const QPoint at = FreePoint(editor);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, at);
    QCursor::setPos(canvas->mapToGlobal(at));
    QTest::keyClick(canvas, Qt::Key_Tab);
    TComponentSearchBox* box = window->SearchBox();
    ASSERT_TRUE(box->isVisible());
    QTest::keyClicks(box->Field(), "chec");
    ASSERT_GE(box->List()->count(), 2);
    EXPECT_EQ(box->List()->item(0)->text(), "Checker");
    EXPECT_EQ(box->Current(), kChecker);
    QTest::keyClick(box->Field(), Qt::Key_Down);
    EXPECT_EQ(box->Current(), 402);
    QTest::keyClick(box->Field(), Qt::Key_Up);
    Shot(editor, "search");
    QTest::keyClick(box->Field(), Qt::Key_Return);
    EXPECT_FALSE(box->isVisible());
    TXRComponentContainer* checker = Find(editor, kChecker);
    ASSERT_NE(checker, nullptr);
    const TPoint expected = window->ToModel(at);
    EXPECT_EQ(checker->Left, expected.x);
    EXPECT_EQ(checker->Top, expected.y);
    EXPECT_EQ(editor.Graph().ActiveComponent(), checker);

    // Escape closes the box without placing anything; Space opens it too.
    const size_t count = editor.Graph().Containers().size();
    QTest::mouseClick(canvas, Qt::LeftButton, {}, FreePoint(editor));
    QTest::keyClick(canvas, Qt::Key_Space);
    ASSERT_TRUE(box->isVisible());
    QTest::keyClick(box->Field(), Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(editor.Graph().Containers().size(), count);

    // The palette's field: the chosen component waits for the click that places it.
    auto* field = editor.findChild<QLineEdit*>("PaletteSearch");
    ASSERT_NE(field, nullptr);
    QTest::keyClicks(field, "m");
    ASSERT_TRUE(box->isVisible());
    QTest::keyClicks(box->Field(), "andel");
    QTest::keyClick(box->Field(), Qt::Key_Return);
    EXPECT_EQ(editor.Graph().PendingType, 205);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, FreePoint(editor));
    EXPECT_NE(Find(editor, 205), nullptr);
}

TEST_F(Ergonomics, AWireDroppedOnEmptyCanvasOffersWhatTakesItAndLinksIt) {
    TEditorForm& editor = Open("Sine Gradient.xrb");
    TXRComponentWindow* window = editor.Canvas();
    editor.Graph().BeginPlacement(kChecker);
    const TPoint p = window->ToModel(FreePoint(editor));
    TXRComponentContainer* checker = editor.Graph().Place(p.x, p.y);
    ASSERT_NE(checker, nullptr);
    QApplication::processEvents();
    auto* dot = WidgetOf(editor, checker)->findChild<TXROutputDotWidget*>();
    ASSERT_NE(dot, nullptr);
    std::unique_ptr<QMimeData> mime(dot->DragData());
    ASSERT_TRUE(test::DropAt(window->Canvas(), FreePoint(editor), mime.get(), Qt::LinkAction));
    TComponentSearchBox* box = window->SearchBox();
    ASSERT_TRUE(test::WaitUntil([&] { return box->isVisible(); }, 2000));
    // Only components with a numerical input are offered.
    for (int i = 0; i < box->List()->count(); ++i) {
        const CatalogueRow* row =
            FindCatalogueRow(box->List()->item(i)->data(Qt::UserRole).toInt());
        ASSERT_NE(row, nullptr);
        EXPECT_TRUE(TakesOutputOf(*row, kNumerical)) << row->name;
    }
    QTest::keyClicks(box->Field(), "add");
    EXPECT_EQ(box->Current(), kAdd);
    Shot(editor, "wire-search");
    QTest::keyClick(box->Field(), Qt::Key_Return);
    TXRComponentContainer* add = editor.Graph().Containers().back().get();
    ASSERT_EQ(add->TypeId, kAdd);
    const TPropertyState* a = add->Property(0);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->Whole.ComponentConnected());
    EXPECT_EQ(a->Whole.Connection->Source, checker);
}

TEST_F(Ergonomics, CtrlZWalksBackThroughEditsAndCtrlShiftZForward) {
    TEditorForm& editor = Open("Sine Gradient.xrb");
    std::vector<std::string> streams{editor.Session().CurrentStream()};
    for (int32_t type : {kChecker, kAdd, 101}) {
        editor.Graph().BeginPlacement(type);
        editor.Graph().Place(400, 40 + 150 * static_cast<int32_t>(streams.size()));
        streams.push_back(editor.Session().CurrentStream());
    }
    for (size_t i = streams.size() - 1; i-- > 0;) {
        QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(editor.Session().CurrentStream(), streams[i]) << i;
    }
    Shot(editor, "undo");
    QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor.Session().CurrentStream(), streams[1]);
    QTest::keyClick(&editor, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(editor.Session().CurrentStream(), streams[2]);
    EXPECT_EQ(editor.Session().BuildStream(), streams[2]);
}

}  // namespace
}  // namespace vandrel
