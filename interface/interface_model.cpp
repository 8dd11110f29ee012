#include "interface/interface_model.h"

#include <algorithm>
#include <limits>

#include "core/stream_codec.h"

namespace vandrel {

namespace {

bool ValidTrigger(int trigger) { return trigger >= 0 && trigger < kTriggerCount; }
bool ValidSlot(int slot) { return slot >= 0 && slot < kFileSlotCount; }
bool ValidOutputType(int32_t type) { return type >= 0 && type < kOutputTypeCount; }

bool IsTriggerKind(int32_t kind) {
    return kind == kNumerical || kind == kUV || kind == kVector || kind == kEnumeration;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameFile(std::string_view a, std::string_view b) {
    return !a.empty() && a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

void CountOneMore(int32_t& count) {
    if (count < std::numeric_limits<int32_t>::max()) ++count;
}

std::string FileChoice(char type, std::string_view path) {
    std::string choice(1, type);
    choice += ':';
    choice += path;
    return choice;
}

TTriggerSettings TriggerDefaults(int trigger, int32_t kind, bool isInteger,
                                 std::string_view itemList) {
    TTriggerSettings s;
    s.Kind = kind;
    s.Label = "Trigger" + std::to_string(trigger + 1);
    switch (kind) {
        case kNumerical:
            s.IsInteger = isInteger;
            s.Values = isInteger ? std::array<float, 8>{1, 10000, 1, 1}
                                 : std::array<float, 8>{0, 0, 0, 0.001f};
            break;
        case kUV:
            s.SecondText = s.Label + ".V";
            s.Label += ".U";
            s.Values[6] = s.Values[7] = 0.001f;
            break;
        case kVector:
            s.SetPickerChoice(kOwnPicker);
            break;
        case kEnumeration:
            // The item names start as the items; ";" is not escaped, so escaping the whole list
            // escapes each item. The list itself is stored so that no item can break the string.
            s.SecondText = EscapeItemList(itemList) + "@" + EscapeText(itemList);
            s.SetDefaultItem(0);
            break;
    }
    return s;
}

}  // namespace

TLocalKeyframes DefaultKeyframes(const TInterfaceData& data) {
    TLocalKeyframes values;
    for (size_t i = 0; i < data.Triggers.size(); ++i) {
        if (data.Triggers[i]) values.Triggers[i] = TriggerDefaultValue(*data.Triggers[i]);
    }
    for (size_t s = 0; s < data.Files.size(); ++s) {
        if (data.Files[s]) {
            values.Files[s] = FileChoice(data.Files[s]->Type, data.Files[s]->Settings.DefaultFile);
        }
    }
    return values;
}

float LimitTriggerValue(const TTriggerSettings& trigger, int part, float value) {
    const int p = part == 1 && trigger.Kind == kUV ? 1 : 0;
    const float minimum = trigger.Values[static_cast<size_t>(p)];
    const float maximum = trigger.Values[static_cast<size_t>(trigger.Kind == kUV ? p + 2 : 1)];
    if (minimum == 0 && maximum == 0) return value;
    if (value < minimum) return minimum;
    const float top = std::max(minimum, maximum);
    return value > top ? top : value;
}

void TXRInterfaceModel::Reset() {
    settings_ = {};
    usage_ = {};
    options_ = {};
    working_ = {};
    interfaceString_.clear();
}

bool TXRInterfaceModel::RegisterTrigger(int trigger, int32_t kind, bool isInteger,
                                        std::string_view itemList) {
    if (!ValidTrigger(trigger) || !IsTriggerKind(kind)) return false;
    TTriggerUsage& usage = usage_.Triggers[static_cast<size_t>(trigger)];
    TTriggerSettings& settings = settings_.Triggers[static_cast<size_t>(trigger)];
    if (usage.Count == 0) {
        usage = {kind, 1};
        settings = TriggerDefaults(trigger, kind, isInteger, itemList);
        working_.Triggers[static_cast<size_t>(trigger)] = TriggerDefaultValue(settings);
    } else if (usage.Kind == kind &&
               (kind != kEnumeration ||
                UnescapeItemList(EnumerationItemList(settings.SecondText)) == itemList)) {
        CountOneMore(usage.Count);
    } else {
        return false;
    }
    RegistrationChanged();
    return true;
}

void TXRInterfaceModel::ReleaseTrigger(int trigger, int32_t kind) {
    if (!ValidTrigger(trigger)) return;
    TTriggerUsage& usage = usage_.Triggers[static_cast<size_t>(trigger)];
    if (usage.Count == 0 || (kind != kAnyKind && kind != usage.Kind)) return;
    if (--usage.Count == 0) {
        usage.Kind = kTrigger;
        if (editor_) editor_->TriggerFreed(trigger);
    }
    RegistrationChanged();
}

bool TXRInterfaceModel::RegisterFileSlot(int slot, char type) {
    if (!ValidSlot(slot) || !IsFileType(type)) return false;
    TFileUsage& usage = usage_.Files[static_cast<size_t>(slot)];
    if (usage.Count == 0) {
        usage = {type, 1};
        TFileSettings& settings = settings_.Files[static_cast<size_t>(slot)];
        settings.Label = "File " + std::to_string(slot + 1);
        settings.DefaultFile = type == 'A' ? "Ding.wav" : "Texture.jpg";
        working_.Files[static_cast<size_t>(slot)] = FileChoice(type, settings.DefaultFile);
    } else if (usage.Type == type) {
        CountOneMore(usage.Count);
    } else {
        return false;
    }
    RegistrationChanged();
    return true;
}

void TXRInterfaceModel::ReleaseFileSlot(int slot, char type) {
    if (!ValidSlot(slot)) return;
    TFileUsage& usage = usage_.Files[static_cast<size_t>(slot)];
    if (usage.Count == 0 || (type != kAnyType && type != usage.Type)) return;
    if (--usage.Count == 0) {
        usage.Type = 'N';
        settings_.Files[static_cast<size_t>(slot)].DefaultFile.clear();
        working_.Files[static_cast<size_t>(slot)] = std::string(kNoFileChoice);
    }
    RegistrationChanged();
}

TInterfaceData TXRInterfaceModel::Data() const {
    TInterfaceData data;
    data.Options = options_;
    for (size_t i = 0; i < data.Triggers.size(); ++i) {
        if (usage_.Triggers[i].Count == 0) continue;
        data.Triggers[i] = settings_.Triggers[i];
        data.Triggers[i]->Kind = usage_.Triggers[i].Kind;
    }
    for (size_t s = 0; s < data.Files.size(); ++s) {
        if (usage_.Files[s].Count == 0) continue;
        data.Files[s] = TFileEntry{usage_.Files[s].Type, settings_.Files[s]};
    }
    return data;
}

void TXRInterfaceModel::Parse(std::string_view interfaceString) {
    BeginUpdate();
    TInterfaceData data = ParseInterfaceString(interfaceString);
    options_ = std::move(data.Options);
    for (size_t i = 0; i < data.Triggers.size(); ++i) {
        auto& entry = data.Triggers[i];
        TTriggerUsage& usage = usage_.Triggers[i];
        if (!entry || (usage.Count > 0 && usage.Kind != entry->Kind)) continue;
        usage.Kind = entry->Kind;
        settings_.Triggers[i] = std::move(*entry);
        TakeDefaultAsCurrent(static_cast<int>(i));
    }
    for (size_t s = 0; s < data.Files.size(); ++s) {
        auto& entry = data.Files[s];
        TFileUsage& usage = usage_.Files[s];
        if (!entry || (usage.Count > 0 && usage.Type != entry->Type)) continue;
        usage.Type = entry->Type;
        settings_.Files[s] = std::move(entry->Settings);
        working_.Files[s] = FileChoice(usage.Type, settings_.Files[s].DefaultFile);
    }
    interfaceString_ = std::string(interfaceString);
    EndUpdate();
    if (editor_) editor_->Reload();
}

void TXRInterfaceModel::Apply(bool twoColumns, bool downThenOver, std::string_view noticeText) {
    options_.Columns = twoColumns ? 2 : 1;
    options_.Order = downThenOver ? 'D' : 'O';
    options_.NoticeText = EscapeText(noticeText.substr(0, kMaxNoticeLength));
    interfaceString_ = Serialise();
    if (editor_) editor_->ShaderModified();
    if (Updating()) return;
    for (int32_t t = 0; t < kOutputTypeCount; ++t) {
        if (!UsesEditedShader(t)) continue;
        if (!panel_ || !panel_->InterfaceChanged(t))
            outputValues_[static_cast<size_t>(t)] = working_;
    }
}

void TXRInterfaceModel::TakeDefaultAsCurrent(int trigger) {
    if (!ValidTrigger(trigger)) return;
    working_.Triggers[static_cast<size_t>(trigger)] =
        TriggerDefaultValue(settings_.Triggers[static_cast<size_t>(trigger)]);
}

void TXRInterfaceModel::SetOutputTypeShader(int32_t outputType, std::string_view file,
                                            bool standAlone) {
    if (!ValidOutputType(outputType)) return;
    outputShaders_[static_cast<size_t>(outputType)] = {std::string(file), standAlone};
}

bool TXRInterfaceModel::UsesEditedShader(int32_t outputType) const {
    return ValidOutputType(outputType) &&
           SameFile(outputShaders_[static_cast<size_t>(outputType)].File, editedFile_);
}

bool TXRInterfaceModel::Linked(int32_t outputType, int32_t other) const {
    if (!ValidOutputType(outputType) || !ValidOutputType(other)) return false;
    const TOutputShader& shader = outputShaders_[static_cast<size_t>(outputType)];
    return !shader.StandAlone &&
           SameFile(shader.File, outputShaders_[static_cast<size_t>(other)].File);
}

TLocalKeyframes* TXRInterfaceModel::OutputValues(int32_t outputType) {
    return ValidOutputType(outputType) ? &outputValues_[static_cast<size_t>(outputType)] : nullptr;
}

const TLocalKeyframes* TXRInterfaceModel::OutputValues(int32_t outputType) const {
    return ValidOutputType(outputType) ? &outputValues_[static_cast<size_t>(outputType)] : nullptr;
}

void TXRInterfaceModel::ChangeTriggerValue(int32_t outputType, int trigger, int part, float value,
                                           bool autoUpdate) {
    if (!ValidOutputType(outputType) || !ValidTrigger(trigger) || part < 0 || part > 2) return;
    outputValues_[static_cast<size_t>(outputType)]
        .Triggers[static_cast<size_t>(trigger)][static_cast<size_t>(part)] = value;
    ValueChanged(outputType, autoUpdate);
}

void TXRInterfaceModel::ChangeColorValue(int32_t outputType, int trigger,
                                         const std::array<float, 3>& color, bool autoUpdate) {
    if (!ValidOutputType(outputType) || !ValidTrigger(trigger)) return;
    outputValues_[static_cast<size_t>(outputType)].Triggers[static_cast<size_t>(trigger)] = color;
    ValueChanged(outputType, autoUpdate);
}

void TXRInterfaceModel::ChangeFileValue(int32_t outputType, int slot, char type,
                                        std::string_view path, bool autoUpdate) {
    if (!ValidOutputType(outputType) || !ValidSlot(slot)) return;
    outputValues_[static_cast<size_t>(outputType)].Files[static_cast<size_t>(slot)] =
        FileChoice(type, path);
    ValueChanged(outputType, autoUpdate);
}

void TXRInterfaceModel::UpdateNow(int32_t outputType) {
    if (ValidOutputType(outputType)) ValueChanged(outputType, true);
}

void TXRInterfaceModel::RegistrationChanged() {
    changed_ = true;
    if (Updating()) return;
    if (editor_) editor_->RefreshTriggerList();
    if (!panel_) return;
    for (int32_t t = 0; t < kOutputTypeCount; ++t) {
        if (UsesEditedShader(t)) panel_->InterfaceChanged(t);
    }
}

void TXRInterfaceModel::CopyToLinked(int32_t outputType) {
    for (int32_t other = 0; other < kOutputTypeCount; ++other) {
        if (other == outputType || !Linked(outputType, other)) continue;
        outputValues_[static_cast<size_t>(other)] = outputValues_[static_cast<size_t>(outputType)];
        if (panel_) panel_->ReloadControls(other);
    }
}

void TXRInterfaceModel::ValueChanged(int32_t outputType, bool autoUpdate) {
    CopyToLinked(outputType);
    if (!panel_) return;
    if (!autoUpdate) {
        panel_->MarkUpdatePending(outputType);
        return;
    }
    panel_->RequestUpdate(outputType);
    for (int32_t other = 0; other < kOutputTypeCount; ++other) {
        if (other != outputType && Linked(outputType, other)) panel_->RequestUpdate(other);
    }
}

}  // namespace vandrel
