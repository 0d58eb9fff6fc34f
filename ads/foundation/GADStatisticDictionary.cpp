#include "ads/foundation/GADStatisticDictionary.h"

#include <cstdio>
#include <limits>

#include "ads/foundation/GADJSONAdditions.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

using platform::Value;

std::shared_ptr<GADStatisticDictionary> GADStatisticDictionary::create(
    std::weak_ptr<GADStatisticDictionaryDelegate> delegate, std::string queueLabel) {
    return std::make_shared<GADStatisticDictionary>(Private{}, std::move(delegate),
                                                    std::move(queueLabel));
}

GADStatisticDictionary::GADStatisticDictionary(
    Private, std::weak_ptr<GADStatisticDictionaryDelegate> delegate, std::string queueLabel)
    : queue_(std::make_shared<platform::SerialQueue>(std::move(queueLabel))),
      delegate_(std::move(delegate)) {}

GADStatisticDictionary::~GADStatisticDictionary() = default;

void GADStatisticDictionary::write(bool notify, std::function<void(Value::Dictionary&)> change) {
    // Queued work holds the dictionary: a change made just before the owner lets go still
    // lands and is still announced.
    queue_->async([self = shared_from_this(), notify, change = std::move(change)] {
        State& state = self->state_;
        if (!state.allowModification) return;
        change(state.values);
        if (notify && !state.notificationQueued) {
            state.notificationQueued = true;
            self->queue_->async([self] { self->notifyDelegate(); });
        }
    });
}

void GADStatisticDictionary::notifyDelegate() {
    state_.notificationQueued = false;
    auto listener = delegate();
    if (!listener) return;
    GADQueue queue = listener->notificationQueue();
    listener.reset();
    queue.async([self = shared_from_this()] {
        // Asked again: the delegate may have been replaced or let go in the meantime.
        if (auto current = self->delegate()) current->didUpdateStatisticDictionary(self);
    });
}

void GADStatisticDictionary::setObject(Value value, std::string key, bool shouldNotifyDelegate) {
    if (value.isNull() || key.empty()) return;
    write(shouldNotifyDelegate, [value = std::move(value), key = std::move(key)](
                                    Value::Dictionary& values) { values[key] = value; });
}

void GADStatisticDictionary::addNumber(std::int64_t amount, std::string key,
                                       bool shouldNotifyDelegate) {
    write(shouldNotifyDelegate, [amount, key = std::move(key)](Value::Dictionary& values) {
        auto it = values.find(key);
        if (it == values.end()) {
            values.emplace(key, Value(amount));
            return;
        }
        if (!it->second.isInteger()) return;
        std::int64_t sum = 0;
        if (__builtin_add_overflow(it->second.asInteger(), amount, &sum)) {
            sum = amount > 0 ? std::numeric_limits<std::int64_t>::max()
                             : std::numeric_limits<std::int64_t>::min();
        }
        it->second = Value(sum);
    });
}

void GADStatisticDictionary::addObjectToArrayWithKey(Value value, std::string key,
                                                     bool shouldNotifyDelegate) {
    if (key.empty()) return;
    write(shouldNotifyDelegate,
          [value = std::move(value), key = std::move(key)](Value::Dictionary& values) {
              auto it = values.find(key);
              if (it == values.end()) {
                  values.emplace(key, Value::array({value}));
              } else if (auto* list = it->second.arrayPtr()) {
                  list->push_back(value);
              }
          });
}

std::optional<Value> GADStatisticDictionary::objectForKey(const std::string& key) const {
    std::optional<Value> found;
    queue_->sync([&] {
        auto it = state_.values.find(key);
        if (it != state_.values.end()) found = it->second;
    });
    return found;
}

Value GADStatisticDictionary::dictionary() const {
    Value copy = Value::dictionary();
    queue_->sync([&] { copy = Value(state_.values); });
    return copy;
}

void GADStatisticDictionary::setDelegate(std::weak_ptr<GADStatisticDictionaryDelegate> delegate) {
    std::lock_guard lock(delegateMutex_);
    delegate_ = std::move(delegate);
}

std::shared_ptr<GADStatisticDictionaryDelegate> GADStatisticDictionary::delegate() const {
    std::lock_guard lock(delegateMutex_);
    return delegate_.lock();
}

void GADStatisticDictionary::didFinishModifying() {
    queue_->sync([this] { state_.allowModification = false; });
    queue_->sync([this] {
        // Notifiers queued before the switch have run by now; wait for the calls they handed
        // to the delegate's queue.
        if (auto listener = delegate()) {
            GADQueue queue = listener->notificationQueue();
            listener.reset();
            queue.sync([] {});
        }
    });
    setDelegate({});
}

std::string GADStatisticDictionary::description() const {
    const Value values = dictionary();
    char head[64];
    std::snprintf(head, sizeof head,
                  "<GADStatisticDictionary: %p>\nqueue: ", static_cast<const void*>(this));
    auto json = gad_JSONString(values, true);
    return head + queue_->label() + "\nstatistics: " + (json ? *json : values.description());
}

}  // namespace ads
