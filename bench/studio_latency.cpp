// How long the studio's preview takes to follow a change: for each bundled sample, the sample is
// chosen for its slot in the studio window (offscreen, the plug-in loaded as `vandrel studio`
// loads it), and the time from the choice to the first complete picture at the full 256 × 256 is
// measured, and to the last pass's picture; then the same for a change of the view (the shape
// box: sphere and cube in turn).
//
//   vandrel_studio_latency [REPEATS [SAMPLE]]
//
// With a sample's name (its file name without ".xrb"), only that sample is timed.
//
// Prints one line per sample (medians over the repeats and the worst first full-size picture, in
// milliseconds; "cpu ms" is the processor time the process spent until the full-size picture,
// which tells the work from the machine's load) and a last line with the worst median to the
// first full-size picture.
#include <time.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "components/registry.h"
#include "core/messages.h"
#include "core/shader_file.h"
#include "core/stream_sections.h"
#include "renderer/plugin_host.h"
#include "renderer/studio/studio_window.h"

namespace {

using namespace vandrel;
using studio::TStudioWindow;

constexpr int kSide = 256;

// Runs the event loop until the window shows a full-size picture of its latest render; false
// after ten seconds.
// Runs the event loop, sleeping while it has nothing to do (the render threads need the cores),
// until done() holds; false after ten seconds.
template <class F>
bool RunUntil(F done) {
    QElapsedTimer timer;
    timer.start();
    QTimer tick;  // wakes the loop to look at the clock
    tick.start(20);
    while (!done()) {
        if (timer.elapsed() > 10000) return false;
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs the event loop until the window shows a full-size picture of its latest render.
bool WaitForFullPicture(const TStudioWindow& window) {
    return RunUntil([&] {
        const TStudioWindow::TShownPicture& shown = window.Shown();
        return shown.Render == window.StartedRenders() && shown.Width == kSide &&
               shown.Height == kSide;
    });
}

// Runs the event loop until no render runs or waits.
void WaitIdle(const TStudioWindow& window) {
    RunUntil([&] { return !window.Busy(); });
}

// The slot a sample is meant for: Color when its categories allow it, else the first they name.
int32_t SlotFor(const std::filesystem::path& file) {
    const TLoadedShader loaded = LoadShaderFile(file.string(), TSearchPath{});
    const TCategories categories =
        ParseCategories(StreamSection(loaded.stream, kCategoriesSection));
    if (categories[kColor]) return kColor;
    for (int32_t type = 0; type < 4; ++type) {
        if (categories[static_cast<size_t>(type)]) return type;
    }
    return kColor;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct TRow {
    double median = 0;  // to the first full-size picture
    double worst = 0;
    double cpu = 0;    // the process's processor time meanwhile, median: the load's share
    double final = 0;  // to the last pass's picture, median
};

// Processor time of all the process's threads, in milliseconds.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Times the change repeats times, each after the previous render has ended.
template <class F>
TRow Time(TStudioWindow& window, int repeats, F change) {
    std::vector<double> full, cpu, final;
    for (int i = 0; i < repeats; ++i) {
        WaitIdle(window);
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = CpuMs();
        change(i);
        const bool shown = WaitForFullPicture(window);
        full.push_back(shown ? static_cast<double>(clock.nsecsElapsed()) / 1e6 : 10000.0);
        cpu.push_back(CpuMs() - cpuStart);
        const bool ended =
            RunUntil([&] { return window.FinishedRender() == window.StartedRenders(); });
        final.push_back(ended ? static_cast<double>(clock.nsecsElapsed()) / 1e6 : 10000.0);
    }
    return {Median(full), *std::max_element(full.begin(), full.end()), Median(cpu), Median(final)};
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    InstallComponents();
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    THostMessages quiet;  // no message boxes to wait on
    InstallMessages(&quiet);
    TPluginHost plugin;
    std::string error;
    if (!plugin.Load(DefaultPluginPath(), error)) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
        return 1;
    }
    studio::TPluginShaders shaders{};
    for (int32_t type = 0; type < 4; ++type) {
        shaders[static_cast<size_t>(type)] = plugin.Shader(type);
    }

    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (const auto& e :
         fs::directory_iterator(fs::path(VANDREL_SOURCE_DIR) / "resources" / "samples")) {
        if (e.path().extension() != ".xrb") continue;
        if (argc > 2 && e.path().stem() != argv[2]) continue;
        files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());

    double worst = 0;
    {
        TStudioWindow window(shaders);
        window.show();
        window.SetView(host::ShapeKind::kSphere, kSide);
        QComboBox* shape = nullptr;
        for (QComboBox* box : window.findChildren<QComboBox*>()) {
            if (box->accessibleName() == "Shape") shape = box;
        }
        std::printf("%-20s %10s %10s %10s %10s %10s %12s\n", "sample", "choose ms", "worst ms",
                    "cpu ms", "shape ms", "final ms", "shape final");
        for (const fs::path& file : files) {
            const int32_t slot = SlotFor(file);
            for (int32_t type = 0; type < 4; ++type) window.SetSlotShader(type, {}, error);
            const TRow chosen = Time(window, repeats, [&](int) {
                if (!window.SetSlotShader(slot, file.string(), error)) {
                    std::fprintf(stderr, "%s: %s\n", file.c_str(), error.c_str());
                }
            });
            // Sphere and cube in turn.
            const TRow shaped = Time(window, repeats, [&](int i) {
                if (shape != nullptr) shape->setCurrentIndex(i % 2 == 0 ? 1 : 0);
            });
            if (shape != nullptr) shape->setCurrentIndex(0);
            worst = std::max({worst, chosen.median, shaped.median});
            std::printf("%-20s %10.1f %10.1f %10.1f %10.1f %10.1f %12.1f\n", file.stem().c_str(),
                        chosen.median, chosen.worst, chosen.cpu, shaped.median, chosen.final,
                        shaped.final);
        }
        WaitIdle(window);
        for (int32_t type = 0; type < 4; ++type) window.SetSlotShader(type, {}, error);
        WaitIdle(window);
    }
    std::printf("worst median change to full %d x %d picture: %.1f ms\n", kSide, kSide, worst);
    InstallMessages(nullptr);
    return 0;
}
