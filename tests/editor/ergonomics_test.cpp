// The editor's ergonomics through the windows the plug-in opens: search to add at the pointer and
// at the end of a dropped wire, the deep history on the keyboard, zoom and pan, wire editing,
// Arrange and the large preview. Each writes ergonomics-<feature>.png when VANDREL_SCREENSHOTS is
// set, the editor at its default size.
#include <QAction>
#include <QCursor>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "editor/component_search_box.h"
#include "editor/large_preview.h"
#include "editor/plugin_windows_fixture.h"

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

// Every container's output dot and every input, hit at the canvas pixel that shows it.
void ExpectExactHits(TEditorForm& editor, double scale) {
    TXRComponentWindow* window = editor.Canvas();
    TXRGraphModel& graph = editor.Graph();
    for (const auto& c : graph.Containers()) {
        const TPoint dot{c->Left + 9, c->Top + 9};
        const QPoint pixel = window->ToCanvas(dot);
        EXPECT_EQ(graph.ContainerAt(window->ToModel(pixel)), c.get()) << scale;
        if (c->Collapsed) continue;
        for (const TPropertyState& p : c->Properties) {
            const TPoint input{c->Left + c->Width - 8, c->Top + p.Top + kBarRowHeight / 2};
            const TPoint back = window->ToModel(window->ToCanvas(input));
            int32_t prop = -1;
            int32_t part = 0;
            ASSERT_TRUE(graph.InputAt(c.get(), {back.x - c->Left, back.y - c->Top}, prop, part))
                << c->Title() << "." << p.Name << " at " << scale;
            EXPECT_EQ(prop, p.Index) << c->Title() << "." << p.Name << " at " << scale;
        }
    }
}

TEST_F(Ergonomics, ZoomKeepsTheLayoutAndHitsExactlyAtEveryScale) {
    TEditorForm& editor = Open("Noisy Bricks.xrb");
    TXRComponentWindow* window = editor.Canvas();
    TXRGraphModel& graph = editor.Graph();
    const std::string layout = graph.LayoutText();
    const std::string stream = editor.Session().CurrentStream();
    for (double scale : {0.25, 4.0, 1.0}) {
        window->SetZoom(scale);
        EXPECT_EQ(window->Zoom(), scale);
        ExpectExactHits(editor, scale);
        EXPECT_EQ(graph.LayoutText(), layout) << scale;
        // The widgets are live only at 100 %.
        EXPECT_EQ(WidgetOf(editor, graph.RootContainer())->isVisible(), scale == 1.0);
    }
    window->SetZoom(0.25);
    Shot(editor, "zoom-25");
    window->SetZoom(4.0);
    window->ShowContainer(graph.RootContainer());
    Shot(editor, "zoom-400");
    EXPECT_EQ(editor.Session().CurrentStream(), stream);

    // Ctrl + wheel about the pointer: the layout point under it stays under it.
    window->SetZoom(1.0);
    QWidget* viewport = window->viewport();
    const QPoint anchor(200, 120);
    const TPoint under = window->ToModel(window->Canvas()->mapFrom(viewport, anchor));
    QWheelEvent wheel(anchor, viewport->mapToGlobal(anchor), {}, QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_DOUBLE_EQ(window->Zoom(), kZoomStep);
    const TPoint still = window->ToModel(window->Canvas()->mapFrom(viewport, anchor));
    EXPECT_NEAR(still.x, under.x, 1);
    EXPECT_NEAR(still.y, under.y, 1);
    for (int i = 0; i < 12; ++i) QApplication::sendEvent(viewport, &wheel);
    EXPECT_DOUBLE_EQ(window->Zoom(), kZoomMax);
}

TEST_F(Ergonomics, SelectMoveAndWireAtAQuarterAndFourTimes) {
    TEditorForm& editor = Open("Sine Gradient.xrb");
    TXRComponentWindow* window = editor.Canvas();
    TXRGraphModel& graph = editor.Graph();
    QWidget* canvas = window->Canvas();
    graph.BeginPlacement(kChecker);
    TXRComponentContainer* checker = graph.Place(40, 1400);
    graph.BeginPlacement(kAdd);
    TXRComponentContainer* add = graph.Place(300, 1400);
    for (double scale : {0.25, 4.0}) {
        window->SetZoom(scale);
        // A click on the painted title selects; a drag moves by the pointer's layout offset.
        const QPoint other = window->ToCanvas({add->Left + 60, add->Top + 8});
        window->ensureVisible(other.x(), other.y(), 20, 20);
        QTest::mouseClick(canvas, Qt::LeftButton, {}, other);
        EXPECT_EQ(graph.ActiveComponent(), add) << scale;
        const QPoint title = window->ToCanvas({checker->Left + 60, checker->Top + 8});
        window->ensureVisible(title.x(), title.y(), 40, 40);
        const TPoint before{checker->Left, checker->Top};
        QTest::mousePress(canvas, Qt::LeftButton, {}, title);
        EXPECT_EQ(graph.ActiveComponent(), checker) << scale;
        const QPoint to = title + QPoint(8, 4);
        QTest::mouseMove(canvas, to);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
        const TPoint moved = window->ToModel(to);
        const TPoint from = window->ToModel(title);
        EXPECT_EQ(checker->Left - before.x, moved.x - from.x) << scale;
        EXPECT_EQ(checker->Top - before.y, moved.y - from.y) << scale;
    }
    // A wire dropped on a painted input links it.
    window->SetZoom(0.25);
    auto* dot = WidgetOf(editor, checker)->findChild<TXROutputDotWidget*>();
    std::unique_ptr<QMimeData> mime(dot->DragData());
    const QPoint a =
        window->ToCanvas({add->Left + add->Width - 8, add->Top + add->Property(0)->Top + 8});
    ASSERT_TRUE(test::DropAt(canvas, a, mime.get(), Qt::LinkAction));
    ASSERT_TRUE(add->Property(0)->Whole.ComponentConnected());
    EXPECT_EQ(add->Property(0)->Whole.Connection->Source, checker);
    // Its own input refuses it at any scale.
    const QPoint own = window->ToCanvas(
        {checker->Left + checker->Width - 8, checker->Top + checker->Property(0)->Top + 8});
    ASSERT_EQ(graph.ContainerAt(window->ToModel(own)), checker);
    EXPECT_FALSE(test::DropAt(canvas, own, mime.get(), Qt::LinkAction));
    // A double click on a box comes back to 100 %.
    QTest::mouseDClick(canvas, Qt::LeftButton, {},
                       window->ToCanvas({add->Left + 60, add->Top + 8}));
    EXPECT_EQ(window->Zoom(), 1.0);
    EXPECT_TRUE(WidgetOf(editor, add)->isVisible());
}

// The mouse as a person's: each event goes to the widget under the press (the deepest child of
// the canvas there), which keeps it, as a pressed button does, while the pointer moves.
class Pointer {
  public:
    Pointer(QWidget* canvas, QPoint press) : canvas_(canvas) {
        grab_ = canvas->childAt(press);
        if (grab_ == nullptr) grab_ = canvas;
        Send(QEvent::MouseButtonPress, press, Qt::LeftButton);
    }
    void MoveTo(QPoint at) { Send(QEvent::MouseMove, at, Qt::LeftButton); }
    void ReleaseAt(QPoint at) { Send(QEvent::MouseButtonRelease, at, Qt::NoButton); }

  private:
    void Send(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        const QPointF local = grab_->mapFrom(canvas_, at);
        QMouseEvent event(type, local, grab_->mapToGlobal(local),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(grab_, &event);
    }
    QWidget* canvas_;
    QWidget* grab_;
};

TEST_F(Ergonomics, DraggingAnInputEndMovesOrRemovesItsWire) {
    TEditorForm& editor = Open("Sine Gradient.xrb");
    TXRComponentWindow* window = editor.Canvas();
    TXRGraphModel& graph = editor.Graph();
    QWidget* canvas = window->Canvas();
    const size_t first = graph.Containers().size();
    for (const auto& [type, x, y] :
         {std::tuple{kChecker, 40, 1400}, {kAdd, 260, 1400}, {kAdd, 260, 1600}}) {
        graph.BeginPlacement(type);
        graph.Place(x, y);
    }
    // The containers by place: a step back rebuilds them.
    const auto box = [&](size_t i) { return graph.Containers().at(first + i).get(); };
    // The connected mark of the first input, scrolled into view.
    const auto end = [&](TXRComponentContainer* c) {
        const TPoint in = c->InputPoint(0, kWholeProperty);
        const QPoint at = window->ToCanvas({in.x - 5, in.y});
        window->ensureVisible(at.x(), at.y(), 60, 60);
        return at;
    };
    for (double scale : {1.0, 2.0}) {
        window->SetZoom(scale);
        ASSERT_NE(graph.Connect(box(0), box(1), 0, kWholeProperty), nullptr);
        const std::string linked = editor.Session().CurrentStream();
        const size_t wires = graph.Connections().size();

        // Onto the other Add's input: the wire moves there, one step of the history.
        Pointer drag(canvas, end(box(1)));
        ASSERT_NE(window->DraggedWire(), nullptr) << scale;
        drag.MoveTo(end(box(1)) + QPoint(-30, 40));
        if (scale == 1.0) Shot(editor, "detach");
        drag.MoveTo(end(box(2)));
        drag.ReleaseAt(end(box(2)));
        EXPECT_EQ(window->DraggedWire(), nullptr);
        EXPECT_FALSE(box(1)->Property(0)->Whole.ComponentConnected()) << scale;
        ASSERT_TRUE(box(2)->Property(0)->Whole.ComponentConnected()) << scale;
        EXPECT_EQ(box(2)->Property(0)->Whole.Connection->Source, box(0));
        EXPECT_EQ(graph.Connections().size(), wires);
        const std::string moved = editor.Session().CurrentStream();
        QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(editor.Session().CurrentStream(), linked) << scale;
        QTest::keyClick(&editor, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(editor.Session().CurrentStream(), moved) << scale;

        // Onto its own source, which cannot feed itself: nothing changes.
        Pointer refused(canvas, end(box(2)));
        refused.ReleaseAt(end(box(0)));
        EXPECT_EQ(editor.Session().CurrentStream(), moved) << scale;

        // A press that does not move selects the wire.
        Pointer click(canvas, end(box(2)));
        click.ReleaseAt(end(box(2)));
        EXPECT_EQ(window->SelectedWire(), box(2)->Property(0)->Whole.Connection) << scale;

        // Onto empty canvas: the link is gone and the input reads its constant again.
        const QPoint free = FreePoint(editor);
        Pointer away(canvas, end(box(2)));
        away.MoveTo(free);
        away.ReleaseAt(free);
        EXPECT_FALSE(box(2)->Property(0)->Whole.ComponentConnected()) << scale;
        EXPECT_EQ(graph.Connections().size(), wires - 1) << scale;
        QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(editor.Session().CurrentStream(), moved) << scale;
        graph.Disconnect(box(2)->Property(0)->Whole.Connection);
    }
}

TEST_F(Ergonomics, FramingAndPanning) {
    TEditorForm& editor = Open("Noisy Bricks.xrb");
    TXRComponentWindow* window = editor.Canvas();
    QWidget* canvas = window->Canvas();
    QTest::mouseClick(canvas, Qt::LeftButton, {}, FreePoint(editor));
    QTest::keyClick(canvas, Qt::Key_Home);
    const QRect shown(-canvas->pos(), window->viewport()->size());
    for (const auto& c : editor.Graph().Containers()) {
        const QRect box(window->ToCanvas({c->Left, c->Top}),
                        window->ToCanvas({c->Left + c->Width, c->Top + c->Height}));
        EXPECT_TRUE(shown.contains(box)) << c->Title();
    }
    Shot(editor, "frame-all");
    // Frame selected: the selected box in the middle of the view, at no more than 100 %.
    TXRComponentContainer* last = editor.Graph().Containers().back().get();
    editor.Graph().Select(last);
    QTest::keyClick(canvas, Qt::Key_F);
    EXPECT_LE(window->Zoom(), 1.0);
    const QRect view(-canvas->pos(), window->viewport()->size());
    EXPECT_TRUE(view.contains(window->ToCanvas({last->Left + last->Width / 2, last->Top + 8})));

    // Middle drag pans by the pointer's way; Space + drag too.
    window->SetZoom(2.0);
    for (QScrollBar* bar : {window->horizontalScrollBar(), window->verticalScrollBar()}) {
        bar->setValue((bar->minimum() + bar->maximum()) / 2);
    }
    const QPoint start = FreePoint(editor);
    const int h = window->horizontalScrollBar()->value();
    const int v = window->verticalScrollBar()->value();
    QTest::mousePress(canvas, Qt::MiddleButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, start - QPoint(30, 20),
                     canvas->mapToGlobal(start - QPoint(30, 20)), Qt::NoButton, Qt::MiddleButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::MiddleButton, {}, start);
    EXPECT_EQ(window->horizontalScrollBar()->value(), h + 30);
    EXPECT_EQ(window->verticalScrollBar()->value(), v + 20);
    QTest::keyPress(canvas, Qt::Key_Space);
    EXPECT_TRUE(window->PanKeyHeld());
    QTest::mousePress(canvas, Qt::LeftButton, {}, start);
    QMouseEvent back(QEvent::MouseMove, start + QPoint(30, 20),
                     canvas->mapToGlobal(start + QPoint(30, 20)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &back);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, start);
    QTest::keyRelease(canvas, Qt::Key_Space);
    EXPECT_EQ(window->horizontalScrollBar()->value(), h);
    EXPECT_EQ(window->verticalScrollBar()->value(), v);
    // A pan is no search.
    EXPECT_FALSE(window->SearchBox()->isVisible());
}

TEST_F(Ergonomics, AClickedWireIsDeletedAndABandSelects) {
    TEditorForm& editor = Open("Sine Gradient.xrb");
    TXRComponentWindow* window = editor.Canvas();
    TXRGraphModel& graph = editor.Graph();
    QWidget* canvas = window->Canvas();
    // A point on a wire, away from the boxes.
    TXRComponentConnection* wire = nullptr;
    TPoint on{};
    for (const auto& conn : graph.Connections()) {
        const TPath points = conn->CanvasPoints();
        for (size_t i = 1; i < points.size() && wire == nullptr; ++i) {
            const TPoint mid{(points[i - 1].x + points[i].x) / 2,
                             (points[i - 1].y + points[i].y) / 2};
            if (graph.ContainerAt(mid) == nullptr) wire = conn.get(), on = mid;
        }
    }
    ASSERT_NE(wire, nullptr);
    const TXRComponentContainer* target = wire->Target;
    const int32_t prop = wire->Property;
    const int32_t part = wire->Part;
    const QPoint pixel = window->ToCanvas(on);
    window->ensureVisible(pixel.x(), pixel.y(), 40, 40);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, pixel);
    EXPECT_EQ(window->SelectedWire(), wire);
    Shot(editor, "wire-select");
    const size_t wires = graph.Connections().size();
    QTest::keyClick(canvas, Qt::Key_Delete);
    EXPECT_EQ(graph.Connections().size(), wires - 1);
    EXPECT_FALSE(target->Property(prop)->Input(part).ComponentConnected());
    EXPECT_EQ(window->SelectedWire(), nullptr);
    // Ctrl+Z brings it back.
    QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(graph.Connections().size(), wires);

    // A band over two new boxes selects both.
    graph.BeginPlacement(kChecker);
    TXRComponentContainer* a = graph.Place(40, 1400);
    graph.BeginPlacement(kAdd);
    TXRComponentContainer* b = graph.Place(200, 1400);
    QApplication::processEvents();
    const QPoint from = window->ToCanvas({20, 1380});
    const QPoint to = window->ToCanvas({250, 1420});
    window->ensureVisible(from.x(), from.y(), 10, 10);
    window->ensureVisible(to.x(), to.y(), 10, 10);
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, canvas->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    Shot(editor, "band");
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
    EXPECT_TRUE(a->Selected);
    EXPECT_TRUE(b->Selected);
    EXPECT_EQ(graph.SelectedCount(), 2);

    // Arrange (Ctrl+L): one step of the history, no overlaps.
    const std::string before = editor.Session().CurrentStream();
    QTest::keyClick(&editor, Qt::Key_L, Qt::ControlModifier);
    EXPECT_NE(editor.Session().CurrentStream(), before);
    Shot(editor, "arrange");
    QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor.Session().CurrentStream(), before);
}

// The mean difference of two pictures of one size, per channel, 0 … 255.
double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

TEST_F(Ergonomics, TheLargePreviewShowsTheSelectedComponentAndFollowsItsEdits) {
    TEditorForm& editor = Open("Sine Gradient.xrb");
    TXRGraphModel& graph = editor.Graph();
    // On the plane every pixel is the component's, none the background's.
    QTest::mouseClick(editor.Button("BtnShapePlane"), Qt::LeftButton);
    graph.BeginPlacement(kChecker);
    TXRComponentContainer* checker = graph.Place(40, 1400);
    // Squares small enough that the preview shows several.
    TXRContainerWidget* box = WidgetOf(editor, checker);
    Reveal(editor, box);
    QTest::mouseClick(Lock(box, "Size"), Qt::LeftButton);
    Type(Field(box, "Size.U"), "0.4");
    Type(Field(box, "Size.V"), "0.6");
    ASSERT_TRUE(PreviewDone(editor));
    // The small preview's menu names the command with the key the help gives.
    auto* command = editor.findChild<QAction*>("ActionLargePreview");
    ASSERT_NE(command, nullptr);
    EXPECT_TRUE(editor.Preview()->actions().contains(command));
    EXPECT_EQ(command->shortcut().toString(), "Ctrl+P");
    QTest::keyClick(&editor, Qt::Key_P, Qt::ControlModifier);
    TLargePreview* large = editor.LargePreview();
    ASSERT_NE(large, nullptr);
    ASSERT_TRUE(large->isVisible());
    TLargePreviewView* view = large->View();
    const auto sized = [&](int side) {
        large->resize(large->size() + QSize(side, side) - view->size());
        QApplication::processEvents();
        return view->PictureSize();
    };
    const auto done = [&] {
        return test::WaitUntil([&] {
            const ComponentPreview* p = view->Controller().Preview();
            return !editor.PreviewPending() && p != nullptr && p->Finished() &&
                   editor.Preview()->Controller().Preview()->Finished();
        });
    };
    // Twice the small one's pixels: brought down to 64, the same picture.
    ASSERT_EQ(sized(128), 128);
    ASSERT_TRUE(done());
    const auto compare = [&] {
        const QImage big = view->Image();
        EXPECT_EQ(big.size(), QSize(128, 128));
        const QImage small = editor.Preview()->Image().convertToFormat(QImage::Format_RGB32);
        EXPECT_GE(Colours(small).size(), 2u);
        return MeanDifference(big.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                  .convertToFormat(QImage::Format_RGB32),
                              small);
    };
    EXPECT_LT(compare(), 12.0);
    const QImage before = view->Image();

    // An edit of the component: the large picture follows.
    Type(Field(box, "ValueA"), "0.8");
    ASSERT_TRUE(done());
    EXPECT_GT(MeanDifference(view->Image(), before), 5.0);
    EXPECT_LT(compare(), 12.0);

    // However large the window, no more than 512 × 512 rendered pixels.
    EXPECT_EQ(sized(700), kLargePreviewMax);
    ASSERT_TRUE(test::WaitUntil([&] { return view->Image().width() != 128; }));
    EXPECT_EQ(view->Image().size(), QSize(kLargePreviewMax, kLargePreviewMax));

    // The editor at its default size with the preview beside it, as a person sees the two.
    large->resize(320, 340);
    QApplication::processEvents();
    ASSERT_TRUE(done());
    const QPixmap left = editor.grab();
    const QPixmap right = large->grab();
    QPixmap both(left.width() + 8 + right.width(), std::max(left.height(), right.height()));
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + 8, 0, right);
    painter.end();
    const QString folder = qEnvironmentVariable("VANDREL_SCREENSHOTS");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(both.save(folder + "/ergonomics-large-preview.png"));
    }
    // Closed, it stops; Ctrl+P opens it again.
    large->close();
    EXPECT_EQ(view->Controller().Preview(), nullptr);
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    QTest::keyClick(&editor, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(large->isVisible());
}

}  // namespace
}  // namespace vandrel
