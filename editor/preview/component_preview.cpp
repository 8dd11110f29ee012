#include "editor/preview/component_preview.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>

namespace vandrel {

namespace {

// The small and the large preview may run at once: a count, not a flag.
std::atomic<int> gPreviewsRunning{0};

// Counted down on every way out of a run, terminated or not.
struct TRunningFlag {
    TRunningFlag() { gPreviewsRunning.fetch_add(1); }
    ~TRunningFlag() { gPreviewsRunning.fetch_sub(1); }
};

// Below the user-interface thread, which it waits on anyway; a failure changes nothing.
void LowerThisThreadsPriority() {
    const pid_t self = ::gettid();
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(self));
    if (errno == 0) ::setpriority(PRIO_PROCESS, static_cast<id_t>(self), std::min(nice + 1, 19));
}

// The tree is evaluated for every output type at once.
constexpr int32_t kPreviewMask = 255;

// Coarse samples per hand-over: a trip through the event loop costs more than most evaluations,
// and a call this long still leaves the window responsive.
constexpr int kCoarseCallSamples = 256;

}  // namespace

bool PreviewRunning() { return gPreviewsRunning.load() > 0; }

int PreviewSizeFor(int pixels) {
    return std::clamp(pixels, kPreviewSizeMin, kLargePreviewMax) & ~1;
}

ComponentPreview::ComponentPreview(THandOver& handOver, TXRTree* tree, TXRComponent* component,
                                   TPreviewDisplay* display, float range, TPreviewShape shape,
                                   int size)
    : handOver_(handOver),
      size_(PreviewSizeFor(size)),
      pixels_(static_cast<size_t>(size_) * static_cast<size_t>(size_)),
      range_(range),
      shape_(shape),
      tree_(tree),
      component_(component),
      display_(display) {
    if (component_ != nullptr) {
        outputKind_ = component_->OutputKind();
        outputAddress_ = component_->OutputAddress();
    }
    evaluateBatchCall_ = [this] { EvaluateBatchSamples(); };
    showCall_ = [this] { ShowRows(); };
}

ComponentPreview::~ComponentPreview() {
    Terminate();
    WaitFor();
}

void ComponentPreview::Resume() {
    if (thread_.joinable()) return;
    handOver_.Open();
    thread_ = std::thread([this] {
        Run();
        handOver_.Close();
    });
}

void ComponentPreview::WaitFor() {
    if (thread_.joinable()) thread_.join();
}

bool ComponentPreview::EvaluateBatch() {
    if (handOver_.StopRequested()) return false;
    return handOver_.Call(evaluateBatchCall_);
}

bool ComponentPreview::Show(int line) {
    currentLine_ = line;
    return handOver_.Call(showCall_);
}

void ComponentPreview::Run() {
    TRunningFlag running;
    if (display_ == nullptr || tree_ == nullptr || tree_->Context == nullptr ||
        component_ == nullptr) {
        return;
    }
    LowerThisThreadsPriority();
    work_ = std::make_unique<TPreviewBitmap>(size_);
    struct FreeWork {
        std::unique_ptr<TPreviewBitmap>& work;
        ~FreeWork() { work.reset(); }
    } freeWork{work_};

    // Coarse pass: one evaluation per 2 × 2 block, handed over a run of block rows at a time.
    const int blocks = size_ / 2;
    const int rowsPerCall = std::max(1, kCoarseCallSamples / blocks);
    batch_.reserve(static_cast<size_t>(std::max(kCoarseCallSamples, size_)));
    batchColors_.reserve(batch_.capacity());
    for (int r = 0; r < blocks;) {
        // A run never crosses a display refresh (after block rows 7, 15, …).
        const int end = std::min({r + rowsPerCall, (r / 8 + 1) * 8, blocks});
        for (int row = r; row < end; ++row) {
            for (int c = 0; c < blocks; ++c) batch_.push_back({2 * c, 2 * row});
        }
        if (!EvaluateBatch()) return;
        for (size_t i = 0; i < batch_.size(); ++i) {
            const auto [x, y] = batch_[i];
            for (int dx = 0; dx < 2; ++dx) {
                for (int dy = 0; dy < 2; ++dy) pixels_[Index(x + dx, y + dy)] = batchColors_[i];
            }
        }
        batch_.clear();
        r = end;
        if (r % 8 == 0 && !Show(2 * (r - 1))) return;
    }
    if (!Show(size_)) return;

    // Refinement: the pixels the coarse pass did not evaluate, where a neighbour differs. The
    // pixels of a row are evaluated together, in order; only a pixel that needs the new colour
    // of its left neighbour, still waiting in the batch, sends the batch ahead of it.
    static constexpr int kNeighbours[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    const auto flush = [&] {
        if (batch_.empty()) return true;
        if (!EvaluateBatch()) return false;
        for (size_t i = 0; i < batch_.size(); ++i) {
            pixels_[Index(batch_[i].first, batch_[i].second)] = batchColors_[i];
        }
        batch_.clear();
        return true;
    };
    for (int y = 0; y < size_; ++y) {
        for (int x = 0; x < size_; ++x) {
            if (handOver_.StopRequested()) return;
            if (x % 2 == 0 && y % 2 == 0) continue;
            const bool leftWaits = !batch_.empty() && batch_.back().first == x - 1;
            const TPixelColor own = pixels_[Index(x, y)];
            bool edge = false;
            bool needsLeft = false;
            for (const auto& n : kNeighbours) {
                const int nx = x + n[0];
                const int ny = y + n[1];
                if (nx < 0 || ny < 0 || nx >= size_ || ny >= size_) continue;
                if (leftWaits && nx == x - 1) {
                    needsLeft = true;
                    continue;
                }
                if (ColorDistance(own, pixels_[Index(nx, ny)]) > kRefinementThreshold) {
                    edge = true;
                    break;
                }
            }
            if (!edge && needsLeft) {
                if (!flush()) return;
                edge = ColorDistance(own, pixels_[Index(x - 1, y)]) > kRefinementThreshold;
            }
            if (edge) batch_.push_back({x, y});
        }
        if (!flush()) return;
        if (y % 16 == 15 && !Show(y)) return;
    }
    Show(size_);
}

void ComponentPreview::EvaluateSample() {
    TThreadRecord& context = *tree_->Context;
    const double coverage = SynthesiseSample(shape_, sampleX_, sampleY_, range_, context, size_);
    const TPixelColor background = PreviewBackground(sampleX_, sampleY_);
    if (coverage == 0) {
        sampleColor_ = background;
        return;
    }
    tree_->Evaluate(kPreviewMask);
    sampleColor_ = PreviewColor(outputKind_, outputAddress_, background, coverage);
}

void ComponentPreview::EvaluateBatchSamples() {
    // Stops come from this thread only, so none can arrive between these samples.
    batchColors_.clear();
    for (const auto& [x, y] : batch_) {
        sampleX_ = x;
        sampleY_ = y;
        EvaluateSample();
        batchColors_.push_back(sampleColor_);
    }
}

void ComponentPreview::ShowRows() {
    if (currentLine_ >= size_) ++shownPasses_;
    const int first = std::max(currentLine_ - 16, 0);
    const int last = std::min(currentLine_, size_ - 1);
    for (int y = first; y <= last; ++y) {
        for (int x = 0; x < size_; ++x) work_->At(x, y) = pixels_[Index(x, y)];
    }
    display_->ShowRows(*work_, first, last, currentLine_ < size_ ? currentLine_ : -1);
}

TPreviewController::TPreviewController(THandOver& handOver, TPreviewDisplay* display)
    : handOver_(handOver), display_(display) {}

TPreviewController::~TPreviewController() { Stop(); }

void TPreviewController::Start(TXRTree& tree, TXRComponent* component,
                               const TLocalKeyframes* keyframes) {
    Stop();
    tree_ = &tree;
    component_ = component;
    keyframes_ = keyframes;
    if (component == nullptr || tree.FindEntry(component) == nullptr) {
        tree_ = nullptr;
        component_ = nullptr;
        return;
    }
    tree.SetRoot(component, true);
    if (keyframes != nullptr && tree.Context != nullptr) {
        for (int t = 0; t < kTriggerCount; ++t) {
            for (int k = 0; k < 3; ++k) {
                tree.Context->Variables[static_cast<size_t>(kTriggerAreaIndex + 3 * t + k)] =
                    keyframes->Triggers[static_cast<size_t>(t)][static_cast<size_t>(k)];
            }
        }
    }
    preview_ = std::make_unique<ComponentPreview>(handOver_, &tree, component, display_, range_,
                                                  shape_, size_);
    ++starts_;
    preview_->Resume();
}

void TPreviewController::Stop() {
    if (preview_ == nullptr) return;
    preview_->Terminate();
    preview_->WaitFor();
    preview_.reset();
}

bool TPreviewController::Restart() {
    if (tree_ == nullptr) return false;
    Start(*tree_, component_, keyframes_);
    return preview_ != nullptr;
}

bool TPreviewController::SetSize(int size) {
    size = PreviewSizeFor(size);
    if (size == size_) return false;
    size_ = size;
    return true;
}

bool TPreviewController::SetShape(TPreviewShape shape) {
    if (shape == shape_) return false;
    shape_ = shape;
    return Restart();
}

bool TPreviewController::SetRange(float range) {
    range_ = std::isnan(range) ? kPreviewRangeDefault
                               : std::clamp(range, kPreviewRangeMin, kPreviewRangeMax);
    return Restart();
}

}  // namespace vandrel
