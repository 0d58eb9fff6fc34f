#pragma once

// A thread-safe dictionary of statistic values (counters, lists, texts) that tells a weak
// delegate of changes, one notification per burst of changes. The application, every slot and
// every ad keep one; the application hears of the ads' changes and sends them with the next
// request.
//
// Thread-safe: the values live on the dictionary's own serial queue ("com.zivivu.durez.
// statistics" unless named otherwise). Writes are asynchronous and readers synchronous, so a
// read sees every write its thread made before it. The delegate reference has a lock of its
// own (never held while the delegate is called), so a notification can run on the delegate's
// queue without touching the dictionary's.
//
// Notifications: a write that asks to notify queues one notifier behind itself unless one is
// already waiting; the notifier hands one didUpdateStatisticDictionary to the delegate's
// notification queue. All writes queued before the notifier runs share that notification.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ads/foundation/GADQueue.h"
#include "platform/base/Value.h"

namespace platform {
class SerialQueue;
}

namespace ads {

class GADStatisticDictionary;

class GADStatisticDictionaryDelegate {
  public:
    virtual ~GADStatisticDictionaryDelegate() = default;
    // Where the delegate wants to hear; without a queue it hears nothing.
    virtual GADQueue notificationQueue() = 0;
    virtual void didUpdateStatisticDictionary(
        const std::shared_ptr<GADStatisticDictionary>& dictionary) = 0;
};

class GADStatisticDictionary : public std::enable_shared_from_this<GADStatisticDictionary> {
  public:
    static constexpr const char* kDefaultQueueLabel = "com.zivivu.durez.statistics";

    static std::shared_ptr<GADStatisticDictionary> create(
        std::weak_ptr<GADStatisticDictionaryDelegate> delegate = {},
        std::string queueLabel = kDefaultQueueLabel);
    ~GADStatisticDictionary();
    GADStatisticDictionary(const GADStatisticDictionary&) = delete;
    GADStatisticDictionary& operator=(const GADStatisticDictionary&) = delete;

    // A null value or an empty key changes nothing.
    void setObject(platform::Value value, std::string key, bool shouldNotifyDelegate);
    void setObjectForKeyedSubscript(platform::Value value, std::string key) {
        setObject(std::move(value), std::move(key), false);
    }
    // Counters are 64-bit integers, starting from 0 and held at the integer range's ends; a
    // key that holds anything else keeps it.
    void addNumber(std::int64_t amount, std::string key, bool shouldNotifyDelegate);
    void incrementNumberForKey(std::string key, bool shouldNotifyDelegate) {
        addNumber(1, std::move(key), shouldNotifyDelegate);
    }
    void decrementNumberForKey(std::string key, bool shouldNotifyDelegate) {
        addNumber(-1, std::move(key), shouldNotifyDelegate);
    }
    // Appends to the list under the key, starting one; a key that holds anything else keeps
    // it.
    void addObjectToArrayWithKey(platform::Value value, std::string key, bool shouldNotifyDelegate);

    std::optional<platform::Value> objectForKey(const std::string& key) const;
    // A copy of every value.
    platform::Value dictionary() const;

    void setDelegate(std::weak_ptr<GADStatisticDictionaryDelegate> delegate);
    std::shared_ptr<GADStatisticDictionaryDelegate> delegate() const;

    // From now on the dictionary is read-only and silent: writes queued after this call are
    // dropped, the notifications already on their way are waited for, and the delegate is let
    // go. Never call it on the dictionary's queue or on the delegate's notification queue.
    void didFinishModifying();

    // "<GADStatisticDictionary: 0x...>\nqueue: <label>\nstatistics: <pretty JSON>"
    std::string description() const;

  private:
    struct Private {};

  public:
    GADStatisticDictionary(Private, std::weak_ptr<GADStatisticDictionaryDelegate> delegate,
                           std::string queueLabel);

  private:
    struct State {
        platform::Value::Dictionary values;
        bool allowModification = true;
        bool notificationQueued = false;
    };

    void write(bool notify, std::function<void(platform::Value::Dictionary&)> change);
    void notifyDelegate();

    std::shared_ptr<platform::SerialQueue> queue_;
    // Touched only on queue_.
    State state_;
    mutable std::mutex delegateMutex_;
    std::weak_ptr<GADStatisticDictionaryDelegate> delegate_;
};

}  // namespace ads
