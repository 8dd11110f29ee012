#include "renderer/studio/studio_render.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <utility>

#include "core/context.h"
#include "core/instance.h"
#include "renderer/host/host_state.h"
#include "renderer/image_writer.h"

namespace vandrel::studio {

// Each posted event stands for one piece of mail. The event itself carries nothing: the mail goes
// through the renderer's own lock, so the two threads' data is ordered by a lock the thread
// checkers can see, not by Qt's event queue.
class TStudioRenderer::TReceiver final : public QObject {
  public:
    explicit TReceiver(TStudioRenderer& owner) : owner_(owner) {}

  protected:
    void customEvent(QEvent*) override { owner_.Deliver(); }

  private:
    TStudioRenderer& owner_;
};

std::vector<std::array<int, 3>> PreviewPasses(int width, int height) {
    std::vector<std::array<int, 3>> passes;
    for (const int divisor : {8, 4, 1}) {
        const int w = std::max(width / divisor, 1), h = std::max(height / divisor, 1);
        if (!passes.empty() && passes.back()[0] == w && passes.back()[1] == h) passes.pop_back();
        passes.push_back({w, h, 1});
    }
    passes.push_back({passes.back()[0], passes.back()[1], 4});
    return passes;
}

TStudioRenderer::TStudioRenderer(const TPluginShaders& shaders)
    : shaders_(shaders), receiver_(std::make_unique<TReceiver>(*this)) {
    for (int32_t& material : hostMaterials_) material = host::CreateMaterial();
}

TStudioRenderer::~TStudioRenderer() {
    pending_.reset();
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
    receiver_.reset();  // drops the events of mail never delivered
    if (running_) {
        for (const hxShaderDescriptor& d : shaders_) {
            if (d.shade != nullptr) d.shade(0, nullptr, 1);
        }
    }
}

void TStudioRenderer::Start(const TStudioMaterial& material, const TStudioView& view,
                            const std::string& outputFile) {
    TJob job{material, view, outputFile};
    if (running_) {
        pending_ = std::move(job);
        cancel_ = true;
        return;
    }
    Launch(std::move(job));
}

void TStudioRenderer::Stop() {
    pending_.reset();
    if (running_) cancel_ = true;
}

void TStudioRenderer::StopAndWait() {
    Stop();
    if (worker_.joinable()) worker_.join();
    // The thread's mail is all there now; the events that announced it find none left.
    while (running_) {
        {
            const std::lock_guard<std::mutex> lock(mailLock_);
            if (mail_.empty()) break;
        }
        Deliver();
    }
}

const host::TScene& TStudioRenderer::SceneFor(const TStudioView& view) {
    if (view.Shape == host::ShapeKind::kMesh && view.Mesh != nullptr) {
        if (mesh_ != view.Mesh) {
            meshScene_ = host::PreviewScene(view.Mesh, {});
            for (size_t type = 0; type < 4; ++type) meshScene_.shaders[type] = shaders_[type].shade;
            mesh_ = view.Mesh;
        }
        return meshScene_;
    }
    const host::ShapeKind shape =
        view.Shape == host::ShapeKind::kMesh ? host::ShapeKind::kSphere : view.Shape;
    // A scene per shape, made once: each one creates host nodes that live as long as the host.
    auto it = scenes_.find(shape);
    if (it == scenes_.end()) {
        host::TScene scene = host::PreviewScene(shape, {});
        for (size_t type = 0; type < 4; ++type) scene.shaders[type] = shaders_[type].shade;
        it = scenes_.emplace(shape, std::move(scene)).first;
    }
    return it->second;
}

void TStudioRenderer::Launch(TJob job) {
    // The host's materials change only here, while no rendering thread reads them.
    host::TScene scene = SceneFor(job.View);
    std::array<int32_t, 4> materials{};
    for (size_t type = 0; type < 4; ++type) {
        const TStudioSlot& slot = job.Material[type];
        if (slot.Shader.empty()) continue;
        const int32_t m = hostMaterials_[type];
        host::SetTextParameter(m, kDataParameter, slot.Shader);
        for (int32_t t = 0; t < kTriggerCount; ++t) {
            host::SetFloatParameter(m, kFirstTriggerParameter + t,
                                    slot.Values.Triggers[static_cast<size_t>(t)]);
        }
        for (int32_t f = 0; f < kFileSlotCount; ++f) {
            host::SetTextParameter(m, kFirstFileParameter + f,
                                   slot.Values.Files[static_cast<size_t>(f)]);
        }
        materials[type] = m;
    }
    for (host::TObject& object : scene.objects) {
        if (object.shape != host::ShapeKind::kGround) object.materials = materials;
    }

    std::vector<std::array<int, 3>> passes =
        job.OutputFile.empty()
            ? PreviewPasses(job.View.Width, job.View.Height)
            : std::vector<std::array<int, 3>>{{job.View.Width, job.View.Height, 4}};
    const uint64_t render = ++started_;
    cancel_ = false;
    running_ = true;
    if (shaders_[kColor].shade != nullptr) shaders_[kColor].shade(0, nullptr, 0);

    const std::string outputFile = job.OutputFile;
    try {
        StartWorker(render, std::move(scene), std::move(passes), job.View, outputFile);
    } catch (const std::exception& e) {
        // No thread for the render: it ends at once, with the reason.
        Stopped(TStudioOutcome{render, false, outputFile, e.what()});
    }
}

void TStudioRenderer::StartWorker(uint64_t render, host::TScene scene,
                                  std::vector<std::array<int, 3>> passes, TStudioView view,
                                  std::string output) {
    worker_ = std::thread([this, render, scene = std::move(scene), passes = std::move(passes),
                           view = std::move(view), output = std::move(output)] {
        TStudioOutcome outcome{render, false, output, {}};
        const int count = static_cast<int>(passes.size());
        for (int i = 0; i < count && !cancel_; ++i) {
            host::TRenderSettings settings;
            settings.width = passes[static_cast<size_t>(i)][0];
            settings.height = passes[static_cast<size_t>(i)][1];
            settings.samples = passes[static_cast<size_t>(i)][2];
            settings.threads = view.Threads;
            settings.cancel = &cancel_;
            TStudioPass pass{render, i, count, settings.width, settings.height, {}};
            try {
                pass.Rgb = host::Render(scene, settings);
            } catch (const std::exception& e) {
                // Out of memory or threads: the render stops with its reason.
                outcome.Error = e.what();
                break;
            }
            if (cancel_) break;
            if (pass.Final() && !output.empty()) {
                if (!WriteImage(output, pass.Width, pass.Height, pass.Rgb, outcome.Error) &&
                    outcome.Error.empty()) {
                    outcome.Error = "cannot write the image";
                }
            }
            outcome.Completed = pass.Final();
            Post(std::move(pass));
        }
        // The last thing this thread does: Stopped joins it.
        Post(std::move(outcome));
    });
}

void TStudioRenderer::Post(TMail mail) {
    // The event is made under the lock too: the user-interface thread frees it, and only the lock
    // orders that after its making.
    QEvent* event = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mailLock_);
        mail_.push_back(std::move(mail));
        event = new QEvent(QEvent::User);
    }
    QCoreApplication::postEvent(receiver_.get(), event);
}

void TStudioRenderer::Deliver() {
    std::optional<TMail> mail;
    {
        const std::lock_guard<std::mutex> lock(mailLock_);
        if (mail_.empty()) return;
        mail = std::move(mail_.front());
        mail_.pop_front();
    }
    if (auto* pass = std::get_if<TStudioPass>(&*mail)) {
        if (OnPass) OnPass(*pass);
    } else {
        Stopped(std::get<TStudioOutcome>(std::move(*mail)));
    }
}

void TStudioRenderer::Stopped(TStudioOutcome outcome) {
    if (worker_.joinable()) worker_.join();
    for (const hxShaderDescriptor& d : shaders_) {
        if (d.shade != nullptr) d.shade(0, nullptr, 1);
    }
    running_ = false;
    // The waiting render goes first, so that a Start from OnFinished waits behind it.
    std::optional<TJob> next = std::exchange(pending_, std::nullopt);
    if (next) Launch(std::move(*next));
    if (OnFinished) OnFinished(outcome);
}

}  // namespace vandrel::studio
