// The graph model: routing every wire, and the layout written to and read from the stream.
#include <algorithm>
#include <map>
#include <optional>

#include "core/factory.h"
#include "core/messages.h"
#include "core/stream_sections.h"
#include "editor/model/graph_model.h"
#include "editor/model/graph_model_parts.h"
#include "interface/interface_model.h"

namespace vandrel {

using namespace graph_parts;

void TXRGraphModel::RerouteAll() {
    if (rebuilding_) return;
    std::vector<TRect> rects;
    rects.reserve(containers_.size());
    for (const auto& c : containers_) rects.push_back(c->Bounds());
    grid_.Prepare(rects);
    std::vector<TXRComponentConnection*> order;
    for (const auto& conn : connections_) {
        const TPoint out = conn->Source->OutputPoint();
        const TPoint in = conn->Target->InputPoint(conn->Property, conn->Part);
        conn->LengthKey = std::abs(out.x - in.x) + std::abs(out.y - in.y);
        order.push_back(conn.get());
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto* a, const auto* b) { return a->LengthKey > b->LengthKey; });
    for (TXRComponentConnection* conn : order) {
        const TPoint out = conn->Source->OutputPoint();
        const TPoint in = conn->Target->InputPoint(conn->Property, conn->Part);
        TPath path;
        if (!grid_.Route(out, in, path)) {
            path = FallbackRoute(out, conn->Source->Bounds(), in, conn->Target->Bounds());
        }
        conn->Bounds = RouteBounds(path);
        for (TPoint& p : path) p = {p.x - conn->Bounds.left, p.y - conn->Bounds.top};
        conn->Points = std::move(path);
        conn->BoundsSet = true;
    }
    Notify([](TGraphObserver& o) { o.ConnectionsChanged(); });
}

TEditorSource TXRGraphModel::Layout() const {
    TEditorSource source;
    // Constants are written only where they differ from a fresh component's.
    std::map<int32_t, std::unique_ptr<TXRComponent>> defaults;
    auto& tree = const_cast<TXRTree&>(tree_);
    for (const auto& c : containers_) {
        auto& fresh = defaults[c->TypeId];
        if (fresh == nullptr) fresh = CreateComponent(c->TypeId, &tree);
        const auto differs = [&](int32_t prop, int32_t part, float value) {
            const float* d = fresh != nullptr ? fresh->ConstantAddress(prop) : nullptr;
            return d == nullptr || !SameBits(d[std::max(part, 0)], value);
        };
        const auto scalar = [&](const TPropertyState& p, int32_t part) {
            const TPropertyInput& input = p.Input(part);
            if (input.Connection != nullptr) return TScalarCode::Source();
            if (input.VariableFlag) return TScalarCode::Variable(uint32_t(input.VariableNumber));
            const float value = Constant(c.get(), p.Index, part);
            return differs(p.Index, part, value) ? TScalarCode::Constant(value)
                                                 : TScalarCode::Source();
        };
        TEditorWindow window;
        window.typeId = c->TypeId;
        window.left = c->Left;
        window.top = c->Top;
        window.unread = c->UnreadLayout;
        for (const TPropertyState& p : c->Properties) {
            switch (p.Kind) {
                case kNumerical:
                    window.codes.push_back(TPropertyCode::Scalar(scalar(p, kWholeProperty)));
                    break;
                case kUV:
                case kVector:
                    if (p.Split) {
                        window.codes.push_back(
                            p.PartCount == 2
                                ? TPropertyCode::Parts({scalar(p, 0), scalar(p, 1)})
                                : TPropertyCode::Parts({scalar(p, 0), scalar(p, 1), scalar(p, 2)}));
                    } else {
                        const bool variable = p.Whole.Connection == nullptr && p.Whole.VariableFlag;
                        window.codes.push_back(TPropertyCode::Whole(
                            variable ? TScalarCode::Variable(uint32_t(p.Whole.VariableNumber))
                                     : TScalarCode::Source()));
                    }
                    break;
                case kEnumeration:
                    window.codes.push_back(
                        p.Whole.VariableFlag
                            ? TPropertyCode::EnumVariable(uint32_t(p.Whole.VariableNumber))
                            : TPropertyCode::EnumValue(uint32_t(p.Value) & 0xFFFFu));
                    break;
                case kFile:
                    window.codes.push_back(TPropertyCode::File(p.Value, c->Component->FileKind()));
                    break;
                default:
                    break;
            }
        }
        source.windows.push_back(std::move(window));
        source.folds.push_back(c->FoldState);
    }
    for (const auto& conn : connections_) {
        source.connections.push_back({uint32_t(IndexOf(conn->Source)),
                                      uint32_t(IndexOf(conn->Target)), conn->Property, conn->Part});
    }
    source.rootWindow = IndexOf(root_);
    return source;
}

void TXRGraphModel::ApplyCode(TXRComponentContainer& c, TPropertyState& p,
                              const TPropertyCode& code) {
    const auto applyScalar = [&](int32_t part, const TScalarCode& s) {
        if (s.kind == TScalarCode::kVariable) {
            const int32_t n = static_cast<int32_t>(std::min<uint32_t>(s.variable, 0x7FFF));
            if (VariableFits(p, part, n)) AimAtVariable(c, p, part, n);
        } else if (s.kind == TScalarCode::kConstant) {
            c.Component->SetConstant(p.Index, part, s.constant);
        }
    };
    switch (code.form) {
        case TPropertyCode::kScalar:
            if (p.Kind == kNumerical) applyScalar(kWholeProperty, code.scalar);
            break;
        case TPropertyCode::kWhole:
            if (p.Splittable() && code.scalar.kind == TScalarCode::kVariable) {
                const int32_t n =
                    static_cast<int32_t>(std::min<uint32_t>(code.scalar.variable, 0x7FFF));
                if (VariableFits(p, kWholeProperty, n)) {
                    ReleaseVariable(p, kWholeProperty);
                    AimAtVariable(c, p, kWholeProperty, n);
                }
            }
            break;
        case TPropertyCode::kParts:
            if (!p.Splittable() || p.Split) break;
            ReleaseVariable(p, kWholeProperty);
            p.Split = true;
            for (int32_t k = 0; k < p.PartCount; ++k) {
                AimAtConstant(c, p.Index, k);
                if (k < code.partCount) applyScalar(k, code.parts[static_cast<size_t>(k)]);
            }
            break;
        case TPropertyCode::kEnumValue:
            if (p.Kind == kEnumeration) {
                p.Value = static_cast<int32_t>(code.value);
                c.Component->SetEnumValue(p.Index, p.Value);
            }
            break;
        case TPropertyCode::kEnumVariable: {
            const int32_t n = static_cast<int32_t>(std::min<uint32_t>(code.value, 0x7FFF));
            if (p.Kind == kEnumeration && TriggerOf(n) >= 0) AimAtVariable(c, p, kWholeProperty, n);
            break;
        }
        case TPropertyCode::kFile:
            if (p.Kind == kFile) {
                const char kind = c.Component->FileKind();
                if (p.Value >= 0) interface_.ReleaseFileSlot(p.Value, kind);
                p.Value = code.fileNumber >= 0 && code.fileNumber <= 4 ? code.fileNumber : -1;
                if (p.Value >= 0) interface_.RegisterFileSlot(p.Value, kind);
                c.Component->SetEnumValue(p.Index, p.Value);
            }
            break;
    }
}

std::vector<TXRComponentContainer*> TXRGraphModel::Insert(const TEditorSource& part, int32_t dx,
                                                          int32_t dy) {
    std::vector<TXRComponentContainer*> created;
    for (const TEditorWindow& w : part.windows) {
        TXRComponentContainer* c = w.typeId == kUnreadWindow || w.typeId == kRootTypeId
                                       ? nullptr
                                       : CreateContainer(w.typeId, w.left + dx, w.top + dy);
        created.push_back(c);
        if (c == nullptr) continue;
        for (size_t k = 0; k < w.codes.size() && k < c->Properties.size(); ++k) {
            ApplyCode(*c, c->Properties[k], w.codes[k]);
            Notify([&](TGraphObserver& o) { o.PropertyChanged(*c, static_cast<int32_t>(k)); });
        }
        c->UnreadLayout = w.unread;
        c->Relayout();
    }
    for (const TEditorConnection& e : part.connections) {
        if (e.source >= created.size() || e.consumer >= created.size()) continue;
        Connect(created[e.source], created[e.consumer], e.property, e.part);
    }
    for (size_t i = 0; i < part.folds.size() && i < created.size(); ++i) {
        if (created[i] == nullptr) continue;
        created[i]->FoldState = part.folds[i];
        created[i]->Collapsed = part.folds[i] != 0;
        created[i]->Relayout();
        Notify([&](TGraphObserver& o) { o.ContainerChanged(*created[i]); });
    }
    RerouteAll();
    return created;
}

void TXRGraphModel::Clear() {
    for (const auto& c : containers_) {
        Notify([&](TGraphObserver& o) { o.ContainerRemoving(*c); });
    }
    connections_.clear();
    containers_.clear();
    indexOf_.clear();
    indexValid_ = true;
    root_ = nullptr;
    active_ = nullptr;
    PendingType = -1;
    tree_.Clear();
    usage_.Reset();
    Notify([](TGraphObserver& o) {
        o.ConnectionsChanged();
        o.ClipToolsChange();
    });
}

bool TXRGraphModel::Rebuild(std::string_view stream) {
    if (!stream.starts_with("XR")) return false;
    interface_.Reset();
    Clear();
    tree_.SetCustomTable(StreamSection(stream, kCustomSection));
    const std::string_view section = StreamSection(stream, kEditorSourceSection);
    if (section.empty()) {
        ShowError(kNoSource);
        return false;
    }
    const PropertyKindsFn kinds = [this](int32_t typeId) {
        std::vector<ValueKind> out = BuiltinPropertyKinds(typeId);
        if (!out.empty() || typeId <= kRootTypeId) return out;
        if (auto custom = tree_.CreateCustomComponent(typeId)) {
            for (int32_t i = 0; i < std::min(custom->PropertyCount(), kMaxProperties); ++i) {
                out.push_back(static_cast<ValueKind>(custom->PropertyKind(i)));
            }
        }
        return out;
    };
    const TEditorSource layout = ParseEditorSource(section, kinds);
    rebuilding_ = true;
    // No root exists until the end, so the order the tree would compute after each window and
    // connection is the order of creation: it is computed once.
    std::optional<TTreeChanges> changes(std::in_place, tree_);
    // Window numbers of the layout; a window that could not be created stays null, so that the
    // connections of the others still find their windows.
    std::vector<TXRComponentContainer*> byWindow;
    const int32_t windowCount = static_cast<int32_t>(layout.windows.size());
    for (int32_t i = 0; i < windowCount; ++i) {
        const TEditorWindow& w = layout.windows[static_cast<size_t>(i)];
        Notify(
            [&](TGraphObserver& o) { o.Progress("Creating components...", i + 1, windowCount); });
        TXRComponentContainer* c =
            w.typeId == kUnreadWindow ? nullptr : CreateContainer(w.typeId, w.left, w.top);
        byWindow.push_back(c);
        if (c == nullptr) continue;
        // Keep the stored position even where it lies outside what creation allows.
        c->Left = w.left;
        c->Top = w.top;
        for (size_t k = 0; k < w.codes.size() && k < c->Properties.size(); ++k) {
            ApplyCode(*c, c->Properties[k], w.codes[k]);
        }
        c->UnreadLayout = w.unread;
        c->Relayout();
    }
    const int32_t connectionCount = static_cast<int32_t>(layout.connections.size());
    {
        // Ranked for these links first, each one's cycle check costs a constant.
        std::vector<std::pair<TXRComponent*, TXRComponent*>> links;
        links.reserve(layout.connections.size());
        for (const TEditorConnection& e : layout.connections) {
            if (e.source >= byWindow.size() || e.consumer >= byWindow.size()) continue;
            const TXRComponentContainer* from = byWindow[e.source];
            const TXRComponentContainer* to = byWindow[e.consumer];
            if (from != nullptr && to != nullptr)
                links.emplace_back(from->Component, to->Component);
        }
        tree_.PrepareLinks(links);
    }
    for (int32_t i = 0; i < connectionCount; ++i) {
        const TEditorConnection& e = layout.connections[static_cast<size_t>(i)];
        Notify([&](TGraphObserver& o) {
            o.Progress("Connecting components...", i + 1, connectionCount);
        });
        if (e.source >= byWindow.size() || e.consumer >= byWindow.size()) continue;
        Connect(byWindow[e.source], byWindow[e.consumer], e.property, e.part);
    }
    changes.reset();
    Notify([](TGraphObserver& o) { o.Progress("", 0, 0); });
    TXRComponentContainer* root = layout.rootWindow >= 0 && layout.rootWindow < windowCount
                                      ? byWindow[static_cast<size_t>(layout.rootWindow)]
                                      : nullptr;
    if (root == nullptr || root->TypeId != kRootTypeId) {
        root = nullptr;
        for (const auto& c : containers_) {
            if (c->TypeId == kRootTypeId) {
                root = c.get();
                break;
            }
        }
    }
    SetRootContainer(root);
    for (size_t i = 0; i < layout.folds.size() && i < byWindow.size(); ++i) {
        if (byWindow[i] == nullptr) continue;
        byWindow[i]->FoldState = layout.folds[i];
        byWindow[i]->Collapsed = layout.folds[i] != 0 && byWindow[i] != root_;
        byWindow[i]->Relayout();
    }
    rebuilding_ = false;
    for (const auto& conn : connections_) conn->Visible = true;
    interface_.Parse(StreamSection(stream, kInterfaceSection));
    for (const auto& c : containers_) {
        Notify([&](TGraphObserver& o) { o.ContainerChanged(*c); });
    }
    RerouteAll();
    modified_ = false;
    Notify([](TGraphObserver& o) { o.Rebuilt(); });
    return true;
}

}  // namespace vandrel
