#include "editor/preview/hand_over.h"

#include "core/check.h"

namespace vandrel {

bool THandOver::Call(const std::function<void()>& call) {
    {
        std::lock_guard lock(mutex_);
        if (stop_.load(std::memory_order_relaxed)) return false;
        call_ = &call;
        state_ = State::kPending;
    }
    changed_.notify_all();
    Wake();
    std::unique_lock lock(mutex_);
    // A call already running is waited for: it reads the worker's data.
    changed_.wait(lock, [this] {
        return state_ == State::kDone ||
               (state_ == State::kPending && stop_.load(std::memory_order_relaxed));
    });
    const bool ran = state_ == State::kDone;
    state_ = State::kIdle;
    call_ = nullptr;
    return ran;
}

void THandOver::Close() {
    {
        std::lock_guard lock(mutex_);
        active_ = false;
    }
    changed_.notify_all();
    Wake();
}

void THandOver::Open() {
    std::lock_guard lock(mutex_);
    stop_.store(false, std::memory_order_release);
    active_ = true;
}

void THandOver::RequestStop() {
    {
        std::lock_guard lock(mutex_);
        stop_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
}

bool THandOver::ProcessPending() {
    const std::function<void()>* call = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::kPending) return false;
        state_ = State::kRunning;
        call = call_;
        VANDREL_DCHECK(call != nullptr);
    }
    struct Done {
        THandOver& self;
        ~Done() {
            {
                std::lock_guard lock(self.mutex_);
                self.state_ = State::kDone;
            }
            self.changed_.notify_all();
        }
    } done{*this};
    (*call)();
    return true;
}

bool THandOver::WaitAndProcess() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return state_ == State::kPending || !active_; });
        if (state_ != State::kPending) return false;
    }
    return ProcessPending();
}

bool THandOver::Active() const {
    std::lock_guard lock(mutex_);
    return active_;
}

}  // namespace vandrel
