// The studio's renders: the material-preview scene rendered through the plug-in's shade callbacks
// on background threads, coarse to fine, one render at a time.
//
// Start, Stop and the destructor belong to the user-interface thread, and so do the callbacks:
// every pass is handed over through that thread's event loop, never by waiting on it. A new Start
// while a render runs cancels it (tiles not yet begun are skipped) and begins the new one as soon
// as the old one has stopped; the plug-in's begin- and end-of-render calls also run on the
// user-interface thread, around each render, as a host makes them.
#pragma once

#include <QObject>
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "renderer/host/scene.h"
#include "renderer/studio_material.h"

namespace vandrel::studio {

struct TStudioView {
    host::ShapeKind Shape = host::ShapeKind::kSphere;
    // With kMesh: the mesh in place of the object.
    std::shared_ptr<const host::TMeshGeometry> Mesh;
    int Width = 256;
    int Height = 256;
    int Threads = 0;  // 0: all cores
};

// One finished pass: linear RGB floats, row by row from the top.
struct TStudioPass {
    uint64_t Render = 0;  // the render it belongs to, counted from 1
    int Index = 0;
    int Count = 0;
    int Width = 0;
    int Height = 0;
    std::vector<float> Rgb;
    bool Final() const { return Index + 1 == Count; }
};

struct TStudioOutcome {
    uint64_t Render = 0;
    bool Completed = false;  // false: cancelled
    std::string OutputFile;  // where the final image went, when asked for
    std::string Error;       // why writing it failed; empty otherwise
};

// The passes of a preview of that size: an eighth, a quarter and the full size with one sample
// per pixel, then the full size with four; sizes that repeat are left out. The full size comes
// first with one sample, a quarter of the last pass's cost, so that the whole picture shows
// early; a half-size pass would delay it by as much again as both smaller ones.
std::vector<std::array<int, 3>> PreviewPasses(int width, int height);

class TStudioRenderer {
  public:
    explicit TStudioRenderer(const TPluginShaders& shaders);
    ~TStudioRenderer();
    TStudioRenderer(const TStudioRenderer&) = delete;
    TStudioRenderer& operator=(const TStudioRenderer&) = delete;

    // Renders the material progressively; with an output file, only the final pass, written there.
    void Start(const TStudioMaterial& material, const TStudioView& view,
               const std::string& outputFile = {});
    // Cancels the running render and drops a waiting one.
    void Stop();
    // The same, and returns once the render has ended and its outcome has been delivered.
    void StopAndWait();

    bool Busy() const { return running_ || pending_.has_value(); }
    uint64_t StartedRenders() const { return started_; }

    std::function<void(const TStudioPass&)> OnPass;
    std::function<void(const TStudioOutcome&)> OnFinished;

  private:
    struct TJob {
        TStudioMaterial Material;
        TStudioView View;
        std::string OutputFile;
    };

    // What the render thread leaves for the user-interface thread, in the order it was left.
    using TMail = std::variant<TStudioPass, TStudioOutcome>;
    class TReceiver;

    void Launch(TJob job);
    void StartWorker(uint64_t render, host::TScene scene, std::vector<std::array<int, 3>> passes,
                     TStudioView view, std::string output);
    void Post(TMail mail);
    void Deliver();
    void Stopped(TStudioOutcome outcome);
    const host::TScene& SceneFor(const TStudioView& view);

    TPluginShaders shaders_;
    std::array<int32_t, 4> hostMaterials_{};
    std::map<host::ShapeKind, host::TScene> scenes_;
    // The scene of the last mesh shown, kept while it is the view's.
    std::shared_ptr<const host::TMeshGeometry> mesh_;
    host::TScene meshScene_;
    // Events posted to a deleted receiver are dropped, so none outlives the renderer.
    std::unique_ptr<QObject> receiver_;
    std::mutex mailLock_;
    std::deque<TMail> mail_;
    std::thread worker_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
    std::optional<TJob> pending_;
    uint64_t started_ = 0;
};

}  // namespace vandrel::studio
