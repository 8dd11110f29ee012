#include "core/tree.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <optional>
#include <unordered_set>

#include "core/catalogue.h"
#include "core/check.h"
#include "core/context.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/root.h"
#include "core/stream_codec.h"
#include "core/stream_sections.h"
#include "core/tree_section.h"

namespace vandrel {

namespace {

// A custom component may be folded when the component layer says its inner tree reads nothing but
// its own properties.
bool CustomFoldable(const TXRComponent& c) {
    const TComponentRegistry& registry = InstalledComponentRegistry();
    return registry.customFoldable != nullptr && registry.customFoldable(c);
}

constexpr int32_t kMaskColor = 12;
constexpr int32_t kMaskTransparency = 2;
constexpr int32_t kMaskDisplacement = 1;

bool PointsInto(const float* ref, const float* start, int32_t floats) {
    if (ref == nullptr || start == nullptr || floats <= 0) return false;
    const auto r = reinterpret_cast<uintptr_t>(ref);
    const auto s = reinterpret_cast<uintptr_t>(start);
    return r >= s && r < s + sizeof(float) * static_cast<uintptr_t>(floats);
}

int32_t PartCount(int32_t kind) { return kind == kEnumeration ? 1 : FloatCount(kind); }

// Parts to visit for a property: -1 for an enumeration's reference, else 0 … n-1.
int32_t FirstPart(int32_t kind) { return kind == kEnumeration ? -1 : 0; }

bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

// A whole UV or Vector property reads two or three adjacent floats from its source; a source with
// fewer would be read past its end. The editor never makes such a connection, a stream may.
bool SourceFits(const TXRComponent& consumer, int32_t prop, int32_t part,
                const TXRComponent& producer) {
    if (part != kWholeProperty) return true;
    const int32_t kind = consumer.PropertyKind(prop);
    if (kind != kUV && kind != kVector) return true;
    return FloatCount(producer.OutputKind()) >= FloatCount(kind);
}

// Connections between positions of a tree section: (producer, consumer).
using TEdgeList = std::vector<std::pair<uint32_t, uint32_t>>;

// The consumers of every position, in the order of the list.
class TAdjacency {
  public:
    TAdjacency(size_t n, const TEdgeList& edges) : start_(n + 1, 0), to_(edges.size()) {
        for (const auto& e : edges) ++start_[e.first + 1];
        for (size_t i = 0; i < n; ++i) start_[i + 1] += start_[i];
        std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
        for (const auto& e : edges) to_[fill[e.first]++] = e.second;
    }
    std::span<const uint32_t> Of(uint32_t i) const {
        return {to_.data() + start_[i], to_.data() + start_[i + 1]};
    }

  private:
    std::vector<uint32_t> start_;
    std::vector<uint32_t> to_;
};

// Tells, for the forward connections of a stream taken in order, which would close a cycle with
// the links made while reading and the forward connections kept before it. Only a connection
// whose two ends lie in one strongly connected part of the graph of all of them can; such a one
// is checked by a walk that stays in its part, within a budget of walk steps.
class TCycleChecker {
  public:
    TCycleChecker(size_t n, const TEdgeList& links, const TEdgeList& candidates)
        : candidates_(candidates), mark_(n, 0) {
        TEdgeList all = links;
        all.insert(all.end(), candidates.begin(), candidates.end());
        part_ = StrongParts(n, TAdjacency(n, all));
        budget_ = kCycleCheckBudget * static_cast<int64_t>(n + all.size()) + (int64_t{1} << 22);
        // Only the links inside a part matter to the walks; a candidate counts once it is kept.
        TEdgeList inner;
        for (const auto& e : links) {
            if (part_[e.first] == part_[e.second]) inner.push_back(e);
        }
        kept_.assign(inner.size(), 1);
        innerOf_.assign(candidates.size(), kNone);
        for (size_t k = 0; k < candidates.size(); ++k) {
            const auto& e = candidates[k];
            if (part_[e.first] != part_[e.second]) continue;
            innerOf_[k] = static_cast<uint32_t>(inner.size());
            inner.push_back(e);
            kept_.push_back(0);
        }
        start_.assign(n + 1, 0);
        for (const auto& e : inner) ++start_[e.first + 1];
        for (size_t i = 0; i < n; ++i) start_[i + 1] += start_[i];
        edge_.resize(inner.size());
        std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
        for (uint32_t i = 0; i < inner.size(); ++i) edge_[fill[inner[i].first]++] = i;
        to_.resize(inner.size());
        for (uint32_t i = 0; i < inner.size(); ++i) to_[i] = inner[i].second;
    }

    // Whether candidate k closes a cycle; nothing when the budget is spent.
    std::optional<bool> Closes(size_t k) {
        const auto [producer, consumer] = candidates_[k];
        if (part_[producer] != part_[consumer]) return false;
        // A cycle: the consumer reaches the producer.
        const uint32_t walk = ++walk_;
        std::vector<uint32_t>& pending = pending_;
        pending.assign(1, consumer);
        mark_[consumer] = walk;
        while (!pending.empty()) {
            const uint32_t v = pending.back();
            pending.pop_back();
            for (uint32_t x = start_[v]; x < start_[v + 1]; ++x) {
                if (--budget_ < 0) return std::nullopt;
                const uint32_t e = edge_[x];
                if (kept_[e] == 0) continue;
                const uint32_t w = to_[e];
                if (w == producer) return true;
                if (mark_[w] == walk) continue;
                mark_[w] = walk;
                pending.push_back(w);
            }
        }
        return false;
    }

    void Keep(size_t k) {
        if (innerOf_[k] != kNone) kept_[innerOf_[k]] = 1;
    }

  private:
    static constexpr uint32_t kNone = UINT32_MAX;

    // Tarjan's strongly connected parts, without recursion.
    static std::vector<uint32_t> StrongParts(size_t n, const TAdjacency& graph) {
        std::vector<uint32_t> index(n, kNone), low(n, 0), part(n, kNone), stack;
        std::vector<std::pair<uint32_t, uint32_t>> calls;  // position, next consumer
        uint32_t counter = 0, parts = 0;
        for (uint32_t root = 0; root < n; ++root) {
            if (index[root] != kNone) continue;
            calls.emplace_back(root, 0);
            index[root] = low[root] = counter++;
            stack.push_back(root);
            while (!calls.empty()) {
                auto& [v, next] = calls.back();
                const std::span<const uint32_t> out = graph.Of(v);
                if (next < out.size()) {
                    const uint32_t w = out[next++];
                    if (index[w] == kNone) {
                        index[w] = low[w] = counter++;
                        stack.push_back(w);
                        calls.emplace_back(w, 0);
                    } else if (part[w] == kNone) {
                        low[v] = std::min(low[v], index[w]);
                    }
                    continue;
                }
                const uint32_t done = v;
                calls.pop_back();
                if (!calls.empty()) {
                    const uint32_t parent = calls.back().first;
                    low[parent] = std::min(low[parent], low[done]);
                }
                if (low[done] == index[done]) {
                    uint32_t w;
                    do {
                        w = stack.back();
                        stack.pop_back();
                        part[w] = parts;
                    } while (w != done);
                    ++parts;
                }
            }
        }
        return part;
    }

    const TEdgeList& candidates_;
    std::vector<uint32_t> part_;
    std::vector<uint32_t> innerOf_;  // the inner link of each candidate, kNone outside a part
    std::vector<uint32_t> start_, edge_, to_;
    std::vector<char> kept_;
    std::vector<uint32_t> mark_, pending_;
    uint32_t walk_ = 0;
    int64_t budget_ = 0;
};

}  // namespace

TXRTree::~TXRTree() { Clear(); }

void TXRTree::Clear() {
    pass_.clear();
    Entries.clear();
    RootEntry = nullptr;
    RootOutputKind = kUndefined;
    RootOutputAddress = nullptr;
    entryOf_.clear();
    entryOfValid_ = true;
    ranksValid_ = true;
    ranksExact_ = true;
    nextRank_ = 0;
}

void TXRTree::Changed() {
    if (changeDepth_ > 0) {
        changePending_ = true;
    } else {
        Recompute(false);
    }
}

void TXRTree::BeginChanges() { ++changeDepth_; }

void TXRTree::EndChanges() {
    if (changeDepth_ == 0 || --changeDepth_ > 0 || !changePending_) return;
    changePending_ = false;
    Recompute(false);
}

TXRComponent* TXRTree::AddComponent(std::unique_ptr<TXRComponent> component) {
    if (component == nullptr) return nullptr;
    component->Bind(Context, Instance);
    auto entry = std::make_unique<TXRTreeEntry>();
    entry->Component = std::move(component);
    // Nothing reads it yet, so any rank above the others keeps the order.
    entry->Rank = nextRank_++;
    TXRComponent* added = entry->Component.get();
    if (entryOfValid_) entryOf_[added] = entry.get();
    Entries.push_back(std::move(entry));
    Changed();
    return added;
}

void TXRTree::RemoveComponent(TXRComponent* component) {
    TXRTreeEntry* entry = FindEntry(component);
    if (entry == nullptr) return;
    const float* output = component->OutputAddress();
    const int32_t outputFloats = FloatCount(component->OutputKind());
    for (const auto& other : Entries) {
        auto& consumers = other->Consumers;
        consumers.erase(std::remove(consumers.begin(), consumers.end(), entry), consumers.end());
        if (other.get() == entry) continue;
        TXRComponent* c = other->Component.get();
        for (int32_t p = 0; p < c->PropertyCount(); ++p) {
            const int32_t kind = c->PropertyKind(p);
            for (int32_t k = FirstPart(kind); k < PartCount(kind) + FirstPart(kind); ++k) {
                if (PointsInto(c->InputAddress(p, k), output, outputFloats))
                    c->Connect(p, k, nullptr);
            }
        }
    }
    if (RootEntry == entry) {
        RootEntry = nullptr;
        RootOutputKind = kUndefined;
        RootOutputAddress = nullptr;
    }
    entryOf_.erase(component);
    Entries.erase(std::find_if(Entries.begin(), Entries.end(),
                               [entry](const auto& e) { return e.get() == entry; }));
    Changed();
}

void TXRTree::RankEntries(std::span<const std::pair<TXRTreeEntry*, TXRTreeEntry*>> extra) {
    // Kahn's order over the consumer links and the extra links. Where the extra links close a
    // cycle, the walk takes an entry all of whose producers through consumer links are ranked,
    // so the ranks always hold for the consumer links.
    const size_t n = Entries.size();
    for (size_t i = 0; i < n; ++i) Entries[i]->Rank = static_cast<int64_t>(i);
    std::vector<int32_t> inAll(n, 0), inLinked(n, 0);
    for (const auto& e : Entries) {
        for (const TXRTreeEntry* c : e->Consumers) {
            ++inAll[static_cast<size_t>(c->Rank)];
            ++inLinked[static_cast<size_t>(c->Rank)];
        }
    }
    std::vector<uint32_t> extraStart(n + 1, 0), extraTo;
    for (const auto& [from, to] : extra) ++extraStart[static_cast<size_t>(from->Rank) + 1];
    for (size_t i = 0; i < n; ++i) extraStart[i + 1] += extraStart[i];
    extraTo.resize(extra.size());
    {
        std::vector<uint32_t> fill(extraStart.begin(), extraStart.end() - 1);
        for (const auto& [from, to] : extra) {
            extraTo[fill[static_cast<size_t>(from->Rank)]++] = static_cast<uint32_t>(to->Rank);
            ++inAll[static_cast<size_t>(to->Rank)];
        }
    }
    std::vector<uint32_t> ready, linkedReady;
    for (size_t i = 0; i < n; ++i) {
        if (inAll[i] == 0) ready.push_back(static_cast<uint32_t>(i));
        if (inLinked[i] == 0) linkedReady.push_back(static_cast<uint32_t>(i));
    }
    std::vector<int64_t> rank(n, -1);
    int64_t next = 0;
    size_t readyAt = 0, linkedAt = 0;
    while (next < static_cast<int64_t>(n)) {
        uint32_t i;
        if (readyAt < ready.size()) {
            i = ready[readyAt++];
        } else {
            while (linkedAt < linkedReady.size() && rank[linkedReady[linkedAt]] >= 0) ++linkedAt;
            if (linkedAt == linkedReady.size()) break;  // a cycle of consumer links
            i = linkedReady[linkedAt++];
        }
        if (rank[i] >= 0) continue;
        rank[i] = next++;
        for (const TXRTreeEntry* c : Entries[i]->Consumers) {
            const auto k = static_cast<size_t>(c->Rank);
            if (--inAll[k] == 0) ready.push_back(static_cast<uint32_t>(k));
            if (--inLinked[k] == 0) linkedReady.push_back(static_cast<uint32_t>(k));
        }
        for (uint32_t x = extraStart[i]; x < extraStart[i + 1]; ++x) {
            if (--inAll[extraTo[x]] == 0) ready.push_back(extraTo[x]);
        }
    }
    ranksExact_ = next == static_cast<int64_t>(n);
    for (size_t i = 0; i < n; ++i) Entries[i]->Rank = rank[i] >= 0 ? rank[i] : next++;
    nextRank_ = next;
    ranksValid_ = true;
}

void TXRTree::PrepareLinks(std::span<const std::pair<TXRComponent*, TXRComponent*>> links) {
    std::vector<std::pair<TXRTreeEntry*, TXRTreeEntry*>> extra;
    extra.reserve(links.size());
    for (const auto& [producer, consumer] : links) {
        TXRTreeEntry* from = FindEntry(producer);
        TXRTreeEntry* to = FindEntry(consumer);
        if (from != nullptr && to != nullptr && from != to) extra.emplace_back(from, to);
    }
    RankEntries(extra);
}

bool TXRTree::Feeds(TXRTreeEntry* from, TXRTreeEntry* to) {
    if (from == to) return true;
    if (!ranksValid_) RankEntries({});
    // Ranks grow along every consumer link, so only entries ranked up to `to` lie on a path.
    if (ranksExact_ && from->Rank >= to->Rank) return false;
    const uint64_t walk = ++walk_;
    std::vector<TXRTreeEntry*> pending = {from};
    from->Walk = walk;
    while (!pending.empty()) {
        TXRTreeEntry* e = pending.back();
        pending.pop_back();
        for (TXRTreeEntry* c : e->Consumers) {
            if (c == to) return true;
            if (c->Walk == walk || (ranksExact_ && c->Rank > to->Rank)) continue;
            c->Walk = walk;
            pending.push_back(c);
        }
    }
    return false;
}

bool TXRTree::Link(TXRComponent* producer, TXRComponent* consumer, bool testOnly) {
    TXRTreeEntry* from = FindEntry(producer);
    TXRTreeEntry* to = FindEntry(consumer);
    if (from == nullptr || to == nullptr || from == to || Feeds(to, from)) return false;
    if (!testOnly) {
        from->Consumers.push_back(to);
        if (from->Rank >= to->Rank) ranksValid_ = false;
        Changed();
    }
    return true;
}

void TXRTree::Unlink(TXRComponent* producer, TXRComponent* consumer) {
    TXRTreeEntry* from = FindEntry(producer);
    TXRTreeEntry* to = FindEntry(consumer);
    if (from == nullptr || to == nullptr) return;
    const auto it = std::find(from->Consumers.begin(), from->Consumers.end(), to);
    if (it != from->Consumers.end()) from->Consumers.erase(it);
}

void TXRTree::SetRoot(TXRComponent* component, bool masksOn) {
    RootEntry = FindEntry(component);
    RootOutputKind = RootEntry != nullptr ? component->OutputKind() : kUndefined;
    RootOutputAddress = RootEntry != nullptr ? component->OutputAddress() : nullptr;
    if (auto* root = dynamic_cast<TXRCRoot*>(component)) root->Context = Context;
    Recompute(masksOn);
}

int32_t TXRTree::RootMaskFor(const TXRTreeEntry& root, const TXRTreeEntry& producer) const {
    const float* output = producer.Component->OutputAddress();
    if (output == nullptr) return 0;
    const TXRComponent& r = *root.Component;
    const auto reads = [&](int32_t prop, int32_t parts) {
        for (int32_t k = 0; k < parts; ++k) {
            if (r.InputAddress(prop, k) == output) return true;
        }
        return false;
    };
    int32_t mask = 0;
    if (reads(kRootColor, 3)) mask |= kMaskColor;
    if (reads(kRootTransparencyFilter, 3) || reads(kRootAlpha, 1)) mask |= kMaskTransparency;
    if (reads(kRootNormal, 3) || reads(kRootDisplacement, 1)) mask |= kMaskDisplacement;
    return mask;
}

void TXRTree::Recompute(bool masksOn) {
    // Distances by an iterative depth-first walk over the consumer links (which form no cycle), so
    // that a long chain cannot exhaust a rendering thread's stack.
    constexpr int32_t kVisiting = -2;
    for (auto& e : Entries) e->Distance = -1;
    for (auto& start : Entries) {
        if (start->Distance != -1) continue;
        std::vector<std::pair<TXRTreeEntry*, size_t>> stack = {{start.get(), 0}};
        start->Distance = kVisiting;
        while (!stack.empty()) {
            auto& [e, next] = stack.back();
            if (e != RootEntry && next < e->Consumers.size()) {
                TXRTreeEntry* c = e->Consumers[next++];
                if (c->Distance == -1) {
                    c->Distance = kVisiting;
                    stack.emplace_back(c, 0);
                }
                continue;
            }
            int32_t distance = kUnreachable;
            if (e == RootEntry) {
                distance = 0;
            } else {
                for (const TXRTreeEntry* c : e->Consumers) {
                    if (c->Distance >= 0 && c->Distance != kUnreachable) {
                        distance =
                            std::max(distance == kUnreachable ? 0 : distance, c->Distance + 1);
                    }
                }
            }
            e->Distance = distance;
            stack.pop_back();
        }
    }

    // Masks from the root outwards: every consumer is nearer the root than its producers.
    std::vector<TXRTreeEntry*> byDistance;
    byDistance.reserve(Entries.size());
    for (auto& e : Entries) byDistance.push_back(e.get());
    std::stable_sort(byDistance.begin(), byDistance.end(),
                     [](const auto* a, const auto* b) { return a->Distance < b->Distance; });
    for (TXRTreeEntry* e : byDistance) {
        if (e->Distance == kUnreachable) {
            e->Mask = 0;
        } else if (!masksOn || e == RootEntry) {
            e->Mask = kMaskAll;
        } else {
            int32_t mask = 0;
            for (const TXRTreeEntry* c : e->Consumers) {
                if (c->Distance == kUnreachable) continue;
                mask |= c == RootEntry && dynamic_cast<const TXRCRoot*>(c->Component.get())
                            ? RootMaskFor(*c, *e)
                            : c->Mask;
            }
            e->Mask = mask;
        }
    }

    std::stable_sort(Entries.begin(), Entries.end(),
                     [](const auto& a, const auto& b) { return a->Distance > b->Distance; });
    // The pass evaluates every producer before the consumers that read its output.
    for ([[maybe_unused]] const auto& e : Entries) {
        for ([[maybe_unused]] const TXRTreeEntry* c : e->Consumers) {
            VANDREL_DCHECK(e->Distance == kUnreachable || c->Distance == kUnreachable ||
                           e.get() == RootEntry || e->Distance > c->Distance);
        }
    }
    RebuildPassList();
}

TXRTreeEntry* TXRTree::FindEntry(const TXRComponent* component) const {
    if (component == nullptr) return nullptr;
    if (!entryOfValid_) {
        entryOf_.clear();
        entryOf_.reserve(Entries.size());
        for (const auto& e : Entries) entryOf_[e->Component.get()] = e.get();
        entryOfValid_ = true;
    }
    const auto found = entryOf_.find(component);
    return found != entryOf_.end() ? found->second : nullptr;
}

int32_t TXRTree::IndexOfOutput(const float* address) const {
    if (address == nullptr) return -1;
    for (size_t i = 0; i < Entries.size(); ++i) {
        if (Entries[i]->Component->OutputAddress() == address) return static_cast<int32_t>(i);
    }
    return -1;
}

void TXRTree::RebuildPassList() {
    pass_.clear();
    pass_.reserve(Entries.size());
    for (const auto& e : Entries) {
        pass_.push_back({e->Component.get(), e->Mask, FloatCount(e->Component->OutputKind())});
    }
}

void TXRTree::Evaluate(int32_t mask) {
    EnsureFloatEnvironment();
    EvaluateInEnvironment(mask);
}

void TXRTree::EvaluateInEnvironment(int32_t mask) {
    if (Depth > 0) {
        PushOutputs();
        ++SavedPasses;
    }
    for (const PassItem& item : pass_) {
        if ((item.mask & mask) != 0) item.component->Evaluate(InHost);
    }
}

void TXRTree::PushOutputs() {
    const auto n = static_cast<int32_t>(pass_.size());
    if (OutputStackCount + n > static_cast<int32_t>(OutputStack.size())) {
        OutputStack.resize(OutputStack.size() + 2 * static_cast<size_t>(n));
    }
    for (const PassItem& item : pass_) {
        auto& record = OutputStack[static_cast<size_t>(OutputStackCount++)];
        const float* out = item.component->OutputAddress();
        for (int32_t k = 0; k < item.outputFloats; ++k) record[k] = out[k];
    }
}

void TXRTree::PopOutputs() {
    for (auto it = pass_.rbegin(); it != pass_.rend() && OutputStackCount > 0; ++it) {
        const auto& record = OutputStack[static_cast<size_t>(--OutputStackCount)];
        float* out = it->component->OutputAddress();
        for (int32_t k = 0; k < it->outputFloats; ++k) out[k] = record[k];
    }
}

void TXRTree::SetCustomTable(std::string_view section) {
    CustomTable.clear();
    customOfSize_ = SIZE_MAX;
    while (!section.empty()) {
        const size_t bar = section.find('|');
        const std::string_view item = section.substr(0, bar);
        section = bar == std::string_view::npos ? std::string_view{} : section.substr(bar + 1);
        if (item.empty()) continue;
        TStreamReader reader(item);
        const auto id = reader.Hex(4);
        if (!id) continue;  // too short to carry a type id
        CustomTable.push_back({static_cast<int32_t>(*id), std::string(item), false});
    }
}

std::string TXRTree::UsedCustomText() {
    std::unordered_set<int32_t> used;
    for (const auto& e : Entries) used.insert(e->Component->TypeId);
    std::string text;
    for (TCustomDefinition& definition : CustomTable) {
        definition.Used = used.count(definition.TypeId) != 0;
        if (!definition.Used) continue;
        if (!text.empty()) text += '|';
        text += definition.Text;
    }
    return text;
}

std::unique_ptr<TXRComponent> TXRTree::CreateCustomComponent(int32_t typeId) {
    // The table may have grown since the index was made (the editor appends to it).
    if (customOfSize_ != CustomTable.size() || customOfData_ != CustomTable.data()) {
        customOf_.clear();
        for (size_t i = 0; i < CustomTable.size(); ++i) customOf_.emplace(CustomTable[i].TypeId, i);
        customOfSize_ = CustomTable.size();
        customOfData_ = CustomTable.data();
    }
    const auto found = customOf_.find(typeId);
    if (found == customOf_.end()) return nullptr;
    const TComponentRegistry& registry = InstalledComponentRegistry();
    if (registry.createCustom == nullptr) return nullptr;
    return registry.createCustom(*this, CustomTable[found->second]);
}

bool TXRTree::BuildFromStream(std::string_view stream) {
    const auto section = ParseTreeSection(stream);
    return BuildFromStream(stream, section ? &*section : nullptr);
}

bool TXRTree::BuildFromStream(std::string_view stream, const TTreeSection* section) {
    if (section == nullptr) return false;
    Clear();
    SetCustomTable(StreamSection(stream, kCustomSection));
    return BuildFromSection(*section);
}

// What building a tree from its section carries from one step to the next.
struct TXRTree::TBuild {
    struct Pending {
        uint32_t consumer;
        TTreeInstruction instruction;
    };
    std::vector<char> constant;    // by entry: may be folded
    TEdgeList sources;             // every "S" connection made, for the constant marks
    TEdgeList links;               // the consumer links made while reading, all to earlier entries
    std::vector<Pending> pending;  // connections to later entries, made once all exist
};

bool TXRTree::BuildFromSection(const TTreeSection& section) {
    Clear();
    // The entries are linked below without Link, so the ranks are set afresh when next needed.
    ranksValid_ = false;
    entryOfValid_ = false;
    if (!section.Complete || section.Entries.empty()) return false;

    TBuild build;
    build.constant.assign(section.Entries.size(), 0);
    Entries.reserve(section.Entries.size());
    for (const TTreeSectionEntry& data : section.Entries) {
        if (!ReadEntry(data, build)) return false;
    }
    if (!ConnectForward(build)) return false;
    SpreadVarying(build);

    RootEntry = Entries.back().get();
    RootOutputAddress = RootEntry->Component->OutputAddress();
    RootOutputKind = RootEntry->Component->OutputKind();
    RootEntry->Component->Context = Context;

    // Constant folding. The root is exempt: folding it would freeze the first sample's outputs,
    // since every sample's copy of the host record overwrites its output variables.
    EnsureFloatEnvironment();
    for (size_t i = 0; i < Entries.size(); ++i) {
        if (build.constant[i] == 0 || Entries[i].get() == RootEntry) continue;
        Entries[i]->Component->Evaluate(InHost);
        Entries[i]->Mask = 0;
    }
    RebuildPassList();
    return true;
}

bool TXRTree::ReadEntry(const TTreeSectionEntry& data, TBuild& build) {
    const size_t i = Entries.size();
    auto created = CreateComponent(data.TypeId, this);
    if (created == nullptr) return false;
    created->Bind(Context, Instance);
    auto entry = std::make_unique<TXRTreeEntry>();
    entry->Component = std::move(created);
    entry->Mask = data.Mask;
    TXRComponent* c = entry->Component.get();
    Entries.push_back(std::move(entry));
    // A custom component may be folded only when its inner tree reads nothing but its own
    // properties.
    const bool foldable = FindBuiltinCreator(data.TypeId) != nullptr
                              ? IsConstantFoldable(data.TypeId)
                              : CustomFoldable(*c);
    build.constant[i] = foldable ? 1 : 0;
    const auto self = static_cast<uint32_t>(i);
    for (const TTreeInstruction& in : data.Instructions) {
        switch (in.Letter) {
            case 'C':
                c->SetConstant(in.Prop, in.Part, in.Constant);
                break;
            case 'V':
                c->Connect(in.Prop, in.Part,
                           VariableAddress(Context, static_cast<int32_t>(in.Value)));
                build.constant[i] = 0;
                break;
            case 'S':
                if (in.Value < i) {
                    TXRTreeEntry* producer = Entries[in.Value].get();
                    if (!SourceFits(*c, in.Prop, in.Part, *producer->Component)) break;
                    c->Connect(in.Prop, in.Part, producer->Component->OutputAddress());
                    if (producer->Component->OutputAddress() != nullptr) {
                        producer->Consumers.push_back(Entries[i].get());
                        build.links.push_back({in.Value, self});
                    }
                    build.sources.push_back({in.Value, self});
                } else {
                    build.pending.push_back({self, in});
                }
                break;
            case 'M':
                if ((in.Value & kTriggerConnectionBit) != 0) {
                    const auto variable = static_cast<int32_t>(in.Value - kTriggerConnectionBit);
                    c->Connect(in.Prop, kWholeProperty, VariableAddress(Context, variable));
                    build.constant[i] = 0;
                } else {
                    c->SetEnumValue(in.Prop, static_cast<int32_t>(in.Value));
                }
                break;
            default:
                ShowError("Invalid bytecode instruction!");
                break;
        }
    }
    return true;
}

// Forward connections, in the order read. A source beyond the tree, the component itself, one too
// small for a whole property or one that would close a cycle is dropped: such a stream cannot
// come from the editor, and the property keeps its constant. False when the cycle check runs out
// of its budget.
bool TXRTree::ConnectForward(TBuild& build) {
    const size_t n = Entries.size();
    TEdgeList candidates;  // the forward connections that may be made, by position in `pending`
    std::vector<uint32_t> candidateOf;
    for (size_t k = 0; k < build.pending.size(); ++k) {
        const TBuild::Pending& p = build.pending[k];
        if (p.instruction.Value >= n || p.instruction.Value == p.consumer) continue;
        TXRComponent& producer = *Entries[p.instruction.Value]->Component;
        if (producer.OutputAddress() == nullptr ||
            !SourceFits(*Entries[p.consumer]->Component, p.instruction.Prop, p.instruction.Part,
                        producer)) {
            continue;
        }
        candidates.push_back({p.instruction.Value, p.consumer});
        candidateOf.push_back(static_cast<uint32_t>(k));
    }
    if (candidates.empty()) return true;
    TCycleChecker checker(n, build.links, candidates);
    for (size_t k = 0; k < candidates.size(); ++k) {
        const auto [from, to] = candidates[k];
        const std::optional<bool> closes = checker.Closes(k);
        if (!closes) return false;
        if (*closes) continue;
        checker.Keep(k);
        const TTreeInstruction& in = build.pending[candidateOf[k]].instruction;
        TXRTreeEntry* producer = Entries[from].get();
        TXRTreeEntry* consumer = Entries[to].get();
        consumer->Component->Connect(in.Prop, in.Part, producer->Component->OutputAddress());
        producer->Consumers.push_back(consumer);
        build.sources.push_back({from, to});
    }
    return true;
}

// A component fed from a varying one varies too, however the connections were ordered.
void TXRTree::SpreadVarying(TBuild& build) {
    const TAdjacency fed(Entries.size(), build.sources);
    std::vector<uint32_t> varying;
    for (size_t i = 0; i < Entries.size(); ++i) {
        if (build.constant[i] == 0) varying.push_back(static_cast<uint32_t>(i));
    }
    while (!varying.empty()) {
        const uint32_t v = varying.back();
        varying.pop_back();
        for (const uint32_t c : fed.Of(v)) {
            if (build.constant[c] != 0) {
                build.constant[c] = 0;
                varying.push_back(c);
            }
        }
    }
}

std::string TXRTree::WriteTree() {
    Recompute(true);
    std::vector<TXRTreeEntry*> kept;
    for (const auto& e : Entries) {
        if (e->Distance != kUnreachable) kept.push_back(e.get());
    }
    // The first kept component with an output at each address.
    std::unordered_map<const float*, int32_t> keptAt;
    keptAt.reserve(kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        keptAt.emplace(kept[i]->Component->OutputAddress(), static_cast<int32_t>(i));
    }
    const auto sourceIndex = [&](const float* ref) -> int32_t {
        if (ref == nullptr) return -1;
        const auto found = keptAt.find(ref);
        return found != keptAt.end() ? found->second : -1;
    };

    TTreeSection section;
    section.Complete = true;
    for (TXRTreeEntry* e : kept) {
        TXRComponent& c = *e->Component;
        const auto fresh = CreateComponent(c.TypeId, this);
        TTreeSectionEntry out;
        out.TypeId = c.TypeId;
        out.Mask = e->Mask;
        // One part (or a Numerical property with part -1): constant, variable or source.
        const auto writePart = [&](int32_t prop, int32_t part) {
            const int32_t k = part < 0 ? 0 : part;
            const float* ref = c.InputAddress(prop, part);
            float* own = c.ConstantAddress(prop);
            if (ref == own + k) {
                const float* base = fresh != nullptr ? fresh->ConstantAddress(prop) : nullptr;
                if (base == nullptr || !SameBits(own[k], base[k])) {
                    out.Instructions.push_back({'C', prop, part, own[k], 0});
                }
            } else if (const int32_t var = VariableAtAddress(Context, ref); var != 0) {
                out.Instructions.push_back({'V', prop, part, 0, static_cast<uint32_t>(var)});
            } else if (const int32_t src = sourceIndex(ref); src >= 0) {
                out.Instructions.push_back({'S', prop, part, 0, static_cast<uint32_t>(src)});
            }
        };
        for (int32_t p = 0; p < c.PropertyCount(); ++p) {
            const int32_t kind = c.PropertyKind(p);
            if (kind == kNumerical) {
                writePart(p, kWholeProperty);
            } else if (kind == kUV || kind == kVector) {
                const int32_t parts = FloatCount(kind);
                const float* first = c.InputAddress(p, 0);
                bool adjacent = first != c.ConstantAddress(p);
                for (int32_t k = 1; k < parts && adjacent; ++k) {
                    adjacent = c.InputAddress(p, k) == first + k;
                }
                const int32_t var = adjacent ? VariableAtAddress(Context, first) : 0;
                const int32_t src = adjacent ? sourceIndex(first) : -1;
                if (var != 0) {
                    out.Instructions.push_back(
                        {'V', p, kWholeProperty, 0, static_cast<uint32_t>(var)});
                } else if (src >= 0) {
                    out.Instructions.push_back(
                        {'S', p, kWholeProperty, 0, static_cast<uint32_t>(src)});
                } else {
                    for (int32_t k = 0; k < parts; ++k) writePart(p, k);
                }
            } else if (kind == kEnumeration) {
                const float* ref = c.InputAddress(p, kWholeProperty);
                if (const int32_t var = VariableAtAddress(Context, ref); var != 0) {
                    out.Instructions.push_back(
                        {'M', p, kWholeProperty, 0,
                         kTriggerConnectionBit + static_cast<uint32_t>(var)});
                } else if (fresh == nullptr || c.GetEnumValue(p) != fresh->GetEnumValue(p)) {
                    out.Instructions.push_back(
                        {'M', p, kWholeProperty, 0,
                         static_cast<uint32_t>(c.GetEnumValue(p)) & 0xFFFFu});
                }
            } else if (kind == kFile) {
                if (c.GetEnumValue(p) >= 0) {
                    out.Instructions.push_back(
                        {'M', p, kWholeProperty, 0,
                         static_cast<uint32_t>(c.GetEnumValue(p)) & 0xFFFFu});
                }
            }
        }
        section.Entries.push_back(std::move(out));
    }
    return FormatTreeSection(section);
}

}  // namespace vandrel
