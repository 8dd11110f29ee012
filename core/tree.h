// TXRTree: the components of one shader, how they feed each other, which of them each output type
// needs, and the order in which they are evaluated.
//
// Render trees are built from a stream, one per shader instance and rendering thread, and never
// edited; the editor's tree changes one component and one link at a time. Either way the entry
// list is kept sorted by decreasing distance from the result component, so one pass over it
// evaluates every producer before its consumers. A pass is a loop over a flat list with one mask
// test per entry; it allocates nothing except when the output stack used for re-entrant passes
// grows.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.h"
#include "core/factory.h"

namespace vandrel {

struct TThreadRecord;
class TShaderInstance;
class TXRTree;
struct TTreeSection;

struct TXRTreeEntry {
    std::unique_ptr<TXRComponent> Component;
    std::vector<TXRTreeEntry*> Consumers;  // entries whose properties read this output (not owned)
    int32_t Distance = -1;  // longest consumer chain to the root; 65535 when it cannot reach it
    int32_t Mask = 0;       // output types that need this component; 0 = never
};

struct TCustomDefinition {
    int32_t TypeId = 0;
    std::string Text;  // the whole item, type id included
    bool Used = false;
};

inline constexpr int32_t kUnreachable = 65535;

// Creates a custom component from a definition of the tree's custom table; defined with the custom
// components. Nothing when the definition cannot be used.
std::unique_ptr<TXRComponent> CreateCustomComponentFrom(TXRTree& tree,
                                                        const TCustomDefinition& definition);
// Whether such a component computes from its properties alone, so that constant folding may
// evaluate it once; one whose inner tree reads shading variables or the host may not be folded.
bool CustomComponentIsFoldable(const TXRComponent& component);

class TXRTree final : public TCustomComponentSource {
  public:
    TXRTree() = default;
    TXRTree(const TXRTree&) = delete;
    TXRTree& operator=(const TXRTree&) = delete;
    ~TXRTree() override;

    // Fields, in declaration order.
    std::vector<std::array<float, 3>> OutputStack;  // its size is the capacity
    int32_t OutputStackCount = 0;
    std::vector<std::unique_ptr<TXRTreeEntry>> Entries;  // evaluation order
    int32_t RootOutputKind = kUndefined;
    float* RootOutputAddress = nullptr;
    TXRTreeEntry* RootEntry = nullptr;
    TThreadRecord* Context = nullptr;
    TShaderInstance* Instance = nullptr;
    bool InHost = true;
    int32_t Depth = 0;
    int32_t FresnelDepth = 0;
    int32_t SavedPasses = 0;
    std::vector<TCustomDefinition> CustomTable;
    TXRTree* LinkedTree = nullptr;
    // Definition bytes held by the live custom components of this tree, bounded so that a short
    // stream cannot multiply one large definition into an unbounded number of inner components.
    int64_t CustomCost = 0;

    void Clear();
    // Appends the component with no consumers; returns it (the tree owns it).
    TXRComponent* AddComponent(std::unique_ptr<TXRComponent> component);
    // Frees the component. Properties of other components that read its output return to their
    // constants, and it leaves every consumer list, so nothing is left pointing at freed memory.
    void RemoveComponent(TXRComponent* component);
    // Refuses self-links and links that would close a cycle.
    bool Link(TXRComponent* producer, TXRComponent* consumer, bool testOnly = false);
    void Unlink(TXRComponent* producer, TXRComponent* consumer);
    void SetRoot(TXRComponent* component, bool masksOn = true);
    void Recompute(bool masksOn);
    TXRTreeEntry* FindEntry(const TXRComponent* component) const;
    // Position of the entry whose output starts at the address; -1 when none.
    int32_t IndexOfOutput(const float* address) const;

    void Evaluate(int32_t mask);
    void PushOutputs();
    void PopOutputs();

    // Reads the custom table from a section-5 text (items separated by "|").
    void SetCustomTable(std::string_view section);
    // Marks the definitions that some component of the tree uses; their texts joined by "|".
    std::string UsedCustomText();
    std::unique_ptr<TXRComponent> CreateCustomComponent(int32_t typeId) override;

    // Builds from a whole stream: custom table from section 5, the tree section, then constant
    // folding. False when nothing usable was built (no "XR", a cut-short tree section, an unknown
    // type id, no components); the tree must then not be evaluated. Without "XR" the tree is left
    // as it was.
    bool BuildFromStream(std::string_view stream);
    // The same from the stream's tree section parsed before (null: the stream has none), so that
    // the rendering threads of one shader parse it once.
    bool BuildFromStream(std::string_view stream, const TTreeSection* section);
    // The tree section without the letters "XR", from the current order and masks.
    std::string WriteTree();

  private:
    struct PassItem {
        TXRComponent* component;
        int32_t mask;
        int32_t outputFloats;
    };
    void RebuildPassList();
    bool Feeds(const TXRTreeEntry* from, const TXRTreeEntry* to) const;
    int32_t RootMaskFor(const TXRTreeEntry& root, const TXRTreeEntry& producer) const;

    std::vector<PassItem> pass_;
};

}  // namespace vandrel
