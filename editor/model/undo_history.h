// The editor's deep history: the streams of the last edits, so that Ctrl+Z can step back through
// up to 100 of them and Ctrl+Shift+Z / Ctrl+Y forward again. A stream holds the tree, the layout,
// the interface and the flags, so a state restored from here is the shader exactly as it was.
//
// It lives beside the one-level Undo, Hold and Fetch of the session and does not change them.
// The states are bounded by count and by bytes: very large shaders keep fewer steps rather than
// hundreds of copies of themselves. Plain C++, user-interface thread only.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace vandrel {

inline constexpr size_t kUndoDepth = 100;
inline constexpr size_t kUndoByteBudget = size_t{64} << 20;

class TUndoHistory {
  public:
    explicit TUndoHistory(size_t depth = kUndoDepth, size_t byteBudget = kUndoByteBudget)
        : depth_(depth), budget_(byteBudget) {}

    // The shader just opened: the only state, nothing to step to.
    void Reset(std::string state);
    // The state after an edit. The states ahead of the present one are dropped; the oldest go
    // when more than depth steps or more bytes than the budget are kept. A state equal to the
    // present one records nothing (an edit that changed nothing is no step).
    void Record(std::string state);
    // A state reached by other means (the one-level Undo, Fetch): when it is the state one step
    // back or forward, the history moves there, so that the steps stay the edits as they were;
    // otherwise it is recorded as an edit.
    void Reach(const std::string& state);
    // The state one step back or forward, which becomes the present one; null at either end.
    const std::string* StepBack();
    const std::string* StepForward();

    size_t BackSteps() const { return at_; }
    size_t ForwardSteps() const { return states_.empty() ? 0 : states_.size() - 1 - at_; }
    const std::string* Present() const { return states_.empty() ? nullptr : &states_[at_]; }

  private:
    void Trim();

    size_t depth_;
    size_t budget_;
    std::deque<std::string> states_;
    size_t at_ = 0;
    size_t bytes_ = 0;
};

}  // namespace vandrel
