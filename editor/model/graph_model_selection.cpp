// The graph model: selection, moving, collapsing and placing containers, and hit tests on them.
#include <algorithm>

#include "editor/model/graph_model.h"
#include "editor/model/graph_model_parts.h"

namespace vandrel {

using namespace graph_parts;

void TXRGraphModel::Select(TXRComponentContainer* container) {
    if (IndexOf(container) < 0) return;
    for (const auto& c : containers_) {
        const bool selected = c.get() == container;
        if (c->Selected != selected) {
            c->Selected = selected;
            Notify([&](TGraphObserver& o) { o.ContainerChanged(*c); });
        }
    }
    active_ = container;
    Notify([&](TGraphObserver& o) {
        o.ClipToolsChange();
        o.PreviewUpdate(*container);
    });
}

void TXRGraphModel::ToggleSelection(TXRComponentContainer* container) {
    if (IndexOf(container) < 0) return;
    container->Selected = !container->Selected;
    Notify([&](TGraphObserver& o) { o.ContainerChanged(*container); });
    const int32_t count = SelectedCount();
    if (!container->Selected) {
        if (active_ == container) active_ = nullptr;
        if (count == 1) {
            for (const auto& c : containers_) {
                if (c->Selected) Select(c.get());
            }
            return;
        }
    } else if (count == 1) {
        Select(container);
        return;
    }
    Notify([](TGraphObserver& o) { o.ClipToolsChange(); });
}

void TXRGraphModel::PressSelect(TXRComponentContainer* container) {
    if (container != nullptr && !container->Selected) Select(container);
}

void TXRGraphModel::ClearSelection() {
    for (const auto& c : containers_) {
        if (c->Selected) {
            c->Selected = false;
            Notify([&](TGraphObserver& o) { o.ContainerChanged(*c); });
        }
    }
    active_ = nullptr;
    Notify([](TGraphObserver& o) { o.ClipToolsChange(); });
}

void TXRGraphModel::MoveContainer(TXRComponentContainer* container, int32_t left, int32_t top) {
    if (IndexOf(container) < 0) return;
    container->Left = std::clamp(left, 0, kMaxPosition);
    container->Top = std::clamp(top, 0, kMaxPosition);
    Changed();
    Notify([&](TGraphObserver& o) { o.ContainerChanged(*container); });
}

void TXRGraphModel::MoveSelected(int32_t dx, int32_t dy) {
    for (const auto& c : containers_) {
        if (c->Selected) {
            MoveContainer(
                c.get(),
                static_cast<int32_t>(std::clamp<int64_t>(int64_t{c->Left} + dx, 0, kMaxPosition)),
                static_cast<int32_t>(std::clamp<int64_t>(int64_t{c->Top} + dy, 0, kMaxPosition)));
        }
    }
    RerouteAll();
    Notify([](TGraphObserver& o) { o.ShaderUpdate(); });
}

void TXRGraphModel::SetCollapsed(TXRComponentContainer* container, bool collapsed) {
    if (IndexOf(container) < 0 || container->Collapsed == collapsed) return;
    container->Collapsed = collapsed;
    container->FoldState = collapsed ? 1 : 0;
    container->Relayout();
    Changed();
    Notify([&](TGraphObserver& o) { o.ContainerChanged(*container); });
    RerouteAll();
    // The fold digit is part of the stored layout.
    Notify([](TGraphObserver& o) { o.ShaderUpdate(); });
}

TXRComponentContainer* TXRGraphModel::Place(int32_t x, int32_t y) {
    if (PendingType < 0) return nullptr;
    const int32_t type = PendingType;
    PendingType = -1;
    TXRComponentContainer* c = CreateContainer(type, x, y);
    if (c != nullptr) {
        Select(c);
        Notify([](TGraphObserver& o) { o.ShaderUpdate(); });
    }
    return c;
}

TXRComponentContainer* TXRGraphModel::ContainerAt(TPoint canvasPoint) const {
    for (auto it = containers_.rbegin(); it != containers_.rend(); ++it) {
        if ((*it)->Bounds().Contains(canvasPoint)) return it->get();
    }
    return nullptr;
}

bool TXRGraphModel::InputAt(const TXRComponentContainer* container, TPoint local, int32_t& prop,
                            int32_t& part) const {
    if (container == nullptr || container->Collapsed) return false;
    for (const TPropertyState& p : container->Properties) {
        const TRect bar{kBarLeft, p.Top, kBarLeft + kBarWidth, p.Top + p.Height()};
        if (!bar.Contains(local)) continue;
        prop = p.Index;
        part = p.Splittable() && p.Split ? (local.y - p.Top) / kBarRowHeight : kWholeProperty;
        return true;
    }
    return false;
}

}  // namespace vandrel
