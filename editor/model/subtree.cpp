#include "editor/model/subtree.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/messages.h"
#include "core/stream_codec.h"
#include "core/stream_sections.h"
#include "interface/interface_model.h"

namespace vandrel {
namespace {

bool IsTriggerVariable(uint32_t n) {
    return n >= uint32_t{kVarTrigger1} && n < uint32_t{kVarTrigger1 + kTriggerCount};
}

// The layout of the subtree alone; window i is subtree[i].
TEditorSource SubtreeLayout(TXRGraphModel& model, const TXRComponentContainer* active,
                            const std::vector<TXRComponentContainer*>& subtree) {
    const TEditorSource full = model.Layout();
    std::map<int32_t, uint32_t> renumbered;  // model index -> subtree window
    TEditorSource part;
    part.rootWindow = -1;
    for (const TXRComponentContainer* c : subtree) {
        const int32_t index = model.IndexOf(c);
        if (index < 0 || static_cast<size_t>(index) >= full.windows.size()) continue;
        renumbered[index] = static_cast<uint32_t>(part.windows.size());
        TEditorWindow w = full.windows[static_cast<size_t>(index)];
        w.left -= active->Left;
        w.top -= active->Top;
        part.windows.push_back(std::move(w));
        part.folds.push_back(c->FoldState);
    }
    for (const TEditorConnection& e : full.connections) {
        const auto source = renumbered.find(static_cast<int32_t>(e.source));
        const auto consumer = renumbered.find(static_cast<int32_t>(e.consumer));
        if (source == renumbered.end() || consumer == renumbered.end()) continue;
        part.connections.push_back({source->second, consumer->second, e.property, e.part});
    }
    return part;
}

bool Copyable(TXRGraphModel& model, const TXRComponentContainer* active) {
    return active != nullptr && active != model.RootContainer() && model.IndexOf(active) >= 0;
}

template <class F>
void ForEachVariable(TEditorSource& layout, F&& f) {
    for (TEditorWindow& w : layout.windows) {
        for (TPropertyCode& code : w.codes) {
            switch (code.form) {
                case TPropertyCode::kScalar:
                case TPropertyCode::kWhole:
                    if (code.scalar.kind == TScalarCode::kVariable) f(code.scalar.variable);
                    break;
                case TPropertyCode::kParts:
                    for (int32_t k = 0; k < code.partCount && k < 3; ++k) {
                        TScalarCode& s = code.parts[static_cast<size_t>(k)];
                        if (s.kind == TScalarCode::kVariable) f(s.variable);
                    }
                    break;
                case TPropertyCode::kEnumVariable:
                    f(code.value);
                    break;
                default:
                    break;
            }
        }
    }
}

std::vector<std::string> SplitItems(std::string_view names) {
    std::vector<std::string> items;
    while (!names.empty()) {
        const size_t semi = names.find(';');
        items.push_back(UnescapeText(names.substr(0, semi)));
        if (semi == std::string_view::npos) break;
        names.remove_prefix(semi + 1);
    }
    return items;
}

TCustomProperty PropertyOfTrigger(const TXRInterfaceModel& iface, int trigger) {
    const TTriggerSettings& settings = iface.Settings().Triggers[static_cast<size_t>(trigger)];
    TCustomProperty p;
    p.Kind = iface.Usage().Triggers[static_cast<size_t>(trigger)].Kind;
    p.Name = UnescapeText(settings.Label);
    const std::array<float, 3> defaults = TriggerDefaultValue(settings);
    switch (p.Kind) {
        case kNumerical:
            p.Whole = settings.IsInteger;
            p.Defaults = {defaults[0], 0, 0};
            break;
        case kUV:
            p.PartLetters = "UV";
            p.Defaults = {defaults[0], defaults[1], 0};
            break;
        case kVector:
            p.PartLetters = "XYZ";
            p.Defaults = defaults;
            break;
        case kEnumeration:
            p.Items = SplitItems(EnumerationItemNames(settings.SecondText));
            p.Defaults = {static_cast<float>(settings.DefaultItem()), 0, 0};
            break;
        default:
            break;
    }
    return p;
}

}  // namespace

std::string CopySubtreeText(TXRGraphModel& model, const TXRComponentContainer* active) {
    if (!Copyable(model, active)) return {};
    const std::vector<TXRComponentContainer*> subtree = model.Subtree(active);
    const TEditorSource part = SubtreeLayout(model, active, subtree);
    std::set<int32_t> types;
    for (const TEditorWindow& w : part.windows) types.insert(w.typeId);
    std::vector<TCustomSectionItem> customs;
    for (const TCustomDefinition& d : model.Tree().CustomTable) {
        if (types.contains(d.TypeId)) customs.push_back({d.TypeId, d.Text});
    }
    return WriteEditorSource(part) + kSectionSeparator + JoinCustomSection(customs);
}

std::vector<TXRComponentContainer*> PasteSubtreeText(TXRGraphModel& model, std::string_view text,
                                                     TPoint topLeft) {
    const size_t hash = text.find(kSectionSeparator);
    const std::string_view layoutText = text.substr(0, hash);
    const std::string_view customText =
        hash == std::string_view::npos ? std::string_view{} : text.substr(hash + 1);
    // The definitions may get other type ids in this shader.
    std::map<int32_t, int32_t> ids;
    for (const TCustomSectionItem& item : SplitCustomSection(customText)) {
        const std::string_view definition =
            std::string_view(item.text).substr(std::min<size_t>(item.text.size(), 5));
        ids[item.typeId] = InsertCustomDefinition(model.Tree(), definition);
    }
    const auto mapped = [&](int32_t typeId) {
        const auto it = ids.find(typeId);
        return it == ids.end() ? typeId : it->second;
    };
    TXRTree& tree = model.Tree();
    const PropertyKindsFn kinds = [&](int32_t typeId) {
        std::vector<ValueKind> out = BuiltinPropertyKinds(mapped(typeId));
        if (!out.empty()) return out;
        if (auto custom = tree.CreateCustomComponent(mapped(typeId))) {
            for (int32_t i = 0; i < std::min(custom->PropertyCount(), kMaxProperties); ++i) {
                out.push_back(static_cast<ValueKind>(custom->PropertyKind(i)));
            }
        }
        return out;
    };
    TEditorSource part = ParseEditorSource(layoutText, kinds);
    if (part.windows.empty()) return {};
    int32_t left = part.windows.front().left;
    int32_t top = part.windows.front().top;
    for (TEditorWindow& w : part.windows) {
        if (w.typeId != kUnreadWindow) {
            w.typeId = mapped(w.typeId);
            // A definition that could not be registered leaves its windows out.
            if (w.typeId == 0) w.typeId = kUnreadWindow;
        }
        left = std::min(left, w.left);
        top = std::min(top, w.top);
    }
    std::vector<TXRComponentContainer*> created =
        model.Insert(part, topLeft.x - left, topLeft.y - top);
    MoveIntoFreeSpace(model, created);
    return created;
}

void MoveIntoFreeSpace(TXRGraphModel& model, const std::vector<TXRComponentContainer*>& moved) {
    std::vector<TRect> others;
    for (const auto& c : model.Containers()) {
        if (std::find(moved.begin(), moved.end(), c.get()) == moved.end()) {
            others.push_back(c->Bounds().Inflated(kFreeSpaceGap));
        }
    }
    const auto fits = [&](int32_t dx, int32_t dy) {
        for (const TXRComponentContainer* c : moved) {
            if (c == nullptr) continue;
            const TRect r = c->Bounds().Translated(dx, dy);
            if (r.left < 0 || r.top < 0) return false;
            for (const TRect& o : others) {
                if (r.left < o.right && o.left < r.right && r.top < o.bottom && o.top < r.bottom) {
                    return false;
                }
            }
        }
        return true;
    };
    // The nearest free place in rings around the point, below and to the right first.
    for (int32_t ring = 0; ring <= kFreeSpaceRings; ++ring) {
        const int32_t d = ring * kFreeSpaceStep;
        for (int32_t k = 0; k <= ring; ++k) {
            const int32_t e = k * kFreeSpaceStep;
            for (const auto& [dx, dy] : {std::pair{e, d}, std::pair{d, e}, std::pair{-e, d},
                                         std::pair{d, -e}, std::pair{e, -d}, std::pair{-d, e}}) {
                if (!fits(dx, dy)) continue;
                if (dx == 0 && dy == 0) return;
                for (TXRComponentContainer* c : moved) {
                    if (c != nullptr) model.MoveContainer(c, c->Left + dx, c->Top + dy);
                }
                model.RerouteAll();
                return;
            }
        }
    }
}

std::optional<TSubtreeComponent> CompileSubtree(TXRGraphModel& model,
                                                const TXRComponentContainer* active) {
    if (!Copyable(model, active)) return std::nullopt;
    const std::vector<TXRComponentContainer*> subtree = model.Subtree(active);
    for (const TXRComponentContainer* c : subtree) {
        if (c->TypeId > kLastInnerTypeId) {
            ShowError(kSubtreeNotAllowed);
            return std::nullopt;
        }
    }
    TEditorSource part = SubtreeLayout(model, active, subtree);
    std::set<int> used;
    ForEachVariable(part, [&](uint32_t& n) {
        if (IsTriggerVariable(n)) used.insert(static_cast<int>(n) - kVarTrigger1);
    });
    if (used.size() > static_cast<size_t>(kMaxCustomProperties)) {
        ShowError(kTooManyCustomProperties);
        return std::nullopt;
    }
    TSubtreeComponent result;
    result.Triggers.assign(used.begin(), used.end());
    std::map<int, int> position;
    for (size_t i = 0; i < result.Triggers.size(); ++i) {
        position[result.Triggers[i]] = static_cast<int>(i);
        result.Parts.Properties.push_back(PropertyOfTrigger(model.Interface(), result.Triggers[i]));
    }
    ForEachVariable(part, [&](uint32_t& n) {
        if (IsTriggerVariable(n)) {
            n = static_cast<uint32_t>(kVarTrigger1 + position[static_cast<int>(n) - kVarTrigger1]);
        }
    });
    // The subtree alone in a graph of its own, with the active container's copy as its result.
    TXRInterfaceModel scratchInterface;
    TXRGraphModel scratch(scratchInterface);
    const std::vector<TXRComponentContainer*> copies = scratch.Insert(part, 0, 0);
    const size_t at =
        static_cast<size_t>(std::find(subtree.begin(), subtree.end(), active) - subtree.begin());
    if (at >= copies.size() || copies[at] == nullptr) return std::nullopt;
    scratch.Tree().SetRoot(copies[at]->Component);
    result.Parts.InnerTree = scratch.Tree().WriteTree();
    return result;
}

}  // namespace vandrel
