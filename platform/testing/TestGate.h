#pragma once

// A latch that a server handler can block on until the test lets it go. Time-out tests use it
// to hold a response back for exactly as long as they need, without either side sleeping.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace platform::testing {

class TestGate {
  public:
    TestGate() = default;
    TestGate(const TestGate&) = delete;
    TestGate& operator=(const TestGate&) = delete;

    // Server side: blocks until release() or abandon(). True when released, false when the
    // gate was abandoned (the server is shutting down and the handler should just return).
    bool wait();

    // Test side: lets every current and future waiter through.
    void release();
    // Lets waiters through but tells them to give up; the server calls this on shutdown so a
    // forgotten gate can never hang a test.
    void abandon();

    // Test side: blocks until at least `count` handlers have reached wait(), or `limit` passes.
    // Lets a test know a request is really being held before it checks anything.
    bool waitForArrivals(std::size_t count,
                         std::chrono::milliseconds limit = std::chrono::seconds(10));
    std::size_t arrivals() const;
    bool isReleased() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t arrivals_ = 0;
    bool released_ = false;
    bool abandoned_ = false;
};

}  // namespace platform::testing
