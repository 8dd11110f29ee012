// The component preview: a square picture (64 × 64 beside the palette, up to 512 × 512 in the
// large preview) of what the selected component computes, on a plane, a sphere or a cube, drawn
// progressively by a background thread.
//
// The thread only steps through the pixels and writes its pixel buffer. Every evaluation of the
// editor's tree and every display update is handed over to the user-interface thread through a
// THandOver and waited for, so the tree is never evaluated while the user edits it and needs no
// lock. A coarse pass evaluates one pixel of every 2 × 2 block (1024 at 64 × 64); a refinement
// pass then evaluates every other pixel that differs from a neighbour by more than
// kRefinementThreshold. Samples are handed over in batches (a run of block rows, the edge pixels
// of a row), since a trip through the event loop costs more than most evaluations. The display is
// refreshed in bands of 16 rows.
//
// Threads: everything here is called on the user-interface thread, which owns the tree, its
// context and the display.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "core/tree.h"
#include "editor/preview/hand_over.h"
#include "editor/preview/preview_scene.h"
#include "interface/interface_model.h"

namespace vandrel {

// The large preview's pictures: at most this many pixels a side, at least two.
inline constexpr int kLargePreviewMax = 512;
inline constexpr int kPreviewSizeMin = 2;
// A picture side held to kPreviewSizeMin … kLargePreviewMax and even (the coarse pass fills 2 × 2
// blocks).
int PreviewSizeFor(int pixels);

// Row-major RGB, the layout of a display image.
struct TPreviewBitmap {
    explicit TPreviewBitmap(int size = kPreviewSize)
        : Size(size), pixels(static_cast<size_t>(size) * static_cast<size_t>(size)) {}
    int Size;
    std::vector<TPixelColor> pixels;
    TPixelColor& At(int x, int y) { return pixels[static_cast<size_t>(y * Size + x)]; }
    const TPixelColor& At(int x, int y) const { return pixels[static_cast<size_t>(y * Size + x)]; }
};

// The target image, on the user-interface thread.
class TPreviewDisplay {
  public:
    virtual ~TPreviewDisplay() = default;
    // Rows first … last of the bitmap are to be copied onto the image; while the preview is not
    // finished, progressLine (≥ 0) is the row across which a line marks how far it got.
    virtual void ShowRows(const TPreviewBitmap& bitmap, int first, int last, int progressLine) = 0;
};

// True while a preview thread (of any preview) is inside its run.
bool PreviewRunning();

class ComponentPreview {
  public:
    // The component's output is taken now. Nothing runs until Resume. The size goes through
    // PreviewSizeFor.
    ComponentPreview(THandOver& handOver, TXRTree* tree, TXRComponent* component,
                     TPreviewDisplay* display, float range, TPreviewShape shape,
                     int size = kPreviewSize);
    ComponentPreview(const ComponentPreview&) = delete;
    ComponentPreview& operator=(const ComponentPreview&) = delete;
    // Requests termination and waits.
    ~ComponentPreview();

    void Resume();
    void Terminate() { handOver_.RequestStop(); }
    // Waits for the thread to end; never from inside a handed-over call.
    void WaitFor();

    // Read after WaitFor (or from a handed-over call).
    TPixelColor Pixel(int x, int y) const { return pixels_[Index(x, y)]; }
    int Size() const { return size_; }
    int CurrentLine() const { return currentLine_; }
    // Whole pictures shown so far: 1 after the coarse pass, 2 when the refinement is done. Read
    // on the user-interface thread, which counts them as it shows them.
    int ShownPasses() const { return shownPasses_; }
    bool Finished() const { return shownPasses_ >= 2; }

  private:
    void Run();
    // The samples of batch_, in order, into batchColors_; false when terminated first.
    bool EvaluateBatch();
    bool Show(int line);
    void EvaluateSample();        // user-interface thread
    void EvaluateBatchSamples();  // user-interface thread
    void ShowRows();              // user-interface thread
    size_t Index(int x, int y) const { return static_cast<size_t>(y * size_ + x); }

    THandOver& handOver_;
    int size_;
    std::vector<TPixelColor> pixels_;  // row-major
    int currentLine_ = 0;
    int shownPasses_ = 0;  // user-interface thread
    float* outputAddress_ = nullptr;
    int32_t outputKind_ = kUndefined;
    std::unique_ptr<TPreviewBitmap> work_;
    int sampleX_ = 0;
    int sampleY_ = 0;
    TPixelColor sampleColor_;
    std::vector<std::pair<int, int>> batch_;  // pixels (column, row) to evaluate in one call
    std::vector<TPixelColor> batchColors_;
    float range_;
    TPreviewShape shape_;
    TXRTree* tree_;
    TXRComponent* component_;
    TPreviewDisplay* display_;
    std::function<void()> evaluateBatchCall_;
    std::function<void()> showCall_;
    std::thread thread_;
};

// Starts and stops the one preview of the editor; keeps the shape and the range.
class TPreviewController {
  public:
    // Neither is owned; both must outlive the controller.
    TPreviewController(THandOver& handOver, TPreviewDisplay* display);
    ~TPreviewController();
    TPreviewController(const TPreviewController&) = delete;
    TPreviewController& operator=(const TPreviewController&) = delete;

    // Stops any running preview, prepares the tree's evaluation order up to the component (the
    // tree's root becomes the component: whoever writes the shader's stream sets the root back),
    // copies the trigger values of the keyframes (when given) into the tree's context and starts a
    // new preview. Nothing starts for a component that is not in the tree.
    void Start(TXRTree& tree, TXRComponent* component, const TLocalKeyframes* keyframes);
    // Requests termination and waits; the image keeps what was drawn.
    void Stop();
    // The shape buttons: another shape restarts the last preview; the shape already chosen starts
    // nothing. True when a preview started.
    bool SetShape(TPreviewShape shape);
    // Held to kPreviewRangeMin … kPreviewRangeMax (NaN gives the default); restarts the last
    // preview. True when a preview started.
    bool SetRange(float range);
    // The last preview again ("Click to update"). True when a preview started.
    bool Restart();
    // The picture's side (through PreviewSizeFor) for the next start; false when it is the size
    // already set.
    bool SetSize(int size);
    int Size() const { return size_; }
    // Another preview's shape and range for the next start, which this starts not.
    void TakeSettings(const TPreviewController& other) {
        shape_ = other.shape_;
        range_ = other.range_;
    }

    TPreviewShape Shape() const { return shape_; }
    float Range() const { return range_; }
    // Null when none was started since the last Stop.
    const ComponentPreview* Preview() const { return preview_.get(); }
    // Previews started so far.
    uint64_t Starts() const { return starts_; }

  private:
    THandOver& handOver_;
    TPreviewDisplay* display_;
    TPreviewShape shape_ = TPreviewShape::kSphere;
    float range_ = kPreviewRangeDefault;
    int size_ = kPreviewSize;
    std::unique_ptr<ComponentPreview> preview_;
    TXRTree* tree_ = nullptr;
    TXRComponent* component_ = nullptr;
    const TLocalKeyframes* keyframes_ = nullptr;
    uint64_t starts_ = 0;
};

}  // namespace vandrel
