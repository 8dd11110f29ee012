// The graph editor's model: containers (one per component), the connections between them, the
// sources of every property input, selection, placement, routing and the serialised layout.
//
// Plain C++: the Qt canvas draws this model and turns input into the operations below, and tests
// drive it without a window. Every structural change is mirrored in the model's TXRTree at once,
// and every trigger or file-slot use is registered with the interface model, so that the tree,
// the interface and the picture never disagree.
//
// Property sources. Each property has one input for the whole value and, for UV and Vector
// properties, one per part; a property shows either its whole input or its parts ("split"). An
// input is fed by its own constant, a context variable (a trigger is a variable 65 … 84), or a
// connection from another container. While connected, the input remembers the variable it had,
// and disconnecting returns it there (re-registering a trigger) or to its constant.
//
// Observers are told after each change; they are not owned and must outlive the model or remove
// themselves. All calls come from one thread (the user-interface thread).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/component.h"
#include "core/context.h"
#include "core/editor_source.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "editor/model/geometry.h"
#include "editor/model/routing.h"

namespace vandrel {

class TXRInterfaceModel;
class TXRComponentContainer;
struct TXRComponentConnection;

// Geometry of containers and bars, in pixels.
inline constexpr int32_t kContainerWidth = 120;
inline constexpr int32_t kContainerInitialHeight = 128;
inline constexpr int32_t kFirstBarTop = 16;
inline constexpr int32_t kBarRowHeight = 17;
inline constexpr int32_t kBarLeft = 1;
inline constexpr int32_t kBarWidth = 118;
inline constexpr int32_t kInputLaneWidth = 14;
inline constexpr int32_t kCollapsedInputY = 8;
inline constexpr TRect kOutputDotRect = {3, 3, 15, 15};
inline constexpr TRect kCollapseButtonRect = {106, 3, 117, 14};
inline constexpr TPoint kDragHotSpot = {6, 6};

// Hint of an output dot by output kind.
std::string_view OutputDotHint(int32_t kind);

// Where an input takes its value from.
enum class TInputSource : uint8_t { kConstant, kVariable, kTrigger, kComponent };

// One input of a property: the whole value (part -1) or one part.
struct TPropertyInput {
    bool VariableFlag = false;   // aimed at a variable, or returns to it when disconnected
    int32_t VariableNumber = 0;  // 1 … 85 while VariableFlag
    TXRComponentConnection* Connection = nullptr;  // the component feeding it, if any

    bool ComponentConnected() const { return Connection != nullptr; }
    // The trigger index 0 … 19 of the variable, -1 when it is none.
    int32_t Trigger() const;
    TInputSource Source() const;
};

// The model of one property bar.
struct TPropertyState {
    int32_t Index = 0;
    std::string Name;
    std::string Hint;
    int32_t Kind = kUndefined;   // PropertyKind
    bool IsInteger = false;      // a whole count: constants and triggers only
    bool Split = false;          // UV or Vector shown as parts (the lock button is down)
    int32_t Top = kFirstBarTop;  // y of the bar inside its container
    int32_t PartCount = 0;       // 2 UV, 3 Vector, 1 Numerical, 0 otherwise
    std::string PartLetters;     // "RGB", "XYZ", "UV" …
    TPropertyInput Whole;        // part -1; an enumeration on a trigger uses it too
    std::array<TPropertyInput, 3> Parts;
    int32_t Value = 0;  // enumeration item, or file slot 0 … 4 (-1 "[none]")
    std::string Items;  // enumeration items, ";"-separated

    int32_t Height() const { return Split ? kBarRowHeight * PartCount : kBarRowHeight; }
    bool Splittable() const { return Kind == kUV || Kind == kVector; }
    // The input of a part (-1 the whole); the whole for an out-of-range part.
    TPropertyInput& Input(int32_t part);
    const TPropertyInput& Input(int32_t part) const;
};

struct TXROutputDot {
    bool Visible = true;  // hidden when the component has no output (the root)
    int32_t Kind = kUndefined;
    TRect Bounds = kOutputDotRect;
    std::string_view Hint() const { return OutputDotHint(Kind); }
};

// What a drag from an output dot carries.
struct TXRDragDot {
    int32_t OutputKind = kUndefined;
    float* OutputAddress = nullptr;
    TXRComponentContainer* Source = nullptr;
};

struct TXRComponentConnection {
    int32_t LengthKey = 0;
    TRgb Color;
    TPath Points;  // relative to Bounds once routed
    bool BoundsSet = false;
    int32_t Property = 0;
    int32_t Part = kWholeProperty;
    TXRComponentContainer* Target = nullptr;  // its property is fed
    TXRComponentContainer* Source = nullptr;  // its output feeds
    TRect Bounds;
    bool Visible = true;

    // The polyline in canvas coordinates: input point first, output point last.
    TPath CanvasPoints() const;
};

class TXRComponentContainer {
  public:
    TXROutputDot OutputDot;
    bool CollapseButton = true;         // shown for every container but the root
    TXRComponent* Component = nullptr;  // owned by the tree
    bool Selected = false;
    bool Moving = false;
    bool HintShown = false;
    bool Collapsed = false;
    std::vector<TPropertyState> Properties;
    int32_t TypeId = 0;

    // Canvas position (scroll offset included) and size.
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = kContainerWidth;
    int32_t Height = kContainerInitialHeight;
    uint8_t FoldState = 0;     // the stored digit: 0 open, 1 or 2 folded
    std::string UnreadLayout;  // text of the layout that was not read, written back unchanged

    std::string Title() const;
    std::string TitleHint() const;
    TRect Bounds() const { return {Left, Top, Left + Width, Top + Height}; }
    TPoint OutputPoint() const { return {Left + 1, Top + 7}; }
    TPoint InputPoint(int32_t prop, int32_t part) const;
    // Bar tops and the height from the bars' heights and the collapsed state.
    void Relayout();
    TPropertyState* Property(int32_t prop);
    const TPropertyState* Property(int32_t prop) const;
};

// Why a link was refused; kAccepted when it may be made.
enum class TLinkCheck {
    kAccepted,
    kNoSuchInput,   // no such container, property or part
    kNoOutput,      // the source has no output
    kKindMismatch,  // output kind differs from the property's kind, or enumeration/file
    kIntegerInput,  // a whole count takes constants and triggers only
    kOwnContainer,  // a component cannot feed itself
    kAlreadyFed,    // the input is fed by a component already
    kCycle,         // the target already feeds the source
};

// What the model tells the view.
class TGraphObserver {
  public:
    virtual ~TGraphObserver() = default;
    virtual void ContainerAdded(TXRComponentContainer& /*container*/) {}
    // Called before the container is freed.
    virtual void ContainerRemoving(TXRComponentContainer& /*container*/) {}
    // Position, size, selection, collapse or bar layout changed.
    virtual void ContainerChanged(TXRComponentContainer& /*container*/) {}
    // One property's source, value or split state changed.
    virtual void PropertyChanged(TXRComponentContainer& /*container*/, int32_t /*prop*/) {}
    // Connections were added, removed or routed.
    virtual void ConnectionsChanged() {}
    virtual void PreviewUpdate(TXRComponentContainer& /*container*/) {}
    virtual void ShaderUpdate() {}
    virtual void ClipToolsChange() {}
    // Rebuild progress: "Creating components...", "Connecting components..." with the 1-based
    // entry; an empty text when done.
    virtual void Progress(std::string_view /*text*/, int32_t /*position*/, int32_t /*total*/) {}
    // A rebuild from a stream has finished: everything is placed, linked and routed.
    virtual void Rebuilt() {}
};

// The model of the canvas.
class TXRGraphModel {
  public:
    // The interface model receives the trigger and file-slot registrations; it must outlive this.
    explicit TXRGraphModel(TXRInterfaceModel& interfaceModel);
    ~TXRGraphModel();
    TXRGraphModel(const TXRGraphModel&) = delete;
    TXRGraphModel& operator=(const TXRGraphModel&) = delete;

    void AddObserver(TGraphObserver* observer);
    void RemoveObserver(TGraphObserver* observer);

    // Fields of the canvas.
    TXRComponentContainer* RootContainer() const { return root_; }
    TRect RootMarkerBounds() const;  // follows the root container
    int32_t PendingType = -1;        // placement mode while >= 0
    TXRComponentContainer* ActiveComponent() const { return active_; }
    bool Rebuilding() const { return rebuilding_; }
    const std::vector<std::unique_ptr<TXRComponentContainer>>& Containers() const {
        return containers_;
    }
    const std::vector<std::unique_ptr<TXRComponentConnection>>& Connections() const {
        return connections_;
    }
    int32_t SelectedCount() const;
    const TPathBuffer& Grid() const { return grid_; }

    TXRTree& Tree() { return tree_; }
    TThreadRecord& Record() { return record_; }
    TVariableUsage& Usage() { return usage_; }
    TXRInterfaceModel& Interface() { return interface_; }
    bool Modified() const { return modified_; }
    void ClearModified() { modified_ = false; }

    // Containers and connections. Creation reports an unknown type id through Messages and gives
    // null. Connect checks the link first and gives null when refused.
    TXRComponentContainer* CreateContainer(int32_t typeId, int32_t x, int32_t y);
    TLinkCheck CheckLink(const TXRComponentContainer* source, const TXRComponentContainer* target,
                         int32_t prop, int32_t part) const;
    TXRComponentConnection* Connect(TXRComponentContainer* source, TXRComponentContainer* target,
                                    int32_t prop, int32_t part);
    // The input returns to its remembered variable (re-registering a trigger) or its constant.
    void Disconnect(TXRComponentConnection* connection);
    // False for the root or a container that is not in the graph.
    bool DeleteContainer(TXRComponentContainer* container);
    void SetRootContainer(TXRComponentContainer* container);
    TXRComponentContainer* ContainerOf(const TXRComponent* component) const;
    int32_t IndexOf(const TXRComponentContainer* container) const;  // -1 when absent

    // Property sources, as the property bars and the input menu change them. prop and part are
    // checked; out-of-range calls do nothing and answer false.
    bool SetConstant(TXRComponentContainer* c, int32_t prop, int32_t part, float value);
    float Constant(const TXRComponentContainer* c, int32_t prop, int32_t part) const;
    // "Constant": removes a connection, releases a variable; the input reads its constant.
    bool UseConstant(TXRComponentContainer* c, int32_t prop, int32_t part);
    // A context variable or trigger (65 … 84) of the input's kind (a part takes Numerical ones).
    bool UseVariable(TXRComponentContainer* c, int32_t prop, int32_t part, int32_t variable);
    bool UseTrigger(TXRComponentContainer* c, int32_t prop, int32_t part, int32_t trigger) {
        return UseVariable(c, prop, part, kVarTrigger1 + trigger);
    }
    // "Disconnect": removes the component connection of the input, if any.
    bool DisconnectInput(TXRComponentContainer* c, int32_t prop, int32_t part);
    // A wire's input end taken to another input, as one edit: the input it leaves returns to its
    // variable or constant. Moving it back onto the input it feeds is accepted and changes
    // nothing; a refused input (a check other than kAccepted) leaves the wire where it was.
    TLinkCheck CheckMove(const TXRComponentConnection* connection,
                         const TXRComponentContainer* target, int32_t prop, int32_t part) const;
    TXRComponentConnection* MoveConnection(TXRComponentConnection* connection,
                                           TXRComponentContainer* target, int32_t prop,
                                           int32_t part);
    // Enumeration: an item (releasing a trigger in use). File: a slot 0 … 4 or -1.
    bool SetValue(TXRComponentContainer* c, int32_t prop, int32_t value);
    // Lock button down: split into parts. When the whole is fed by a component, asks first
    // (through Messages); false when declined, leaving everything as it was.
    bool UnlockProperty(TXRComponentContainer* c, int32_t prop);
    // Lock button up: join the parts, asking first when a part is fed by a component.
    bool LockProperty(TXRComponentContainer* c, int32_t prop);
    // The text a property editor shows as its value: the variable's short name, the source's
    // title, "File"n, "[none]", the enumeration item; empty for a constant.
    std::string ValueText(const TXRComponentContainer* c, int32_t prop, int32_t part) const;

    // Selection, moving, collapse, placement.
    void Select(TXRComponentContainer* container);
    // The Shift/Ctrl click rule.
    void ToggleSelection(TXRComponentContainer* container);
    // A press without Shift or Ctrl: selects it alone unless it is selected already.
    void PressSelect(TXRComponentContainer* container);
    void ClearSelection();
    void MoveSelected(int32_t dx, int32_t dy);
    void MoveContainer(TXRComponentContainer* container, int32_t left, int32_t top);
    void SetCollapsed(TXRComponentContainer* container, bool collapsed);
    void BeginPlacement(int32_t typeId) { PendingType = typeId; }
    void CancelPlacement() { PendingType = -1; }
    // Creates the pending type at the point, selects it, ends placement.
    TXRComponentContainer* Place(int32_t x, int32_t y);
    // Every container of the subtree that feeds the container, itself included, in list order.
    std::vector<TXRComponentContainer*> Subtree(const TXRComponentContainer* container) const;
    // The container whose bounds hold the point, the last created first.
    TXRComponentContainer* ContainerAt(TPoint canvasPoint) const;
    // The property and part under a point local to a container; false when there is none.
    bool InputAt(const TXRComponentContainer* container, TPoint local, int32_t& prop,
                 int32_t& part) const;

    // Routes every connection (suppressed while rebuilding).
    void RerouteAll();

    // The layout as editor-source data and text; Rebuild reads a whole stream as the editor's
    // rebuild does. Rebuild answers false (after the message) when the layout section is empty
    // or the stream is not a shader stream.
    TEditorSource Layout() const;
    std::string LayoutText() const { return WriteEditorSource(Layout()); }
    bool Rebuild(std::string_view stream);
    // Adds the layout's windows as new containers moved by (dx, dy), with their codes, folds and
    // the connections among them; root windows are skipped. The new containers in window order
    // (null where one could not be created).
    std::vector<TXRComponentContainer*> Insert(const TEditorSource& part, int32_t dx, int32_t dy);
    // Removes every container and connection and clears the tree.
    void Clear();

  private:
    friend class TGraphModelAccess;
    void FillContainer(TXRComponentContainer& c);
    void ApplyCode(TXRComponentContainer& c, TPropertyState& p, const TPropertyCode& code);
    void AimAtVariable(TXRComponentContainer& c, TPropertyState& p, int32_t part, int32_t variable);
    bool VariableFits(const TPropertyState& p, int32_t part, int32_t variable) const;
    void ReleaseVariable(const TPropertyState& p, int32_t part);
    void ReleaseInput(TPropertyState& p, int32_t part);
    void RegisterVariable(const TPropertyState& p, int32_t part, int32_t variable);
    float TriggerValue(int32_t trigger) const;
    void AimAtConstant(TXRComponentContainer& c, int32_t prop, int32_t part);
    void RemoveConnection(TXRComponentConnection* connection, bool restore);
    void PropertyEdited(TXRComponentContainer& c, int32_t prop);
    void Changed();  // marks modified
    template <class F>
    void Notify(F&& f) {
        for (TGraphObserver* o : observers_) f(*o);
    }

    TXRInterfaceModel& interface_;
    TXRTree tree_;
    TThreadRecord record_;
    TVariableUsage usage_;
    TXRComponentContainer* root_ = nullptr;
    TXRComponentContainer* active_ = nullptr;
    // Position of each container, made afresh on first use after a removal.
    mutable std::unordered_map<const TXRComponentContainer*, int32_t> indexOf_;
    mutable bool indexValid_ = true;
    bool rebuilding_ = false;
    bool modified_ = false;
    std::vector<std::unique_ptr<TXRComponentContainer>> containers_;
    std::vector<std::unique_ptr<TXRComponentConnection>> connections_;
    TPathBuffer grid_;
    std::vector<TGraphObserver*> observers_;
};

}  // namespace vandrel
