#include "editor/model/undo_history.h"

#include <utility>

namespace vandrel {

void TUndoHistory::Reset(std::string state) {
    states_.clear();
    bytes_ = state.size();
    states_.push_back(std::move(state));
    at_ = 0;
}

void TUndoHistory::Record(std::string state) {
    if (states_.empty()) {
        Reset(std::move(state));
        return;
    }
    if (states_[at_] == state) return;
    while (states_.size() > at_ + 1) {
        bytes_ -= states_.back().size();
        states_.pop_back();
    }
    bytes_ += state.size();
    states_.push_back(std::move(state));
    at_ = states_.size() - 1;
    Trim();
}

void TUndoHistory::Reach(const std::string& state) {
    if (at_ > 0 && states_[at_ - 1] == state) {
        --at_;
    } else if (at_ + 1 < states_.size() && states_[at_ + 1] == state) {
        ++at_;
    } else {
        Record(state);
    }
}

void TUndoHistory::Trim() {
    // The present state always stays, whatever its size.
    while (states_.size() > 1 && (states_.size() > depth_ + 1 || bytes_ > budget_)) {
        bytes_ -= states_.front().size();
        states_.pop_front();
        --at_;
    }
}

const std::string* TUndoHistory::StepBack() {
    if (at_ == 0 || states_.empty()) return nullptr;
    return &states_[--at_];
}

const std::string* TUndoHistory::StepForward() {
    if (states_.empty() || at_ + 1 >= states_.size()) return nullptr;
    return &states_[++at_];
}

}  // namespace vandrel
