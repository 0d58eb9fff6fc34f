#pragma once

// The SDK's start-up: steps that must run once, on the main thread, before the first ad is
// asked for. Each component registers its step with a rank (the components live in rooms
// above this one, so the list is filled at start-up instead of naming them); the steps run in
// rank order, steps of one rank in the order they came.
//
// run() may be called from any thread, any number of times: off the main thread it is posted
// to the main loop, and the list runs at the first call that reaches the main thread. The
// guard is set before the first step runs, so a step that reaches a start-up moment again
// does not run the list a second time. A step registered after the list ran runs at once (on
// the main thread). A mutex guards the table because components register from any thread.

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace ads {

class GADEarlyActivities : public std::enable_shared_from_this<GADEarlyActivities> {
  public:
    // The built-in order of the start-up steps.
    enum class Rank : int {
        DeviceFacts = 1,
        MRAIDInterceptor = 2,
        TokenDispenser = 3,
        Pinger = 4,
        InAppPurchaseReporter = 5,
        CrashReporter = 6,
        ContentHashing = 7,
    };
    using Step = std::function<void()>;

    static std::shared_ptr<GADEarlyActivities> create();

    void add(Rank rank, Step step) { add(static_cast<int>(rank), std::move(step)); }
    void add(int rank, Step step);
    void run();
    // Whether the list has started running.
    bool hasRun() const;

  private:
    struct Private {};

  public:
    explicit GADEarlyActivities(Private) {}

  private:
    mutable std::mutex mutex_;
    std::multimap<int, Step> steps_;
    bool started_ = false;
};

}  // namespace ads
