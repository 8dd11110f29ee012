// A synchronous hand-over of calls from one worker thread to the user-interface thread.
//
// The worker posts a call and waits until the user-interface thread has run it. The
// user-interface side runs waiting calls from its event loop (ProcessPending, after Wake told it
// one is there) or by waiting for them itself (WaitAndProcess). A stop request withdraws a call
// that has not started yet, and every later call returns at once, so a user-interface thread that
// requests a stop and then joins the worker can never deadlock on a call nobody will run.
//
// One worker at a time: Open before it starts, Close as its last act. Calls must not start or
// stop the worker they were posted by.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace vandrel {

class THandOver {
  public:
    THandOver() = default;
    THandOver(const THandOver&) = delete;
    THandOver& operator=(const THandOver&) = delete;
    virtual ~THandOver() = default;

    // Worker thread. Runs the call on the user-interface thread and waits for it; false, without
    // it having run, when a stop was requested before it started.
    bool Call(const std::function<void()>& call);
    bool StopRequested() const { return stop_.load(std::memory_order_acquire); }
    // The worker ends: nothing more will be posted.
    void Close();

    // User-interface thread.
    void Open();
    void RequestStop();
    // Runs the waiting call, if any; true when one ran.
    bool ProcessPending();
    // Waits until a call is waiting or the worker has closed, and runs the call; false when the
    // worker has closed and nothing was waiting.
    bool WaitAndProcess();
    // Whether a worker is open.
    bool Active() const;

  protected:
    // Called on the worker thread, without locks held, after a call was posted and when the
    // worker closes: the user-interface side should run ProcessPending soon. Must not block.
    virtual void Wake() {}

  private:
    enum class State { kIdle, kPending, kRunning, kDone };

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()>* call_ = nullptr;
    State state_ = State::kIdle;
    std::atomic<bool> stop_{false};
    bool active_ = false;
};

}  // namespace vandrel
