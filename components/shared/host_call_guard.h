// Re-entry guard around host calls that may shade other samples on the calling thread.
//
// A lighting or ray-tracing call can run the shade callback again before it returns. The nested
// shade evaluates the thread's trees with the thread's records, this tree included, and so
// overwrites the shading variables and every component output that the outer sample still needs.
// While a guard lives, the tree counts the call in Depth, so that every nested pass first pushes
// all outputs; when the guard ends it pops them back, restores the variables and the material
// being shaded, and leaves Depth and SavedPasses as it found them. The inner tree of a custom
// component names the tree it is nested in as its LinkedTree; that tree (and, in turn, its own
// LinkedTree) gets the same treatment, since the nested shade reaches it too.
//
// Everything is saved on the stack; nothing is allocated here. The only heap use is the tree's
// output stack, which a nested pass grows when it must and which the guard shrinks back.
#pragma once

#include <array>
#include <cstdint>

#include "core/component.h"
#include "core/thread_record.h"

namespace vandrel {

class TXRTree;

// The tree of the component's shader instance; null when it has none (a component on its own).
TXRTree* HostTree(const TXRComponent& component);

class THostCallGuard {
  public:
    // Guards the component's Context and the tree of its Instance.
    explicit THostCallGuard(const TXRComponent& component);
    // Either may be null.
    THostCallGuard(TThreadRecord* context, TXRTree* tree);
    ~THostCallGuard();
    THostCallGuard(const THostCallGuard&) = delete;
    THostCallGuard& operator=(const THostCallGuard&) = delete;

    // Trees linked beyond this many levels are not guarded: the chain is never longer than two in
    // practice, and the bound keeps a corrupt chain from running away.
    static constexpr int kMaxLevels = 4;

  private:
    struct TSaved {
        TThreadRecord* context;
        TXRTree* tree;
        int32_t savedPasses;
        int32_t currentInfo;
        // Whose trigger values the saved block holds (see TThreadRecord).
        const TShaderInstance* triggersOf;
        int32_t triggersPosition;
        // The whole variable block: the host copy, SrfRev and the trigger values, which a nested
        // shade of another material with the same shader (or a custom component's nested pass)
        // rewrites as well.
        std::array<float, kVariableFloats> variables;
    };
    void Save(TThreadRecord* context, TXRTree* tree);

    std::array<TSaved, kMaxLevels> levels_;
    int count_ = 0;
};

// Runs the host call under a guard.
template <typename Call>
inline void GuardedHostCall(const TXRComponent& component, Call call) {
    THostCallGuard guard(component);
    call();
}

}  // namespace vandrel
