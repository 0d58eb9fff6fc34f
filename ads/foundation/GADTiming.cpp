#include "ads/foundation/GADTiming.h"

#include <cstdio>

#include "ads/foundation/GADAbsoluteTime.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

using platform::Value;

namespace {

std::uint64_t storedMilliseconds(const Value& value) {
    if (!value.isNumber()) return 0;
    const std::int64_t n = value.asInteger();
    return n > 0 ? static_cast<std::uint64_t>(n) : 0;
}

}  // namespace

GADTiming::GADTiming(Private)
    : queue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.timing")),
      fields_(std::make_shared<Fields>()) {}

GADTiming::~GADTiming() = default;

std::shared_ptr<GADTiming> GADTiming::create(std::optional<std::string> category) {
    auto timing = std::make_shared<GADTiming>(Private{});
    if (category) {
        timing->fields_->category = std::move(*category);
    } else {
        char name[64];
        std::snprintf(name, sizeof name, "GADTiming (%p)", static_cast<const void*>(timing.get()));
        timing->fields_->category = name;
    }
    return timing;
}

std::shared_ptr<GADTiming> GADTiming::createWithDictionaryRepresentation(const Value& dictionary) {
    const Value& category = dictionary["category"];
    auto timing = create(category.isString() ? std::optional(category.stringRef()) : std::nullopt);
    Fields& f = *timing->fields_;
    f.start = storedMilliseconds(dictionary["start"]);
    f.end = storedMilliseconds(dictionary["end"]);
    f.foreignStart = true;
    // Kept as an empty dictionary when none was stored, so values set later are not lost.
    f.userData = dictionary["userData"].asDictionary();
    return timing;
}

GADTiming::Fields GADTiming::fields() const {
    Fields copy;
    queue_->sync([&] { copy = *fields_; });
    return copy;
}

void GADTiming::write(std::function<void(Fields&)> change) {
    queue_->async([fields = fields_, change = std::move(change)] { change(*fields); });
}

Value GADTiming::dictionaryRepresentation() const {
    const Fields f = fields();
    Value dict = Value::dictionary({{"category", f.category},
                                    {"start", static_cast<std::int64_t>(f.start)},
                                    {"end", static_cast<std::int64_t>(f.end)}});
    if (!f.userData.empty()) dict.set("userData", Value(f.userData));
    return dict;
}

std::shared_ptr<GADTiming> GADTiming::copy() const {
    const Fields f = fields();
    auto twin = std::make_shared<GADTiming>(Private{});
    *twin->fields_ = f;
    twin->fields_->explicitEnd = false;
    return twin;
}

std::string GADTiming::description() const {
    char head[64];
    std::snprintf(head, sizeof head, "GADTiming (%p): ", static_cast<const void*>(this));
    return head + dictionaryRepresentation().description();
}

void GADTiming::start() {
    const std::uint64_t now = GADAbsoluteTime::absoluteTimeInMilliseconds();
    write([now](Fields& f) {
        f.start = now;
        f.end = 0;
        f.foreignStart = false;
    });
}

void GADTiming::end() {
    const std::uint64_t now = GADAbsoluteTime::absoluteTimeInMilliseconds();
    write([now](Fields& f) {
        if (f.start != 0) f.end = now;
    });
}

void GADTiming::reset() {
    write([](Fields& f) {
        f.start = 0;
        f.end = 0;
        f.foreignStart = false;
    });
}

std::uint64_t GADTiming::startTimestamp() const {
    return fields().start;
}

std::uint64_t GADTiming::endTimestamp() const {
    return fields().end;
}

void GADTiming::setStartTimestamp(std::uint64_t milliseconds) {
    write([milliseconds](Fields& f) {
        f.start = milliseconds;
        f.foreignStart = false;
    });
}

void GADTiming::setEndTimestamp(std::uint64_t milliseconds) {
    write([milliseconds](Fields& f) { f.end = milliseconds; });
}

bool GADTiming::isActive() const {
    const Fields f = fields();
    return f.start != 0 && f.end == 0;
}

std::uint64_t GADTiming::elapsedMilliseconds() const {
    const Fields f = fields();
    if (f.end >= f.start) return f.end - f.start;
    if (f.explicitEnd || f.foreignStart) return 0;
    const std::uint64_t now = GADAbsoluteTime::absoluteTimeInMilliseconds();
    return now > f.start ? now - f.start : 0;
}

std::string GADTiming::elapsedMillisecondsString() const {
    return std::to_string(elapsedMilliseconds());
}

void GADTiming::setValue(Value value, std::string key) {
    if (value.isNull()) return;
    write([value = std::move(value), key = std::move(key)](Fields& f) { f.userData[key] = value; });
}

void GADTiming::removeValueForKey(std::string key) {
    write([key = std::move(key)](Fields& f) { f.userData.erase(key); });
}

std::optional<Value> GADTiming::valueForKey(const std::string& key) const {
    const Fields f = fields();
    auto it = f.userData.find(key);
    if (it == f.userData.end()) return std::nullopt;
    return it->second;
}

std::string GADTiming::category() const {
    return fields().category;
}

void GADTiming::setCategory(std::string category) {
    write([category = std::move(category)](Fields& f) { f.category = category; });
}

bool GADTiming::explicitEnd() const {
    return fields().explicitEnd;
}

void GADTiming::setExplicitEnd(bool explicitEnd) {
    write([explicitEnd](Fields& f) { f.explicitEnd = explicitEnd; });
}

}  // namespace ads
