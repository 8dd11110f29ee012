// Project headers before any Qt header: Qt's "slots" macro breaks core/component.h.
// clang-format off
#include "core/context.h"
#include "core/instance.h"
#include "renderer/host/host_state.h"
#include "renderer/studio/studio_render.h"
// clang-format on
#include <QMetaObject>
#include <algorithm>
#include <utility>

namespace vandrel::studio {

std::vector<std::array<int, 3>> PreviewPasses(int width, int height) {
    std::vector<std::array<int, 3>> passes;
    for (const int divisor : {8, 4, 2, 1}) {
        const int w = std::max(width / divisor, 1), h = std::max(height / divisor, 1);
        const int samples = divisor == 1 ? 4 : 1;
        if (!passes.empty() && passes.back()[0] == w && passes.back()[1] == h) passes.pop_back();
        passes.push_back({w, h, samples});
    }
    return passes;
}

TStudioRenderer::TStudioRenderer(const TPluginShaders& shaders)
    : shaders_(shaders), receiver_(std::make_unique<QObject>()) {
    for (int32_t& material : hostMaterials_) material = host::CreateMaterial();
}

TStudioRenderer::~TStudioRenderer() {
    pending_.reset();
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
    receiver_.reset();  // drops the finished render's queued hand-over
    if (running_) {
        for (const tsxShaderDescriptor& d : shaders_) {
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

const host::TScene& TStudioRenderer::SceneFor(host::ShapeKind shape) {
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
    host::TScene scene = SceneFor(job.View.Shape);
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

    QObject* receiver = receiver_.get();
    worker_ = std::thread([this, receiver, render, scene = std::move(scene),
                           passes = std::move(passes), view = job.View, output = job.OutputFile] {
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
            pass.Rgb = host::Render(scene, settings);
            if (cancel_) break;
            if (pass.Final() && !output.empty()) {
                if (!host::WriteImage(output, pass.Width, pass.Height, pass.Rgb, outcome.Error) &&
                    outcome.Error.empty()) {
                    outcome.Error = "cannot write the image";
                }
            }
            outcome.Completed = pass.Final();
            QMetaObject::invokeMethod(
                receiver,
                [this, pass = std::move(pass)] {
                    if (OnPass) OnPass(pass);
                },
                Qt::QueuedConnection);
        }
        // The last thing this thread does: Stopped joins it.
        QMetaObject::invokeMethod(
            receiver, [this, outcome = std::move(outcome)] { Stopped(outcome); },
            Qt::QueuedConnection);
    });
}

void TStudioRenderer::Stopped(TStudioOutcome outcome) {
    if (worker_.joinable()) worker_.join();
    for (const tsxShaderDescriptor& d : shaders_) {
        if (d.shade != nullptr) d.shade(0, nullptr, 1);
    }
    running_ = false;
    // The waiting render goes first, so that a Start from OnFinished waits behind it.
    std::optional<TJob> next = std::exchange(pending_, std::nullopt);
    if (next) Launch(std::move(*next));
    if (OnFinished) OnFinished(outcome);
}

}  // namespace vandrel::studio
