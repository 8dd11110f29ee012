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
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/component.h"
#include "core/factory.h"

namespace vandrel {

struct TThreadRecord;
class TShaderInstance;
class TXRTree;
struct TTreeSection;
struct TTreeSectionEntry;
struct TParsedCustomDefinition;

struct TXRTreeEntry {
    std::unique_ptr<TXRComponent> Component;
    std::vector<TXRTreeEntry*> Consumers;  // entries whose properties read this output (not owned)
    int32_t Distance = -1;  // longest consumer chain to the root; 65535 when it cannot reach it
    int32_t Mask = 0;       // output types that need this component; 0 = never
    // The tree's own bookkeeping for link checks: a rank below the rank of every consumer, and
    // the mark of the last walk that went through the entry.
    int64_t Rank = 0;
    uint64_t Walk = 0;
};

struct TCustomDefinition {
    TCustomDefinition() = default;
    TCustomDefinition(int32_t typeId, std::string text, bool used)
        : TypeId(typeId), Text(std::move(text)), Used(used) {}

    int32_t TypeId = 0;
    std::string Text;  // the whole item, type id included
    bool Used = false;
    // The definition as read, once for all the components made from it; null until first used.
    std::shared_ptr<const TParsedCustomDefinition> Parsed;
};

inline constexpr int32_t kUnreachable = 65535;

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
    // Refuses self-links and links that would close a cycle. A link that agrees with the ranks of
    // the entries is checked at once; any other walks only the entries ranked between the two.
    bool Link(TXRComponent* producer, TXRComponent* consumer, bool testOnly = false);
    void Unlink(TXRComponent* producer, TXRComponent* consumer);
    void SetRoot(TXRComponent* component, bool masksOn = true);
    void Recompute(bool masksOn);
    // Between BeginChanges and the matching EndChanges, adding, removing and linking leave the
    // order and masks alone; EndChanges recomputes them once (masks off) when anything changed.
    // Nothing may evaluate the tree or read its order in between.
    void BeginChanges();
    void EndChanges();
    // Ranks the entries so that the links given (producer, consumer), when made next, agree with
    // the ranks wherever they close no cycle, and so cost a constant each to check. Linear in the
    // entries, their consumers and the links.
    void PrepareLinks(std::span<const std::pair<TXRComponent*, TXRComponent*>> links);
    // Linear search the first time after a change of the entries, then a table look-up.
    TXRTreeEntry* FindEntry(const TXRComponent* component) const;
    // Position of the entry whose output starts at the address; -1 when none.
    int32_t IndexOfOutput(const float* address) const;

    void Evaluate(int32_t mask);
    // Evaluate for a caller that has made sure of the float environment already (per sample).
    void EvaluateInEnvironment(int32_t mask);
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
    //
    // A connection to a later component is dropped when it would close a cycle with the
    // connections kept before it. Only connections inside a strongly connected part of the whole
    // connection graph can, so a stream without cycles builds in time linear in its components
    // and connections; the others are checked by walks within their part, and a stream whose
    // walks would exceed a budget of kCycleCheckBudget steps per component and connection is not
    // built at all (no editor writes forward connections).
    bool BuildFromStream(std::string_view stream);
    // The same from the stream's tree section parsed before (null: the stream has none), so that
    // the rendering threads of one shader parse it once.
    bool BuildFromStream(std::string_view stream, const TTreeSection* section);
    // The same from a tree section read already, with the custom table as it is.
    bool BuildFromSection(const TTreeSection& section);
    // The tree section without the letters "XR", from the current order and masks.
    std::string WriteTree();

  private:
    struct PassItem {
        TXRComponent* component;
        int32_t mask;
        int32_t outputFloats;
    };
    // The steps of BuildFromSection.
    struct TBuild;
    bool ReadEntry(const TTreeSectionEntry& data, TBuild& build);
    bool ConnectForward(TBuild& build);
    void SpreadVarying(TBuild& build);
    void RebuildPassList();
    void Changed();
    // Whether `from` reaches `to` through consumer links.
    bool Feeds(TXRTreeEntry* from, TXRTreeEntry* to);
    void RankEntries(std::span<const std::pair<TXRTreeEntry*, TXRTreeEntry*>> extra);
    int32_t RootMaskFor(const TXRTreeEntry& root, const TXRTreeEntry& producer) const;

    std::vector<PassItem> pass_;
    mutable std::unordered_map<const TXRComponent*, TXRTreeEntry*> entryOf_;
    mutable bool entryOfValid_ = true;
    // Ranks hold for every consumer link while ranksValid_; ranksExact_ is false when they could
    // not be set for every entry, and walks then ignore them.
    bool ranksValid_ = true;
    bool ranksExact_ = true;
    int64_t nextRank_ = 0;
    uint64_t walk_ = 0;
    int32_t changeDepth_ = 0;
    bool changePending_ = false;
    // Position in CustomTable of the first definition of each type id, for a table of this size.
    std::unordered_map<int32_t, size_t> customOf_;
    size_t customOfSize_ = 0;
    const TCustomDefinition* customOfData_ = nullptr;
};

// Holds a tree's BeginChanges for its lifetime.
class TTreeChanges {
  public:
    explicit TTreeChanges(TXRTree& tree) : tree_(tree) { tree_.BeginChanges(); }
    ~TTreeChanges() { tree_.EndChanges(); }
    TTreeChanges(const TTreeChanges&) = delete;
    TTreeChanges& operator=(const TTreeChanges&) = delete;

  private:
    TXRTree& tree_;
};

// Walk steps allowed, per component and connection of a stream (and 4 million more, so that small
// streams are never refused), for the cycle checks of its forward connections.
inline constexpr int64_t kCycleCheckBudget = 256;

}  // namespace vandrel
