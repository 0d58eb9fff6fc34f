// The application-wide statistics that go with every ad request, and the per-ad statistics
// waiting to be sent.

#include "ads/foundation/GADAbsoluteTime.h"
#include "ads/foundation/GADApplication.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

using platform::Value;

namespace {

Value now() {
    return Value(static_cast<std::int64_t>(GADAbsoluteTime::absoluteTimeInMilliseconds()));
}

}  // namespace

GADQueue GADApplication::notificationQueue() {
    return GADQueue::serial(notificationSerialQueue_);
}

void GADApplication::didUpdateStatisticDictionary(
    const std::shared_ptr<GADStatisticDictionary>& dictionary) {
    if (!dictionary) return;
    auto add = [this, dictionary] { adStatistics_.insert(dictionary); };
    // The dictionaries call in on the notification queue; anyone else is put in line.
    if (notificationSerialQueue_->isCurrent()) {
        add();
    } else {
        notificationSerialQueue_->sync(add);
    }
}

GADApplication::StatisticsSet GADApplication::pendingAdStatistics() {
    StatisticsSet pending;
    notificationSerialQueue_->sync([&] { pending.swap(adStatistics_); });
    return pending;
}

void GADApplication::didNotSendAdStatistics(const StatisticsSet& statistics) {
    notificationSerialQueue_->sync(
        [&] { adStatistics_.insert(statistics.begin(), statistics.end()); });
}

void GADApplication::incrementTotalAdRequestCount() {
    statistics_->incrementNumberForKey(kRequestCountKey, false);
}

void GADApplication::decrementTotalAdRequestCount() {
    statistics_->decrementNumberForKey(kRequestCountKey, false);
}

void GADApplication::incrementTotalAdClickCount() {
    statistics_->incrementNumberForKey(kClickCountKey, false);
}

void GADApplication::incrementSequenceNumber() {
    statistics_->incrementNumberForKey(kSequenceNumberKey, false);
}

Value GADApplication::nextRequestStatisticsDictionaryForSlot(bool slotIsMediating) {
    Value copy;
    statisticsSerialQueue_->sync([&] {
        const Value time = now();
        statistics_->setObject(time, kCurrentRequestTimeKey, false);
        if (!statistics_->objectForKey(kFirstRequestTimeKey)) {
            statistics_->setObject(time, kFirstRequestTimeKey, false);
        }
        incrementSequenceNumber();
        if (slotIsMediating) {
            decrementTotalAdRequestCount();
        } else {
            incrementTotalAdRequestCount();
        }
        copy = statistics_->dictionary();
    });
    return copy;
}

std::string GADApplication::nextSequenceNumberAsString() {
    std::string text;
    statisticsSerialQueue_->sync([&] {
        incrementSequenceNumber();
        text = statistics_->objectForKey(kSequenceNumberKey).value_or(Value()).stringValue();
    });
    return text;
}

std::uint64_t GADApplication::timeSinceFirstAdRequestInMilliseconds() {
    auto first = statistics_->objectForKey(kFirstRequestTimeKey);
    if (!first || !first->isInteger()) return 0;
    const std::int64_t base = first->asInteger();
    const auto current = static_cast<std::int64_t>(GADAbsoluteTime::absoluteTimeInMilliseconds());
    // A base ahead of the clock (a clock started again) is no negative age.
    return current > base ? static_cast<std::uint64_t>(current - base) : 0;
}

void GADApplication::willLeaveApplicationDueToClickOnAd(
    std::shared_ptr<GADStatisticDictionary> adStatistics) {
    statisticsSerialQueue_->async(
        [self = shared_from_this(), adStatistics = std::move(adStatistics)] {
            self->backgroundingAd_ = adStatistics;
        });
}

void GADApplication::didBecomeActive() {
    std::shared_ptr<GADStatisticDictionary> ad;
    statisticsSerialQueue_->sync([&] { ad.swap(backgroundingAd_); });
    if (!ad) return;
    const Value returned = now();
    auto clicked = ad->objectForKey(kClickTimeKey);
    if (!clicked) return;
    ad->addObjectToArrayWithKey(Value::array({*clicked, returned}), kClickTimesKey, true);
}

}  // namespace ads
