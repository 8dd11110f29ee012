#include "editor/model/graph_model.h"

#include <algorithm>
#include <bit>
#include <map>
#include <numeric>
#include <optional>
#include <set>

#include "core/factory.h"
#include "core/messages.h"
#include "core/stream_sections.h"
#include "interface/interface_model.h"

namespace vandrel {

namespace {

constexpr int32_t kRootTypeId = 1;
constexpr int32_t kLastTrigger = kVarTrigger1 + kTriggerCount - 1;
constexpr std::string_view kNoSource = "Unable to rebuild shader; source data not found.";
// Positions are stored as signed 16-bit fields.
constexpr int32_t kMaxPosition = 32767 - kContainerWidth;

int32_t TriggerOf(int32_t variable) {
    return variable >= kVarTrigger1 && variable <= kLastTrigger ? variable - kVarTrigger1 : -1;
}

// The whole variable shown by a new UV or Vector property.
int32_t DefaultVariable(int32_t kind) {
    const std::string_view name = kind == kUV ? "UV" : "Object";
    for (int32_t n = 1; n <= kVariableCount; ++n) {
        if (VariableShortName(n) == name && VariableKind(n) == kind) return n;
    }
    return 0;
}

std::vector<std::string> SplitItems(std::string_view items) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= items.size()) {
        const size_t end = items.find(';', start);
        out.emplace_back(items.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

}  // namespace

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

void TXRGraphModel::PropertyEdited(TXRComponentContainer& c, int32_t prop) {
    Changed();
    Notify([&](TGraphObserver& o) { o.PropertyChanged(c, prop); });
    if (!rebuilding_) {
        Notify([&](TGraphObserver& o) {
            o.ShaderUpdate();
            o.PreviewUpdate(c);
        });
    }
}

bool TXRGraphModel::SetConstant(TXRComponentContainer* c, int32_t prop, int32_t part, float value) {
    if (IndexOf(c) < 0) return false;
    TPropertyState* p = c->Property(prop);
    if (p == nullptr || p->PartCount == 0) return false;
    if (p->Kind == kNumerical ? part != kWholeProperty : (part < 0 || part >= p->PartCount)) {
        return false;
    }
    c->Component->SetConstant(prop, part, value);
    PropertyEdited(*c, prop);
    return true;
}

float TXRGraphModel::Constant(const TXRComponentContainer* c, int32_t prop, int32_t part) const {
    if (c == nullptr) return 0;
    const TPropertyState* p = c->Property(prop);
    if (p == nullptr || p->PartCount == 0) return 0;
    const float* constants = c->Component->ConstantAddress(prop);
    if (constants == nullptr) return 0;
    return constants[std::clamp(part, 0, p->PartCount - 1)];
}

bool TXRGraphModel::UseConstant(TXRComponentContainer* c, int32_t prop, int32_t part) {
    if (IndexOf(c) < 0) return false;
    TPropertyState* p = c->Property(prop);
    // Only a single float has a constant of its own to return to.
    if (p == nullptr || !(p->Kind == kNumerical
                              ? part == kWholeProperty
                              : p->Splittable() && p->Split && part >= 0 && part < p->PartCount)) {
        return false;
    }
    TPropertyInput& input = p->Input(part);
    if (input.Connection != nullptr) {
        RemoveConnection(input.Connection, false);
        RerouteAll();
    } else {
        ReleaseVariable(*p, part);
    }
    input.VariableFlag = false;
    AimAtConstant(*c, prop, part);
    PropertyEdited(*c, prop);
    return true;
}

bool TXRGraphModel::UseVariable(TXRComponentContainer* c, int32_t prop, int32_t part,
                                int32_t variable) {
    if (IndexOf(c) < 0) return false;
    TPropertyState* p = c->Property(prop);
    if (p == nullptr || p->Kind == kFile) return false;
    if (p->Splittable() && p->Split ? (part < 0 || part >= p->PartCount) : part != kWholeProperty) {
        return false;
    }
    if (!VariableFits(*p, part, variable)) return false;
    TPropertyInput& input = p->Input(part);
    if (input.Connection != nullptr) {
        RemoveConnection(input.Connection, false);
        RerouteAll();
    } else {
        ReleaseVariable(*p, part);
    }
    AimAtVariable(*c, *p, part, variable);
    PropertyEdited(*c, prop);
    return true;
}

bool TXRGraphModel::DisconnectInput(TXRComponentContainer* c, int32_t prop, int32_t part) {
    if (IndexOf(c) < 0) return false;
    TPropertyState* p = c->Property(prop);
    if (p == nullptr || p->Input(part).Connection == nullptr) return false;
    Disconnect(p->Input(part).Connection);
    PropertyEdited(*c, prop);
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

bool TXRGraphModel::SetValue(TXRComponentContainer* c, int32_t prop, int32_t value) {
    if (IndexOf(c) < 0) return false;
    TPropertyState* p = c->Property(prop);
    if (p == nullptr) return false;
    if (p->Kind == kEnumeration) {
        if (value < 0 || value >= static_cast<int32_t>(SplitItems(p->Items).size())) return false;
        if (p->Whole.VariableFlag) {
            ReleaseVariable(*p, kWholeProperty);
            p->Whole.VariableFlag = false;
            AimAtConstant(*c, prop, kWholeProperty);
        }
    } else if (p->Kind == kFile) {
        if (value < -1 || value > 4) return false;
        const char kind = c->Component->FileKind();
        if (p->Value >= 0) interface_.ReleaseFileSlot(p->Value, kind);
        if (value >= 0) interface_.RegisterFileSlot(value, kind);
    } else {
        return false;
    }
    p->Value = value;
    c->Component->SetEnumValue(prop, value);
    PropertyEdited(*c, prop);
    return true;
}

bool TXRGraphModel::UnlockProperty(TXRComponentContainer* c, int32_t prop) {
    if (IndexOf(c) < 0) return false;
    TPropertyState* p = c->Property(prop);
    if (p == nullptr || !p->Splittable() || p->Split) return false;
    if (p->Whole.Connection != nullptr) {
        if (!CurrentMessages().Ask("In order to unlock this property, it has to be "
                                   "disconnected.\r\nAre you sure you want to disconnect this "
                                   "property ?",
                                   "Confirm")) {
            return false;
        }
        // Keep the variable the whole returns to when the property is locked again.
        const bool flag = p->Whole.VariableFlag;
        const int32_t number = p->Whole.VariableNumber;
        RemoveConnection(p->Whole.Connection, false);
        p->Whole.VariableFlag = flag;
        p->Whole.VariableNumber = number;
    } else {
        ReleaseVariable(*p, kWholeProperty);
    }
    p->Split = true;
    for (int32_t k = 0; k < p->PartCount; ++k) {
        TPropertyInput& part = p->Parts[static_cast<size_t>(k)];
        if (part.VariableFlag && part.Trigger() >= 0) {
            c->Component->SetConstant(prop, k, TriggerValue(part.Trigger()));
            part.VariableFlag = false;
        }
        if (part.VariableFlag) {
            AimAtVariable(*c, *p, k, part.VariableNumber);
        } else {
            AimAtConstant(*c, prop, k);
        }
    }
    c->Relayout();
    Notify([&](TGraphObserver& o) { o.ContainerChanged(*c); });
    RerouteAll();
    PropertyEdited(*c, prop);
    return true;
}

bool TXRGraphModel::LockProperty(TXRComponentContainer* c, int32_t prop) {
    if (IndexOf(c) < 0) return false;
    TPropertyState* p = c->Property(prop);
    if (p == nullptr || !p->Splittable() || !p->Split) return false;
    const bool fed = std::any_of(p->Parts.begin(), p->Parts.begin() + p->PartCount,
                                 [](const TPropertyInput& i) { return i.ComponentConnected(); });
    if (fed && !CurrentMessages().Ask("In order to lock this property, it's components have to be "
                                      "disconnected.\r\nAre you sure you want to disconnect all "
                                      "components of this property ?",
                                      "Confirm")) {
        return false;
    }
    for (int32_t k = 0; k < p->PartCount; ++k) {
        TPropertyInput& part = p->Parts[static_cast<size_t>(k)];
        if (part.Connection != nullptr) {
            RemoveConnection(part.Connection, false);
            continue;
        }
        ReleaseVariable(*p, k);
        if (part.VariableFlag && part.Trigger() >= 0) {
            c->Component->SetConstant(prop, k, TriggerValue(part.Trigger()));
            part.VariableFlag = false;
        }
    }
    p->Split = false;
    int32_t variable = p->Whole.VariableFlag ? p->Whole.VariableNumber : 0;
    if (variable == 0 || !VariableFits(*p, kWholeProperty, variable) || TriggerOf(variable) >= 0) {
        variable = DefaultVariable(p->Kind);
    }
    AimAtVariable(*c, *p, kWholeProperty, variable);
    c->Relayout();
    Notify([&](TGraphObserver& o) { o.ContainerChanged(*c); });
    RerouteAll();
    PropertyEdited(*c, prop);
    return true;
}

std::string TXRGraphModel::ValueText(const TXRComponentContainer* c, int32_t prop,
                                     int32_t part) const {
    if (c == nullptr) return {};
    const TPropertyState* p = c->Property(prop);
    if (p == nullptr) return {};
    const TPropertyInput& input = p->Input(part);
    if (input.Connection != nullptr) return input.Connection->Source->Title();
    if (p->Kind == kFile) {
        return p->Value >= 0 ? "File" + std::to_string(p->Value + 1) : std::string("[none]");
    }
    if (input.VariableFlag) return std::string(VariableShortName(input.VariableNumber));
    if (p->Kind == kEnumeration) {
        const auto items = SplitItems(p->Items);
        return p->Value >= 0 && p->Value < static_cast<int32_t>(items.size())
                   ? items[static_cast<size_t>(p->Value)]
                   : std::string();
    }
    return {};
}

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
