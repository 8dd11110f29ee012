#include "editor/model/graph_model.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/factory.h"
#include "editor/model/graph_model_parts.h"
#include "interface/interface_model.h"

namespace vandrel {

using namespace graph_parts;

std::string_view OutputDotHint(int32_t kind) {
    switch (kind) {
        case kNumerical:
            return "Numerical Value";
        case kUV:
            return "2D Vectorial Value";
        case kVector:
            return "3D Vectorial Value";
        case kUndefined:
            return "This component has no output!";
        default:
            return {};
    }
}

int32_t TPropertyInput::Trigger() const { return VariableFlag ? TriggerOf(VariableNumber) : -1; }

TInputSource TPropertyInput::Source() const {
    if (Connection != nullptr) return TInputSource::kComponent;
    if (!VariableFlag) return TInputSource::kConstant;
    return Trigger() >= 0 ? TInputSource::kTrigger : TInputSource::kVariable;
}

TPropertyInput& TPropertyState::Input(int32_t part) {
    return part >= 0 && part < PartCount && Splittable() ? Parts[static_cast<size_t>(part)] : Whole;
}
const TPropertyInput& TPropertyState::Input(int32_t part) const {
    return part >= 0 && part < PartCount && Splittable() ? Parts[static_cast<size_t>(part)] : Whole;
}

TPath TXRComponentConnection::CanvasPoints() const {
    TPath out = Points;
    if (BoundsSet) {
        for (TPoint& p : out) p = {p.x + Bounds.left, p.y + Bounds.top};
    }
    return out;
}

std::string TXRComponentContainer::Title() const {
    return Component != nullptr ? Component->GetTitle() : std::string();
}
std::string TXRComponentContainer::TitleHint() const {
    return Component != nullptr ? Component->GetTitleHint() : std::string();
}

TPoint TXRComponentContainer::InputPoint(int32_t prop, int32_t part) const {
    const int32_t x = Left + Width - 3;
    const TPropertyState* p = Property(prop);
    if (Collapsed || p == nullptr) return {x, Top + kCollapsedInputY};
    return {x, Top + p->Top + 8 + (part >= 0 ? kBarRowHeight * part : 0)};
}

void TXRComponentContainer::Relayout() {
    int32_t y = kFirstBarTop;
    for (TPropertyState& p : Properties) {
        p.Top = y;
        y += p.Height();
    }
    Height = Collapsed ? 17 : 17 + (y - kFirstBarTop);
}

TPropertyState* TXRComponentContainer::Property(int32_t prop) {
    return prop >= 0 && prop < static_cast<int32_t>(Properties.size())
               ? &Properties[static_cast<size_t>(prop)]
               : nullptr;
}
const TPropertyState* TXRComponentContainer::Property(int32_t prop) const {
    return const_cast<TXRComponentContainer*>(this)->Property(prop);
}

TXRGraphModel::TXRGraphModel(TXRInterfaceModel& interfaceModel) : interface_(interfaceModel) {
    tree_.Context = &record_;
    tree_.InHost = false;  // the editor's tree serves the preview
}

TXRGraphModel::~TXRGraphModel() {
    observers_.clear();
    connections_.clear();
    containers_.clear();
    tree_.Clear();
}

void TXRGraphModel::AddObserver(TGraphObserver* observer) {
    if (observer != nullptr &&
        std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
        observers_.push_back(observer);
    }
}

void TXRGraphModel::RemoveObserver(TGraphObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

TRect TXRGraphModel::RootMarkerBounds() const {
    return root_ != nullptr ? root_->Bounds().Inflated(8) : TRect{};
}

int32_t TXRGraphModel::SelectedCount() const {
    return static_cast<int32_t>(std::count_if(containers_.begin(), containers_.end(),
                                              [](const auto& c) { return c->Selected; }));
}

void TXRGraphModel::Changed() { modified_ = true; }

TXRComponentContainer* TXRGraphModel::CreateContainer(int32_t typeId, int32_t x, int32_t y) {
    std::unique_ptr<TXRComponent> component = CreateComponent(typeId, &tree_);
    if (component == nullptr) return nullptr;  // the factory has told the user
    component->Bind(&record_, nullptr);
    auto container = std::make_unique<TXRComponentContainer>();
    container->TypeId = typeId;
    container->Left = std::clamp(x, 0, kMaxPosition);
    container->Top = std::clamp(y, 0, kMaxPosition);
    container->Component = tree_.AddComponent(std::move(component));
    TXRComponentContainer* c = container.get();
    if (indexValid_) indexOf_.emplace(c, static_cast<int32_t>(containers_.size()));
    containers_.push_back(std::move(container));
    FillContainer(*c);
    Changed();
    Notify([&](TGraphObserver& o) { o.ContainerAdded(*c); });
    RerouteAll();
    return c;
}

void TXRGraphModel::FillContainer(TXRComponentContainer& c) {
    TXRComponent& comp = *c.Component;
    c.OutputDot.Kind = comp.OutputKind();
    c.OutputDot.Visible = comp.OutputKind() != kNone;
    c.CollapseButton = c.TypeId != kRootTypeId;
    const int32_t count = std::clamp(comp.PropertyCount(), 0, kMaxProperties);
    c.Properties.assign(static_cast<size_t>(count), {});
    for (int32_t i = 0; i < count; ++i) {
        TPropertyState& p = c.Properties[static_cast<size_t>(i)];
        p.Index = i;
        p.Name = comp.GetPropertyName(i);
        p.Hint = comp.GetPropertyHint(i);
        p.Kind = comp.PropertyKind(i);
        p.IsInteger = p.Kind == kNumerical && comp.IsIntegerProperty(i);
        p.PartCount = FloatCount(p.Kind);
        p.PartLetters = comp.GetPartLetters(i);
        if (p.Kind == kEnumeration) {
            p.Items = comp.GetEnumItems(i);
            p.Value = comp.GetEnumValue(i);
        } else if (p.Kind == kFile) {
            p.Value = comp.GetEnumValue(i);
            if (p.Value < 0 || p.Value > 4) p.Value = -1;
            if (p.Value >= 0) interface_.RegisterFileSlot(p.Value, comp.FileKind());
        } else if (p.Splittable()) {
            AimAtVariable(c, p, kWholeProperty, DefaultVariable(p.Kind));
        }
    }
    c.Relayout();
}

bool TXRGraphModel::VariableFits(const TPropertyState& p, int32_t part, int32_t variable) const {
    if (variable < 1 || variable > kVariableCount) return false;
    const int32_t kind = VariableKind(variable);
    if (kind == kTrigger) return p.Kind != kFile;
    if (p.IsInteger || p.Kind == kEnumeration || p.Kind == kFile) return false;
    const int32_t wanted = part >= 0 ? kNumerical : p.Kind;
    return kind == wanted;
}

float TXRGraphModel::TriggerValue(int32_t trigger) const {
    if (trigger < 0 || trigger >= kTriggerCount) return 0;
    return interface_.Working().Triggers[static_cast<size_t>(trigger)][0];
}

void TXRGraphModel::RegisterVariable(const TPropertyState& p, int32_t part, int32_t variable) {
    usage_.Increment(variable);
    const int32_t trigger = TriggerOf(variable);
    if (trigger < 0) return;
    if (part >= 0) {
        interface_.RegisterTrigger(trigger, kNumerical, false);
    } else {
        interface_.RegisterTrigger(trigger, p.Kind, p.IsInteger,
                                   p.Kind == kEnumeration ? std::string_view(p.Items) : "");
    }
}

void TXRGraphModel::ReleaseVariable(const TPropertyState& p, int32_t part) {
    const TPropertyInput& input = p.Input(part);
    if (!input.VariableFlag) return;
    usage_.Decrement(input.VariableNumber);
    const int32_t trigger = input.Trigger();
    if (trigger >= 0) interface_.ReleaseTrigger(trigger, part >= 0 ? kNumerical : p.Kind);
}

void TXRGraphModel::AimAtVariable(TXRComponentContainer& c, TPropertyState& p, int32_t part,
                                  int32_t variable) {
    if (variable < 1 || variable > kVariableCount) return;
    TPropertyInput& input = p.Input(part);
    input.VariableFlag = true;
    input.VariableNumber = variable;
    c.Component->Connect(p.Index, part, VariableAddress(&record_, variable));
    RegisterVariable(p, part, variable);
}

void TXRGraphModel::AimAtConstant(TXRComponentContainer& c, int32_t prop, int32_t part) {
    c.Component->Connect(prop, part, nullptr);
}

TLinkCheck TXRGraphModel::CheckLink(const TXRComponentContainer* source,
                                    const TXRComponentContainer* target, int32_t prop,
                                    int32_t part) const {
    if (source == nullptr || target == nullptr || IndexOf(source) < 0 || IndexOf(target) < 0) {
        return TLinkCheck::kNoSuchInput;
    }
    const TPropertyState* p = target->Property(prop);
    if (p == nullptr) return TLinkCheck::kNoSuchInput;
    // A split property takes its parts, a whole one only the whole.
    if (p->Splittable() && p->Split ? (part < 0 || part >= p->PartCount) : part != kWholeProperty) {
        return TLinkCheck::kNoSuchInput;
    }
    TXRComponent* src = source->Component;
    const int32_t outputKind = src->OutputKind();
    if ((outputKind != kNumerical && outputKind != kUV && outputKind != kVector) ||
        src->OutputAddress() == nullptr) {
        return TLinkCheck::kNoOutput;
    }
    if (p->Kind == kEnumeration || p->Kind == kFile) return TLinkCheck::kKindMismatch;
    const int32_t inputKind = part >= 0 ? kNumerical : p->Kind;
    if (outputKind != inputKind) return TLinkCheck::kKindMismatch;
    if (p->IsInteger) return TLinkCheck::kIntegerInput;
    if (source == target) return TLinkCheck::kOwnContainer;
    if (p->Input(part).ComponentConnected()) return TLinkCheck::kAlreadyFed;
    if (!const_cast<TXRTree&>(tree_).Link(src, target->Component, true)) return TLinkCheck::kCycle;
    return TLinkCheck::kAccepted;
}

TXRComponentConnection* TXRGraphModel::Connect(TXRComponentContainer* source,
                                               TXRComponentContainer* target, int32_t prop,
                                               int32_t part) {
    if (CheckLink(source, target, prop, part) != TLinkCheck::kAccepted) return nullptr;
    TPropertyState& p = *target->Property(prop);
    auto connection = std::make_unique<TXRComponentConnection>();
    connection->Property = prop;
    connection->Part = part;
    connection->Target = target;
    connection->Source = source;
    connection->Color = KindColor(source->Component->OutputKind()).value_or(TRgb{});
    connection->Visible = !rebuilding_;
    TXRComponentConnection* conn = connection.get();
    connections_.push_back(std::move(connection));
    tree_.Link(source->Component, target->Component);
    // The variable is remembered for a later disconnection, but no longer in use.
    ReleaseVariable(p, part);
    p.Input(part).Connection = conn;
    target->Component->Connect(prop, part, source->Component->OutputAddress());
    Changed();
    Notify([&](TGraphObserver& o) { o.PropertyChanged(*target, prop); });
    RerouteAll();
    if (!rebuilding_) {
        Notify([&](TGraphObserver& o) {
            o.PreviewUpdate(*target);
            o.ShaderUpdate();
        });
    }
    return conn;
}

void TXRGraphModel::RemoveConnection(TXRComponentConnection* connection, bool restore) {
    const auto it = std::find_if(connections_.begin(), connections_.end(),
                                 [&](const auto& c) { return c.get() == connection; });
    if (it == connections_.end()) return;
    TXRComponentContainer* target = connection->Target;
    const int32_t prop = connection->Property;
    const int32_t part = connection->Part;
    TPropertyState& p = *target->Property(prop);
    TPropertyInput& input = p.Input(part);
    input.Connection = nullptr;
    tree_.Unlink(connection->Source->Component, target->Component);
    tree_.Recompute(false);
    if (restore && input.VariableFlag) {
        AimAtVariable(*target, p, part, input.VariableNumber);
    } else {
        if (!restore) input.VariableFlag = false;
        AimAtConstant(*target, prop, part);
    }
    connections_.erase(it);
    Changed();
    Notify([&](TGraphObserver& o) { o.PropertyChanged(*target, prop); });
}

void TXRGraphModel::Disconnect(TXRComponentConnection* connection) {
    RemoveConnection(connection, true);
    RerouteAll();
    Notify([](TGraphObserver& o) { o.ShaderUpdate(); });
}

TXRComponentContainer* TXRGraphModel::ContainerOf(const TXRComponent* component) const {
    for (const auto& c : containers_) {
        if (c->Component == component) return c.get();
    }
    return nullptr;
}

int32_t TXRGraphModel::IndexOf(const TXRComponentContainer* container) const {
    if (!indexValid_) {
        indexOf_.clear();
        indexOf_.reserve(containers_.size());
        for (size_t i = 0; i < containers_.size(); ++i) {
            indexOf_.emplace(containers_[i].get(), static_cast<int32_t>(i));
        }
        indexValid_ = true;
    }
    const auto found = indexOf_.find(container);
    return found != indexOf_.end() ? found->second : -1;
}

void TXRGraphModel::SetRootContainer(TXRComponentContainer* container) {
    root_ = IndexOf(container) >= 0 ? container : nullptr;
    tree_.SetRoot(root_ != nullptr ? root_->Component : nullptr, true);
}

std::vector<TXRComponentContainer*> TXRGraphModel::Subtree(
    const TXRComponentContainer* container) const {
    std::set<const TXRComponentContainer*> members;
    if (IndexOf(container) < 0) return {};
    std::multimap<const TXRComponentContainer*, const TXRComponentContainer*> sourcesOf;
    for (const auto& conn : connections_) sourcesOf.emplace(conn->Target, conn->Source);
    std::vector<const TXRComponentContainer*> work{container};
    members.insert(container);
    while (!work.empty()) {
        const TXRComponentContainer* c = work.back();
        work.pop_back();
        const auto [first, last] = sourcesOf.equal_range(c);
        for (auto it = first; it != last; ++it) {
            if (members.insert(it->second).second) work.push_back(it->second);
        }
    }
    std::vector<TXRComponentContainer*> out;
    for (const auto& c : containers_) {
        if (members.count(c.get()) != 0) out.push_back(c.get());
    }
    return out;
}

bool TXRGraphModel::DeleteContainer(TXRComponentContainer* container) {
    if (container == nullptr || container == root_ || IndexOf(container) < 0) return false;
    bool feedsRoot = false;
    if (root_ != nullptr) {
        const auto sub = Subtree(root_);
        feedsRoot = std::find(sub.begin(), sub.end(), container) != sub.end();
    }
    // Its own uses of triggers, variables and files end with it.
    for (TPropertyState& p : container->Properties) {
        if (p.Kind == kFile) {
            if (p.Value >= 0) interface_.ReleaseFileSlot(p.Value, container->Component->FileKind());
            p.Value = -1;
            continue;
        }
        if (p.Split) {
            for (int32_t k = 0; k < p.PartCount; ++k) {
                if (!p.Parts[static_cast<size_t>(k)].ComponentConnected()) ReleaseVariable(p, k);
            }
        } else if (!p.Whole.ComponentConnected()) {
            ReleaseVariable(p, kWholeProperty);
        }
    }
    // Inputs it fed return to their previous sources; its own inputs simply go.
    std::vector<TXRComponentConnection*> touching;
    for (const auto& conn : connections_) {
        if (conn->Source == container || conn->Target == container) touching.push_back(conn.get());
    }
    for (TXRComponentConnection* conn : touching) {
        RemoveConnection(conn, conn->Target != container);
    }
    Notify([&](TGraphObserver& o) { o.ContainerRemoving(*container); });
    if (active_ == container) active_ = nullptr;
    tree_.RemoveComponent(container->Component);
    tree_.Recompute(false);
    containers_.erase(std::find_if(containers_.begin(), containers_.end(),
                                   [&](const auto& c) { return c.get() == container; }));
    indexValid_ = false;
    Changed();
    RerouteAll();
    (void)feedsRoot;  // either way the shader's stream changes and is recorded
    Notify([](TGraphObserver& o) {
        o.ShaderUpdate();
        o.ClipToolsChange();
    });
    return true;
}

TLinkCheck TXRGraphModel::CheckMove(const TXRComponentConnection* connection,
                                    const TXRComponentContainer* target, int32_t prop,
                                    int32_t part) const {
    const auto owned = std::find_if(connections_.begin(), connections_.end(),
                                    [&](const auto& c) { return c.get() == connection; });
    if (owned == connections_.end()) return TLinkCheck::kNoSuchInput;
    if (target == connection->Target && prop == connection->Property && part == connection->Part) {
        return TLinkCheck::kAccepted;
    }
    // The old link is still in the tree: a cycle through it would end at the source before it
    // reached the link, so the check answers as it would without it.
    return CheckLink(connection->Source, target, prop, part);
}

TXRComponentConnection* TXRGraphModel::MoveConnection(TXRComponentConnection* connection,
                                                      TXRComponentContainer* target, int32_t prop,
                                                      int32_t part) {
    if (CheckMove(connection, target, prop, part) != TLinkCheck::kAccepted) return nullptr;
    if (target == connection->Target && prop == connection->Property && part == connection->Part) {
        return connection;
    }
    TXRComponentContainer* source = connection->Source;
    TXRComponentContainer* left = connection->Target;
    // Only Connect tells the observers of a shader update, so the history takes one step.
    RemoveConnection(connection, true);
    Notify([&](TGraphObserver& o) { o.PreviewUpdate(*left); });
    return Connect(source, target, prop, part);
}

}  // namespace vandrel
