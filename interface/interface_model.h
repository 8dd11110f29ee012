// The interface model of a shader: which of the 20 triggers and 5 file slots its tree uses, with
// which kind, how each is presented in the host's panel, and the current values of each output
// type.
//
// The plug-in owns the one model that describes the shader open in the editor; the editor registers
// and releases triggers and file slots as connections come and go, the interface editor edits the
// settings, and the manager panels and the host read the per-output-type values. Other code parses
// interface strings into models (or into TInterfaceData, interface_string.h) of its own. A model is
// used from one thread (the user-interface thread). It calls out only through the two observers,
// which it does not own; either may be null.
//
// Rules:
//   - A trigger's first registration gives it the kind's defaults: labels "Trigger"n (UV:
//   "Trigger"n
//     ".U" and ".V"), limits 0, 0, increment 0.001, default and current value 0 (integer numerical:
//     1 … 10000, step 1, default and current value 1), own colour picker, default item 0; an
//     enumeration keeps its item list, "@", the escaped items. A later registration of the same
//     kind (and, for an enumeration, the same list) counts one more use; any other is ignored.
//   - A file slot's first registration gives it "File "n and "Ding.wav" (audio) or "Texture.jpg",
//     and makes type ":" default file its working choice; the same type counts one more use.
//   - Registrations return whether they counted. Pair a release with a registration that counted;
//     a release may name the kind or type it registered with and is then ignored when the trigger
//     or slot has another. Releasing a free trigger or slot does nothing.
//   - Indices outside 0 … 19 and 0 … 4, trigger kinds other than 2, 3, 4, 6 and file types other
//   than
//     "A", "T", "I", "B" are ignored everywhere.
//   - Parse takes labels, limits and defaults from the string and copies the defaults into the
//     working record (enumerations included), leaving use counts alone. An entry whose kind or type
//     contradicts a trigger or slot in use is skipped: the tree's inputs decide what a trigger is.
//   - Reset clears the settings and the working record, not the output types' records: those hold
//     the values of the host's materials.
//   - Empty shader file names never match, so an unsaved shader reaches no output type.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"
#include "interface/interface_string.h"

namespace vandrel {

inline constexpr std::string_view kNoFileChoice = "N:*.*";
inline constexpr int32_t kAnyKind = 0;
inline constexpr char kAnyType = 0;
inline constexpr size_t kMaxNoticeLength = 255;

struct TXRInterfaceSettings {
    std::array<TTriggerSettings, kTriggerCount> Triggers;
    std::array<TFileSettings, kFileSlotCount> Files;
};

struct TTriggerUsage {
    int32_t Kind = kTrigger;  // 2, 3, 4, 6, or 7 for a free trigger
    int32_t Count = 0;
};
struct TFileUsage {
    char Type = 'N';  // 'N' none, 'A', 'T', 'I', 'B'
    int32_t Count = 0;
};
struct TUsageTable {
    std::array<TTriggerUsage, kTriggerCount> Triggers;
    std::array<TFileUsage, kFileSlotCount> Files;
};

// Current values of one output type (or of the shader being edited).
struct TLocalKeyframes {
    // Numerical: [0]; UV: [0], [1]; colour: R, G, B; enumeration: [0] the item as a whole number.
    std::array<std::array<float, 3>, kTriggerCount> Triggers{};
    // Type letter, ":", path; "N:*.*" for none.
    std::array<std::string, kFileSlotCount> Files;

    TLocalKeyframes() { Files.fill(std::string(kNoFileChoice)); }
    bool operator==(const TLocalKeyframes&) const = default;
};

// The record a panel starts from when a shader is chosen: every listed default.
TLocalKeyframes DefaultKeyframes(const TInterfaceData& data);

// A numerical or UV value (part 0 = U, 1 = V) held to the trigger's limits: not at all when both
// limits are 0, else to [minimum, max(minimum, maximum)].
float LimitTriggerValue(const TTriggerSettings& trigger, int part, float value);

// The interface editor window, as the model sees it.
class TInterfaceEditorObserver {
  public:
    virtual ~TInterfaceEditorObserver() = default;
    // Registrations changed: rebuild the list of used triggers and files.
    virtual void RefreshTriggerList() = 0;
    // The trigger is free now; clear the selection if it is the one shown.
    virtual void TriggerFreed(int trigger) = 0;
    // A new interface string was parsed: reload the global options and the list.
    virtual void Reload() = 0;
    // Apply serialised the interface: the shader is modified.
    virtual void ShaderModified() = 0;
};

// The manager panels and the host's update requests, as the model sees them.
class TInterfacePanelObserver {
  public:
    virtual ~TInterfacePanelObserver() = default;
    // The interface of the output type's shader changed; false when it has no handler.
    virtual bool InterfaceChanged(int32_t outputType) = 0;
    // Reload the output type's controls from its record.
    virtual void ReloadControls(int32_t outputType) = 0;
    // Ask the host to update the output type now.
    virtual void RequestUpdate(int32_t outputType) = 0;
    // Automatic update is off: remember that the output type needs an update.
    virtual void MarkUpdatePending(int32_t outputType) = 0;
};

class TXRInterfaceModel {
  public:
    TXRInterfaceModel() { Reset(); }

    void SetEditorObserver(TInterfaceEditorObserver* observer) { editor_ = observer; }
    void SetPanelObserver(TInterfacePanelObserver* observer) { panel_ = observer; }

    // Free triggers and slots, zero values, "N:*.*" choices, 2 columns, "D", no notice, no string.
    void Reset();

    bool RegisterTrigger(int trigger, int32_t kind, bool isInteger = false,
                         std::string_view itemList = {});
    void ReleaseTrigger(int trigger, int32_t kind = kAnyKind);
    bool RegisterFileSlot(int slot, char type);
    void ReleaseFileSlot(int slot, char type = kAnyType);

    // The triggers and slots in use, with the global options.
    TInterfaceData Data() const;
    std::string Serialise() const { return SerialiseInterfaceString(Data()); }
    void Parse(std::string_view interfaceString);
    // The string last parsed or applied; empty after Reset.
    const std::string& InterfaceString() const { return interfaceString_; }

    // The interface editor's Apply: store the options (the notice as typed, cut to 255 characters),
    // serialise, and tell each output type showing the edited shader, or give it the working values
    // when it has no handler.
    void Apply(bool twoColumns, bool downThenOver, std::string_view noticeText);

    // The working record's value of the trigger := its default.
    void TakeDefaultAsCurrent(int trigger);

    // Nesting counter: while raised, registration changes notify nobody.
    void BeginUpdate() { ++updating_; }
    void EndUpdate() {
        if (updating_ > 0) --updating_;
    }
    bool Updating() const { return updating_ > 0; }

    // Set by every registration change; the editor clears it.
    bool InterfaceChangedFlag() const { return changed_; }
    void ClearInterfaceChangedFlag() { changed_ = false; }

    // Which shaders are where. Links: an output type that does not stand alone is linked with every
    // output type (itself included) whose shader file is the same (case-insensitive).
    void SetEditedShaderFile(std::string_view file) { editedFile_ = file; }
    void SetOutputTypeShader(int32_t outputType, std::string_view file, bool standAlone);
    bool UsesEditedShader(int32_t outputType) const;
    bool Linked(int32_t outputType, int32_t other) const;

    // A panel's value change: write it into the output type's record, copy the record to the
    // linked output types (which reload their controls), then update them all, or only mark this
    // one pending when automatic update is off. Numerical and enumeration values use part 0.
    void ChangeTriggerValue(int32_t outputType, int trigger, int part, float value,
                            bool autoUpdate);
    void ChangeColorValue(int32_t outputType, int trigger, const std::array<float, 3>& color,
                          bool autoUpdate);
    void ChangeFileValue(int32_t outputType, int slot, char type, std::string_view path,
                         bool autoUpdate);
    // "Update now": copy to the linked output types and update this one and them.
    void UpdateNow(int32_t outputType);

    TXRInterfaceSettings& Settings() { return settings_; }
    const TXRInterfaceSettings& Settings() const { return settings_; }
    const TUsageTable& Usage() const { return usage_; }
    TInterfaceOptions& Options() { return options_; }
    const TInterfaceOptions& Options() const { return options_; }
    TLocalKeyframes& Working() { return working_; }
    const TLocalKeyframes& Working() const { return working_; }
    // Null outside 0 … 3.
    TLocalKeyframes* OutputValues(int32_t outputType);
    const TLocalKeyframes* OutputValues(int32_t outputType) const;

  private:
    struct TOutputShader {
        std::string File;
        bool StandAlone = true;
    };

    void RegistrationChanged();
    void ValueChanged(int32_t outputType, bool autoUpdate);
    void CopyToLinked(int32_t outputType);

    TXRInterfaceSettings settings_;
    TUsageTable usage_;
    TInterfaceOptions options_;
    TLocalKeyframes working_;
    std::array<TLocalKeyframes, kOutputTypeCount> outputValues_;
    std::array<TOutputShader, kOutputTypeCount> outputShaders_;
    std::string editedFile_;
    std::string interfaceString_;
    int updating_ = 0;
    bool changed_ = false;
    TInterfaceEditorObserver* editor_ = nullptr;
    TInterfacePanelObserver* panel_ = nullptr;
};

}  // namespace vandrel
