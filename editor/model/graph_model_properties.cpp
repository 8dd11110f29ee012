// The graph model: what each property shows and where its value comes from (constants, variables,
// locks, enumeration values).
#include <algorithm>
#include <string>

#include "core/messages.h"
#include "editor/model/graph_model.h"
#include "editor/model/graph_model_parts.h"
#include "interface/interface_model.h"

namespace vandrel {

using namespace graph_parts;

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

// Frees an input for a new source: its wire goes, or its variable's use is given back.
void TXRGraphModel::ReleaseInput(TPropertyState& p, int32_t part) {
    TPropertyInput& input = p.Input(part);
    if (input.Connection != nullptr) {
        RemoveConnection(input.Connection, false);
        RerouteAll();
    } else {
        ReleaseVariable(p, part);
    }
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
    ReleaseInput(*p, part);
    p->Input(part).VariableFlag = false;
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
    ReleaseInput(*p, part);
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

}  // namespace vandrel
