#include "components/shared/host_call_guard.h"

#include <cstring>

#include "core/instance.h"
#include "core/tree.h"

namespace vandrel {

TXRTree* HostTree(const TXRComponent& component) {
    return component.Instance != nullptr ? &component.Instance->Tree : nullptr;
}

THostCallGuard::THostCallGuard(const TXRComponent& component)
    : THostCallGuard(component.Context, HostTree(component)) {}

THostCallGuard::THostCallGuard(TThreadRecord* context, TXRTree* tree) {
    Save(context, tree);
    if (tree == nullptr) return;
    for (TXRTree* linked = tree->LinkedTree; linked != nullptr && count_ < kMaxLevels;
         linked = linked->LinkedTree) {
        Save(linked->Context, linked);
    }
}

void THostCallGuard::Save(TThreadRecord* context, TXRTree* tree) {
    TSaved& s = levels_[static_cast<size_t>(count_++)];
    s.context = context;
    s.tree = tree;
    if (context != nullptr) {
        std::memcpy(s.variables.data(), context->Variables.data(), sizeof s.variables);
        s.triggersOf = context->TriggersOf;
        s.triggersPosition = context->TriggersPosition;
    }
    if (tree != nullptr) {
        s.savedPasses = tree->SavedPasses;
        ++tree->Depth;
        if (tree->Instance != nullptr) s.currentInfo = tree->Instance->CurrentInfo;
    }
}

THostCallGuard::~THostCallGuard() {
    // The levels are independent of each other; they are undone in the reverse order of saving.
    for (int i = count_ - 1; i >= 0; --i) {
        TSaved& s = levels_[static_cast<size_t>(i)];
        if (TXRTree* tree = s.tree) {
            --tree->Depth;
            while (tree->SavedPasses > s.savedPasses) {
                tree->PopOutputs();
                --tree->SavedPasses;
            }
            if (tree->Instance != nullptr) tree->Instance->CurrentInfo = s.currentInfo;
        }
        if (s.context != nullptr) {
            std::memcpy(s.context->Variables.data(), s.variables.data(), sizeof s.variables);
            s.context->TriggersOf = s.triggersOf;
            s.context->TriggersPosition = s.triggersPosition;
        }
    }
}

}  // namespace vandrel
