// How long the editor's preview takes to follow an edit: for each bundled sample, a constant of
// one of its components is changed in the editor window (offscreen) and the time from the edit to
// the preview's coarse picture painted on the widget and to its finished picture is measured.
//
//   vandrel_preview_latency [REPEATS]
//
// Prints one line per sample (median and worst over the repeats, in milliseconds) and a last line
// with the worst median.
// clang-format off
#include "editor/editor_form.h"
#include "editor/preview_widget.h"
// clang-format on

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/root.h"
#include "interface/interface_model.h"

namespace {

using namespace vandrel;

// Runs the event loop until done() holds or a second has passed; false then.
template <class F>
bool RunUntil(F done) {
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.start(1);
    while (!done()) {
        if (timer.elapsed() > 1000) return false;
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The first numerical constant of the component, or -1.
int32_t ConstantProperty(const TXRComponentContainer& c) {
    for (const TPropertyState& p : c.Properties) {
        if (p.Kind == kNumerical && !p.IsInteger && p.Whole.Source() == TInputSource::kConstant) {
            return p.Index;
        }
    }
    return -1;
}

// Notes the moment the preview widget is painted while its picture holds a finished coarse pass.
class TPaintWatch final : public QObject {
  public:
    explicit TPaintWatch(std::function<bool()> coarseShown)
        : coarseShown_(std::move(coarseShown)) {}
    void Reset() { painted_ = false; }
    bool Painted() const { return painted_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && coarseShown_()) painted_ = true;
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<bool()> coarseShown_;
    bool painted_ = false;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    THostMessages quiet;  // no message boxes to wait on
    InstallMessages(&quiet);
    TXRInterfaceModel iface;
    TEditorForm form(iface);
    // "Auto-update shader" stays ticked, as the editor opens: every edit writes the shader file
    // on its way to the preview.
    form.show();
    // Copies: the edits write their files.
    namespace fs = std::filesystem;
    const fs::path samples = fs::path(VANDREL_SOURCE_DIR) / "resources" / "samples";
    const fs::path scratch = fs::temp_directory_path() / "vandrel-preview-latency";
    fs::create_directories(scratch);
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(samples)) {
        if (e.path().extension() != ".xrb") continue;
        files.push_back(scratch / e.path().filename());
        fs::copy_file(e.path(), files.back(), fs::copy_options::overwrite_existing);
    }
    std::sort(files.begin(), files.end());
    double worst = 0;
    std::printf("%-20s %12s %12s %12s\n", "sample", "coarse ms", "worst ms", "finished ms");
    for (const auto& file : files) {
        form.EditShader(file.string());
        TXRGraphModel& graph = form.Graph();
        // The first component of the shader that has a constant to tune; the editor selects
        // what it edits, so that is what the preview shows.
        TXRComponentContainer* target = nullptr;
        int32_t prop = -1;
        for (TXRComponentContainer* c : graph.Subtree(graph.RootContainer())) {
            if (c == graph.RootContainer() || (prop = ConstantProperty(*c)) < 0) continue;
            target = c;
            break;
        }
        if (prop < 0) {
            std::printf("%-20s (no constant to edit)\n", file.stem().c_str());
            continue;
        }
        graph.Select(target);
        const auto preview = [&] { return form.Preview()->Controller().Preview(); };
        RunUntil([&] { return !form.PreviewPending() && preview() && preview()->Finished(); });
        // Shown: painted on the screen, not only copied onto the widget's image.
        uint64_t starts = 0;  // previews started before the edit
        const TPreviewController& controller = form.Preview()->Controller();
        TPaintWatch watch([&] {
            return controller.Starts() > starts && preview() && preview()->ShownPasses() >= 1;
        });
        form.Preview()->installEventFilter(&watch);
        std::vector<double> coarse, finished;
        for (int i = 0; i < repeats; ++i) {
            const float value = graph.Constant(target, prop, kWholeProperty);
            watch.Reset();
            starts = controller.Starts();
            QElapsedTimer clock;
            clock.start();
            graph.SetConstant(target, prop, kWholeProperty, value + (i % 2 == 0 ? 0.01f : -0.01f));
            // The edit asks for a preview at once; one not asked for would leave the last one
            // (finished) to be timed.
            if (!form.PreviewPending()) {
                std::fprintf(stderr, "%s: the edit asked for no preview\n", file.stem().c_str());
                return 1;
            }
            const bool drawn = RunUntil([&] { return watch.Painted(); });
            coarse.push_back(drawn ? static_cast<double>(clock.nsecsElapsed()) / 1e6 : 1000.0);
            RunUntil(
                [&] { return controller.Starts() > starts && preview() && preview()->Finished(); });
            finished.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
        form.Preview()->removeEventFilter(&watch);
        const double median = Median(coarse);
        worst = std::max(worst, median);
        std::printf("%-20s %12.1f %12.1f %12.1f\n", file.stem().c_str(), median,
                    *std::max_element(coarse.begin(), coarse.end()), Median(finished));
    }
    std::printf("worst median edit to coarse picture: %.1f ms\n", worst);
    form.Session().Close();
    fs::remove_all(scratch);
    InstallMessages(nullptr);
    return 0;
}
