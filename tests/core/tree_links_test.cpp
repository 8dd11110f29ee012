// How trees wire forward connections and check links: against the plain walks the tree used to
// make, on streams and link sequences full of shared sources, cycles, self-references and sources
// beyond the tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "core/context.h"
#include "core/factory.h"
#include "core/messages.h"
#include "core/stream_codec.h"
#include "core/stream_sections.h"
#include "core/thread_record.h"
#include "core/tree.h"
#include "core/tree_section.h"
#include "test_support.h"

namespace vandrel {
namespace {

constexpr uint32_t kAdd = 901;    // A, B Numerical -> Numerical
constexpr uint32_t kAdd3D = 701;  // A, B Vector -> Vector
constexpr uint32_t kSine = 101;   // four Numerical -> Numerical

// Whether `from` reaches `to` through consumer links, visiting each entry once.
bool Reaches(const TXRTreeEntry* from, const TXRTreeEntry* to) {
    std::vector<const TXRTreeEntry*> pending = {from}, seen;
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

bool Fits(const TXRComponent& consumer, int32_t prop, int32_t part, const TXRComponent& producer) {
    if (part != kWholeProperty) return true;
    const int32_t kind = consumer.PropertyKind(prop);
    if (kind != kUV && kind != kVector) return true;
    return FloatCount(producer.OutputKind()) >= FloatCount(kind);
}

// The wiring a tree section gets when every forward connection is checked by a walk, in the
// order read, and constant marks are spread until nothing changes.
bool WalkingBuild(TXRTree& tree, std::string_view stream) {
    const auto section = ParseTreeSection(stream);
    if (!section) return false;
    tree.Clear();
    if (!section->Complete || section->Entries.empty()) return false;
    const size_t n = section->Entries.size();
    std::vector<char> constant(n, 0);
    std::vector<std::pair<size_t, size_t>> sources;  // consumer, producer
    std::vector<std::pair<size_t, TTreeInstruction>> pending;
    for (size_t i = 0; i < n; ++i) {
        const TTreeSectionEntry& data = section->Entries[i];
        auto created = CreateComponent(data.TypeId, &tree);
        if (created == nullptr) return false;
        created->Bind(tree.Context, nullptr);
        auto entry = std::make_unique<TXRTreeEntry>();
        entry->Component = std::move(created);
        entry->Mask = data.Mask;
        TXRComponent* c = entry->Component.get();
        tree.Entries.push_back(std::move(entry));
        constant[i] = IsConstantFoldable(data.TypeId) ? 1 : 0;
        for (const TTreeInstruction& in : data.Instructions) {
            if (in.Letter == 'C') {
                c->SetConstant(in.Prop, in.Part, in.Constant);
            } else if (in.Letter == 'V') {
                c->Connect(in.Prop, in.Part,
                           VariableAddress(tree.Context, static_cast<int32_t>(in.Value)));
                constant[i] = 0;
            } else if (in.Letter == 'S' && in.Value < i) {
                TXRTreeEntry* producer = tree.Entries[in.Value].get();
                if (!Fits(*c, in.Prop, in.Part, *producer->Component)) continue;
                c->Connect(in.Prop, in.Part, producer->Component->OutputAddress());
                if (producer->Component->OutputAddress() != nullptr) {
                    producer->Consumers.push_back(tree.Entries[i].get());
                }
                sources.emplace_back(i, in.Value);
            } else if (in.Letter == 'S') {
                pending.emplace_back(i, in);
            }
        }
    }
    for (const auto& [i, in] : pending) {
        if (in.Value >= n) continue;
        TXRTreeEntry* producer = tree.Entries[in.Value].get();
        TXRTreeEntry* consumer = tree.Entries[i].get();
        if (producer == consumer || producer->Component->OutputAddress() == nullptr ||
            !Fits(*consumer->Component, in.Prop, in.Part, *producer->Component) ||
            Reaches(consumer, producer)) {
            continue;
        }
        consumer->Component->Connect(in.Prop, in.Part, producer->Component->OutputAddress());
        producer->Consumers.push_back(consumer);
        sources.emplace_back(i, in.Value);
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto& [consumer, producer] : sources) {
            if (constant[consumer] != 0 && constant[producer] == 0) {
                constant[consumer] = 0;
                changed = true;
            }
        }
    }
    for (size_t i = 0; i + 1 < n; ++i) {
        if (constant[i] != 0) tree.Entries[i]->Mask = 0;
    }
    return true;
}

// Each entry as text: type, mask, consumers by position, and where every input reads from.
std::vector<std::string> Describe(TXRTree& tree) {
    const auto position = [&](const TXRTreeEntry* e) {
        for (size_t i = 0; i < tree.Entries.size(); ++i) {
            if (tree.Entries[i].get() == e) return std::to_string(i);
        }
        return std::string("?");
    };
    std::vector<std::string> out;
    for (const auto& e : tree.Entries) {
        TXRComponent& c = *e->Component;
        std::string s = std::to_string(c.TypeId);
        s += " mask ";
        s += std::to_string(e->Mask);
        s += " ->";
        for (const TXRTreeEntry* consumer : e->Consumers) (s += ' ') += position(consumer);
        for (int32_t p = 0; p < c.PropertyCount(); ++p) {
            for (int32_t k = 0; k < FloatCount(c.PropertyKind(p)); ++k) {
                const float* ref = c.InputAddress(p, k);
                ((((s += " |") += std::to_string(p)) += '.') += std::to_string(k)) += ':';
                if (ref == c.ConstantAddress(p) + k) {
                    s += "own";
                } else if (const int32_t v = VariableAtAddress(tree.Context, ref); v != 0) {
                    (s += "var") += std::to_string(v);
                } else {
                    for (size_t j = 0; j < tree.Entries.size(); ++j) {
                        float* output = tree.Entries[j]->Component->OutputAddress();
                        for (int32_t f = 0; f < 3; ++f) {
                            if (output != nullptr && ref == output + f) {
                                (((s += "out") += std::to_string(j)) += '.') += std::to_string(f);
                            }
                        }
                    }
                }
            }
        }
        out.push_back(s);
    }
    return out;
}

// A tree section of n components, the last a root, with random instructions: sources before,
// after, beyond and equal to the component, whole and single parts, variables and constants.
std::string RandomStream(std::mt19937& random, uint32_t n) {
    const auto pick = [&](uint32_t below) {
        return std::uniform_int_distribution<uint32_t>(0, below - 1)(random);
    };
    std::string s = "XR";
    AppendHex(s, n, 4);
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t types[] = {kAdd, kAdd, kAdd3D, kSine};
        AppendHex(s, i + 1 == n ? 1 : types[pick(4)], 4);
        const uint32_t count = pick(5);
        AppendHex(s, count, 2);
        for (uint32_t k = 0; k < count; ++k) {
            const uint32_t letter = pick(10);
            const uint32_t prop = pick(3);
            const char part = "F012"[pick(4)];
            if (letter < 7) {
                s += 'S';
                AppendHex(s, pick(n + 2), 4);
                AppendHex(s, prop, 1);
                s += part;
            } else if (letter < 9) {
                s += 'V';
                AppendHex(s, prop, 1);
                s += part;
                AppendHex(s, pick(2) == 0 ? 55 : 46, 4);
            } else {
                s += 'C';
                AppendHex(s, prop, 1);
                s += part;
                AppendFloat(s, 0.5f);
            }
        }
        AppendHex(s, 1 + pick(15), 4);
    }
    return s;
}

TEST(TreeBuild, ForwardConnectionsAreWiredAsByWalks) {
    test::RecordingMessages messages;
    TThreadRecord record;
    std::vector<std::string> streams = {
        // Each reads the next; a ring closed by the first component reading the last one.
        "XR0004038501S00010F0002038501S00020F0002038501S00000F0002000101S00001F000F",
        // Two forward readers of one source, and a source reading both of them back.
        "XR0004038501S00020F0002038501S00020F0002038502S00000FS00011F0002000101S00011F000F",
        // Self-reference, sources beyond the tree, a whole vector from a number.
        "XR000302BD02S00000FS00090F000C038501S00001F0002000101S00000F000F",
    };
    std::mt19937 random(18);
    for (int i = 0; i < 400; ++i) {
        streams.push_back(RandomStream(random, 2 + static_cast<uint32_t>(i % 9)));
    }
    for (const std::string& stream : streams) {
        TXRTree walked, built;
        walked.Context = built.Context = &record;
        ASSERT_EQ(built.BuildFromStream(stream), WalkingBuild(walked, stream)) << stream;
        EXPECT_EQ(Describe(built), Describe(walked)) << stream;
    }
}

// n Adds in a ring: each reads the next one, and the first reads the root, which reads the last.
std::string Ring(uint32_t n) {
    std::string s = "XR";
    AppendHex(s, n + 1, 4);
    for (uint32_t i = 0; i < n; ++i) {
        AppendHex(s, kAdd, 4);
        s += "01S";
        AppendHex(s, i + 1 == n ? 0 : i + 1, 4);
        s += i + 1 == n ? "1F" : "0F";
        s += "0002";
    }
    s += "000101S00001F000F";
    return s;
}

TEST(TreeBuild, CyclesBeyondTheWalkBudgetAreNotBuilt) {
    TThreadRecord record;
    // A short ring keeps all its connections but the one that would close it.
    TXRTree small;
    small.Context = &record;
    ASSERT_TRUE(small.BuildFromStream(Ring(100)));
    TXRTree walked;
    walked.Context = &record;
    ASSERT_TRUE(WalkingBuild(walked, Ring(100)));
    EXPECT_EQ(Describe(small), Describe(walked));
    // A long one would take a walk per connection; it is refused, as it never comes from the
    // editor.
    TXRTree large;
    large.Context = &record;
    EXPECT_FALSE(large.BuildFromStream(Ring(8000)));
}

TEST(TreeLinks, ChecksAgreeWithWalksAfterAnyChanges) {
    test::RecordingMessages messages;
    TThreadRecord record;
    TXRTree tree;
    tree.Context = &record;
    std::vector<TXRComponent*> components;
    for (int i = 0; i < 12; ++i) components.push_back(tree.AddComponent(CreateComponent(kSine)));
    std::mt19937 random(1806);
    const auto any = [&]() {
        return components[std::uniform_int_distribution<size_t>(0, components.size() - 1)(random)];
    };
    for (int step = 0; step < 3000; ++step) {
        const int what = std::uniform_int_distribution<int>(0, 19)(random);
        if (what < 12) {
            TXRComponent* producer = any();
            TXRComponent* consumer = any();
            const bool testOnly = what < 3;
            const bool expected = producer != consumer &&
                                  !Reaches(tree.FindEntry(consumer), tree.FindEntry(producer));
            ASSERT_EQ(tree.Link(producer, consumer, testOnly), expected) << step;
        } else if (what < 16) {
            tree.Unlink(any(), any());
        } else if (what < 18) {
            // Ranked for links that may close cycles, some of which are then made.
            std::vector<std::pair<TXRComponent*, TXRComponent*>> links;
            for (int k = 0; k < 6; ++k) links.emplace_back(any(), any());
            tree.PrepareLinks(links);
        } else if (what == 18 && components.size() > 4) {
            TXRComponent* doomed = any();
            tree.RemoveComponent(doomed);
            components.erase(std::find(components.begin(), components.end(), doomed));
        } else {
            components.push_back(tree.AddComponent(CreateComponent(kSine)));
        }
        for (TXRComponent* c : components) ASSERT_EQ(tree.FindEntry(c)->Component.get(), c);
    }
}

}  // namespace
}  // namespace vandrel
