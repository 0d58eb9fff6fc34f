#include "ads/foundation/GADStatisticDictionary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <limits>
#include <thread>
#include <vector>

#include "platform/runtime/SerialQueue.h"
#include "platform/testing/TestGate.h"

namespace ads {
namespace {

using platform::Value;

// Hears on a serial queue of its own; can hold the first request for its queue until the test
// lets it go, which keeps the dictionary's notifier busy meanwhile.
class RecordingDelegate : public GADStatisticDictionaryDelegate {
  public:
    GADQueue notificationQueue() override {
        if (holdFirst && asked++ == 0) {
            holding.set_value();
            gate.wait();
        }
        return GADQueue::serial(queue);
    }
    void didUpdateStatisticDictionary(
        const std::shared_ptr<GADStatisticDictionary>& dictionary) override {
        ++notifications;
        if (onUpdate) onUpdate(dictionary);
    }
    void drain() {
        queue->sync([] {});
    }

    std::shared_ptr<platform::SerialQueue> queue =
        std::make_shared<platform::SerialQueue>("test.statistics-delegate");
    std::atomic<int> notifications{0};
    std::function<void(const std::shared_ptr<GADStatisticDictionary>&)> onUpdate;
    bool holdFirst = false;
    int asked = 0;
    std::promise<void> holding;
    platform::testing::TestGate gate;
};

// Waits until the writes made so far have run, then until the notifiers they queued have run,
// then until the delegate has heard.
void settle(const std::shared_ptr<GADStatisticDictionary>& stats, RecordingDelegate& delegate) {
    stats->dictionary();
    stats->dictionary();
    delegate.drain();
}

TEST(GADStatisticDictionaryTest, OneNotificationForAllWritesQueuedBeforeTheNotifier) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->holdFirst = true;
    auto stats = GADStatisticDictionary::create(delegate);
    auto held = delegate->holding.get_future();
    stats->incrementNumberForKey("n", true);
    // The first notifier now waits in the delegate; the next ten writes queue up behind it.
    held.wait();
    for (int i = 0; i < 10; ++i) stats->incrementNumberForKey("n", true);
    delegate->gate.release();
    settle(stats, *delegate);
    EXPECT_EQ(stats->objectForKey("n"), Value(11));
    EXPECT_EQ(delegate->notifications, 2);

    // Writes that do not ask to notify stay silent.
    stats->setObject(Value("x"), "s", false);
    settle(stats, *delegate);
    EXPECT_EQ(delegate->notifications, 2);
}

TEST(GADStatisticDictionaryTest, FinishingMakesItReadOnlyAndSilent) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto stats = GADStatisticDictionary::create(delegate);
    stats->setObject(Value(1), "kept", true);
    stats->didFinishModifying();
    // The notification on its way was delivered before the delegate was let go.
    EXPECT_EQ(delegate->notifications, 1);
    EXPECT_EQ(stats->delegate(), nullptr);
    stats->setObject(Value(2), "kept", true);
    stats->incrementNumberForKey("new", true);
    stats->addObjectToArrayWithKey(Value(1), "list", true);
    settle(stats, *delegate);
    EXPECT_EQ(stats->dictionary(), Value::dictionary({{"kept", 1}}));
    EXPECT_EQ(delegate->notifications, 1);
}

TEST(GADStatisticDictionaryTest, CountersAndListsLeaveOtherValuesAlone) {
    auto stats = GADStatisticDictionary::create();
    stats->setObject(Value("text"), "n", false);
    stats->incrementNumberForKey("n", false);
    stats->decrementNumberForKey("fresh", false);
    stats->setObject(Value(std::numeric_limits<std::int64_t>::max()), "big", false);
    stats->incrementNumberForKey("big", false);
    stats->addObjectToArrayWithKey(Value(1), "list", false);
    stats->addObjectToArrayWithKey(Value("two"), "list", false);
    stats->addObjectToArrayWithKey(Value(3), "n", false);
    stats->setObject(Value(), "null", false);
    stats->setObjectForKeyedSubscript(Value(2.5), "real");
    stats->incrementNumberForKey("real", false);
    EXPECT_EQ(stats->dictionary(),
              Value::dictionary({{"n", "text"},
                                 {"fresh", -1},
                                 {"big", std::numeric_limits<std::int64_t>::max()},
                                 {"list", Value::array({1, "two"})},
                                 {"real", 2.5}}));
    EXPECT_FALSE(stats->objectForKey("null"));
    const std::string text = stats->description();
    EXPECT_NE(text.find("queue: com.zivivu.durez.statistics\nstatistics: {"), std::string::npos);
    EXPECT_NE(GADStatisticDictionary::create({}, "com.zivivu.durez.slot")
                  ->description()
                  .find("queue: com.zivivu.durez.slot"),
              std::string::npos);
}

TEST(GADStatisticDictionaryTest, ManyThreadsCountExactly) {
    auto stats = GADStatisticDictionary::create();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([stats] {
            for (int i = 0; i < 500; ++i) stats->incrementNumberForKey("hits", false);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(stats->objectForKey("hits"), Value(4000));
}

TEST(GADStatisticDictionaryTest, TheDelegateIsCalledWithoutTheLockHeld) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto stats = GADStatisticDictionary::create(delegate);
    // The delegate lets go of itself while it is being told: no deadlock, and nothing more.
    delegate->onUpdate = [](const std::shared_ptr<GADStatisticDictionary>& d) {
        d->setDelegate({});
    };
    stats->incrementNumberForKey("n", true);
    settle(stats, *delegate);
    EXPECT_EQ(delegate->notifications, 1);
    stats->incrementNumberForKey("n", true);
    settle(stats, *delegate);
    EXPECT_EQ(delegate->notifications, 1);

    // A delegate that has gone hears nothing and breaks nothing.
    auto shortLived = std::make_shared<RecordingDelegate>();
    auto orphan = GADStatisticDictionary::create(shortLived);
    shortLived.reset();
    orphan->incrementNumberForKey("n", true);
    EXPECT_EQ(orphan->objectForKey("n"), Value(1));
}

}  // namespace
}  // namespace ads
