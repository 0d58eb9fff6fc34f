#pragma once

// The thread of one start of a looping effect: it starts the source and moves it from the attack
// into the loop. The effect owns it and, before touching the source again (restart, stop,
// unload, teardown), cancels it and waits for it, so the thread never races the main thread on
// the source's queue and never outlives the source.

#include <pthread.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace sound {

class OpenALThread {
  public:
    // The body gets the cancel flag and must return soon after it is set.
    using Body = std::function<void(const std::atomic<bool>& cancelled)>;

    OpenALThread(Body body, int priority, bool fixedPriority);
    ~OpenALThread();  // cancels and joins
    OpenALThread(const OpenALThread&) = delete;
    OpenALThread& operator=(const OpenALThread&) = delete;

    // Answers false when the thread runs already or cannot be created.
    bool Start();
    void SetPriority(int priority, bool fixedPriority);
    void Cancel();
    void Join();
    bool IsRunning() const { return running_.load(); }
    int DefaultPriority() const { return defaultPriority_; }

  private:
    void Entry();
    void ApplyPriority(pthread_t thread);

    Body body_;
    int defaultPriority_ = 0;
    int priority_ = 0;
    bool fixedPriority_ = false;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace sound
