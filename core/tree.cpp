#include "core/tree.h"

#include <algorithm>
#include <bit>

#include "core/catalogue.h"
#include "core/context.h"
#include "core/messages.h"
#include "core/numbers.h"
#include "core/root.h"
#include "core/stream_codec.h"
#include "core/stream_sections.h"
#include "core/tree_section.h"

namespace vandrel {

namespace {

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

}  // namespace

TXRTree::~TXRTree() { Clear(); }

void TXRTree::Clear() {
    pass_.clear();
    Entries.clear();
    RootEntry = nullptr;
    RootOutputKind = kUndefined;
    RootOutputAddress = nullptr;
}

TXRComponent* TXRTree::AddComponent(std::unique_ptr<TXRComponent> component) {
    if (component == nullptr) return nullptr;
    component->Bind(Context, Instance);
    auto entry = std::make_unique<TXRTreeEntry>();
    entry->Component = std::move(component);
    TXRComponent* added = entry->Component.get();
    Entries.push_back(std::move(entry));
    Recompute(false);
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
    Entries.erase(std::find_if(Entries.begin(), Entries.end(),
                               [entry](const auto& e) { return e.get() == entry; }));
    Recompute(false);
}

bool TXRTree::Feeds(const TXRTreeEntry* from, const TXRTreeEntry* to) const {
    std::vector<const TXRTreeEntry*> pending = {from};
    std::vector<const TXRTreeEntry*> seen;
    while (!pending.empty()) {
        const TXRTreeEntry* e = pending.back();
        pending.pop_back();
        if (e == to) return true;
        if (std::find(seen.begin(), seen.end(), e) != seen.end()) continue;
        seen.push_back(e);
        pending.insert(pending.end(), e->Consumers.begin(), e->Consumers.end());
    }
    return false;
}

bool TXRTree::Link(TXRComponent* producer, TXRComponent* consumer, bool testOnly) {
    TXRTreeEntry* from = FindEntry(producer);
    TXRTreeEntry* to = FindEntry(consumer);
    if (from == nullptr || to == nullptr || from == to || Feeds(to, from)) return false;
    if (!testOnly) {
        from->Consumers.push_back(to);
        Recompute(false);
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
    RebuildPassList();
}

TXRTreeEntry* TXRTree::FindEntry(const TXRComponent* component) const {
    if (component == nullptr) return nullptr;
    for (auto it = Entries.rbegin(); it != Entries.rend(); ++it) {
        if ((*it)->Component.get() == component) return it->get();
    }
    return nullptr;
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
    std::string text;
    for (TCustomDefinition& definition : CustomTable) {
        definition.Used = std::any_of(Entries.begin(), Entries.end(), [&](const auto& e) {
            return e->Component->TypeId == definition.TypeId;
        });
        if (!definition.Used) continue;
        if (!text.empty()) text += '|';
        text += definition.Text;
    }
    return text;
}

std::unique_ptr<TXRComponent> TXRTree::CreateCustomComponent(int32_t typeId) {
    for (const TCustomDefinition& definition : CustomTable) {
        if (definition.TypeId == typeId) return CreateCustomComponentFrom(*this, definition);
    }
    return nullptr;
}

bool TXRTree::BuildFromStream(std::string_view stream) {
    const auto section = ParseTreeSection(stream);
    return BuildFromStream(stream, section ? &*section : nullptr);
}

bool TXRTree::BuildFromStream(std::string_view stream, const TTreeSection* section) {
    if (section == nullptr) return false;
    Clear();
    SetCustomTable(StreamSection(stream, 5));
    if (!section->Complete || section->Entries.empty()) return false;

    const size_t n = section->Entries.size();
    std::vector<char> constant(n, 0);
    struct Source {
        size_t consumer, producer;
    };
    std::vector<Source> sources;  // every "S" connection made, for the constant marks
    struct Pending {
        size_t consumer;
        TTreeInstruction instruction;
    };
    std::vector<Pending> pending;

    Entries.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const TTreeSectionEntry& data = section->Entries[i];
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
                                  : CustomComponentIsFoldable(*c);
        constant[i] = foldable ? 1 : 0;
        for (const TTreeInstruction& in : data.Instructions) {
            switch (in.Letter) {
                case 'C':
                    c->SetConstant(in.Prop, in.Part, in.Constant);
                    break;
                case 'V':
                    c->Connect(in.Prop, in.Part,
                               VariableAddress(Context, static_cast<int32_t>(in.Value)));
                    constant[i] = 0;
                    break;
                case 'S':
                    if (in.Value < i) {
                        TXRTreeEntry* producer = Entries[in.Value].get();
                        if (!SourceFits(*c, in.Prop, in.Part, *producer->Component)) break;
                        c->Connect(in.Prop, in.Part, producer->Component->OutputAddress());
                        if (producer->Component->OutputAddress() != nullptr) {
                            producer->Consumers.push_back(Entries[i].get());
                        }
                        sources.push_back({i, in.Value});
                    } else {
                        pending.push_back({i, in});
                    }
                    break;
                case 'M':
                    if ((in.Value & kTriggerConnectionBit) != 0) {
                        const auto variable =
                            static_cast<int32_t>(in.Value - kTriggerConnectionBit);
                        c->Connect(in.Prop, kWholeProperty, VariableAddress(Context, variable));
                        constant[i] = 0;
                    } else {
                        c->SetEnumValue(in.Prop, static_cast<int32_t>(in.Value));
                    }
                    break;
                default:
                    ShowError("Invalid bytecode instruction!");
                    break;
            }
        }
    }

    // Forward connections, in the order read. A source beyond the tree, the component itself, one
    // too small for a whole property or one that would close a cycle is dropped: such a stream
    // cannot come from the editor, and the property keeps its constant.
    for (const Pending& p : pending) {
        if (p.instruction.Value >= n) continue;
        TXRTreeEntry* producer = Entries[p.instruction.Value].get();
        TXRTreeEntry* consumer = Entries[p.consumer].get();
        if (producer == consumer || producer->Component->OutputAddress() == nullptr ||
            !SourceFits(*consumer->Component, p.instruction.Prop, p.instruction.Part,
                        *producer->Component) ||
            Feeds(consumer, producer)) {
            continue;
        }
        consumer->Component->Connect(p.instruction.Prop, p.instruction.Part,
                                     producer->Component->OutputAddress());
        producer->Consumers.push_back(consumer);
        sources.push_back({p.consumer, p.instruction.Value});
    }
    // A component fed from a varying one varies too, however the connections were ordered.
    for (bool changed = true; changed;) {
        changed = false;
        for (const Source& s : sources) {
            if (constant[s.consumer] != 0 && constant[s.producer] == 0) {
                constant[s.consumer] = 0;
                changed = true;
            }
        }
    }

    RootEntry = Entries.back().get();
    RootOutputAddress = RootEntry->Component->OutputAddress();
    RootOutputKind = RootEntry->Component->OutputKind();
    RootEntry->Component->Context = Context;

    // Constant folding. The root is exempt: folding it would freeze the first sample's outputs,
    // since every sample's copy of the host record overwrites its output variables.
    EnsureFloatEnvironment();
    for (size_t i = 0; i < n; ++i) {
        if (constant[i] == 0 || Entries[i].get() == RootEntry) continue;
        Entries[i]->Component->Evaluate(InHost);
        Entries[i]->Mask = 0;
    }
    RebuildPassList();
    return true;
}

std::string TXRTree::WriteTree() {
    Recompute(true);
    std::vector<TXRTreeEntry*> kept;
    for (const auto& e : Entries) {
        if (e->Distance != kUnreachable) kept.push_back(e.get());
    }
    const auto sourceIndex = [&](const float* ref) -> int32_t {
        if (ref == nullptr) return -1;
        for (size_t i = 0; i < kept.size(); ++i) {
            if (kept[i]->Component->OutputAddress() == ref) return static_cast<int32_t>(i);
        }
        return -1;
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
