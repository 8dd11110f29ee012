// Subtrees of the editor's graph as text (cut, copy and paste) and as custom components.
//
// A subtree is the active container and every container that feeds it. Its text is the editor
// source layout of those containers alone (positions relative to the active container, their
// connections renumbered among them, their fold digits), "#", and the custom definitions they use
// as in a stream's custom section, so that a paste into another shader brings them along. The
// text is read as untrusted: what does not parse is skipped the way a damaged layout is.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "components/custom/custom_components.h"
#include "editor/model/graph_model.h"

namespace vandrel {

// Empty for no container, the root, or a container outside the graph.
std::string CopySubtreeText(TXRGraphModel& model, const TXRComponentContainer* active);
// Rebuilds the text as new containers with the subtree's top-left corner at the point, or at
// the nearest place from there where they cover no other container.
std::vector<TXRComponentContainer*> PasteSubtreeText(TXRGraphModel& model, std::string_view text,
                                                     TPoint topLeft);

inline constexpr int32_t kFreeSpaceGap = 8;     // kept between containers
inline constexpr int32_t kFreeSpaceStep = 16;   // between the places tried
inline constexpr int32_t kFreeSpaceRings = 64;  // how far the search goes
// Moves the containers together, by the smallest offset tried, to where none of them overlaps
// the graph's other containers; leaves them where they are when no such place is near.
void MoveIntoFreeSpace(TXRGraphModel& model, const std::vector<TXRComponentContainer*>& moved);

// A subtree made ready to become a custom component: one property per distinct trigger it reads
// (in trigger order, named after the trigger's label, kind and defaults from the trigger's
// settings), and the compiled subtree with trigger n renumbered to the property's position.
struct TSubtreeComponent {
    TCustomDefinitionParts Parts;
    std::vector<int> Triggers;  // the shader's trigger behind each property
};
// Refuses, with the editor's message, a subtree holding file-based or custom components, and
// one reading more than 16 triggers.
std::optional<TSubtreeComponent> CompileSubtree(TXRGraphModel& model,
                                                const TXRComponentContainer* active);

}  // namespace vandrel
