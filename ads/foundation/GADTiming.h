#pragma once

// One named stopwatch on the SDK's millisecond clock (GADAbsoluteTime), with a small
// dictionary of the caller's values. Statistics time mediation adapters with it and store it
// between launches.
//
// Thread-safe: every field lives on the timing's own serial queue ("com.zivivu.durez.timing").
// Writers are asynchronous and read the clock at the call, so the recorded instant is the
// call's; readers are synchronous and so see every write made before them on their thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace platform {
class SerialQueue;
}

namespace ads {

class GADTiming : public std::enable_shared_from_this<GADTiming> {
  public:
    // Without a category the timing is named after itself: "GADTiming (0x...)".
    static std::shared_ptr<GADTiming> create(std::optional<std::string> category = std::nullopt);
    // From the stored form {"category", "start", "end", "userData"}. Its numbers are readings
    // of the clock of the process that stored them, so a timing still running then reports no
    // elapsed time until it is started again.
    static std::shared_ptr<GADTiming> createWithDictionaryRepresentation(
        const platform::Value& dictionary);
    ~GADTiming();
    GADTiming(const GADTiming&) = delete;
    GADTiming& operator=(const GADTiming&) = delete;

    // {"category", "start", "end"} and "userData" when there is any.
    platform::Value dictionaryRepresentation() const;
    // The same timing as a new object (without its explicit-end flag).
    std::shared_ptr<GADTiming> copy() const;
    // "GADTiming (0x...): {...}"
    std::string description() const;

    // Restarts from any state: start now, no end.
    void start();
    // Ends now, when started; an idle timing stays idle.
    void end();
    // Back to idle.
    void reset();

    std::uint64_t startTimestamp() const;
    std::uint64_t endTimestamp() const;
    void setStartTimestamp(std::uint64_t milliseconds);
    void setEndTimestamp(std::uint64_t milliseconds);

    // Started and not ended.
    bool isActive() const;
    // End minus start once ended (0 when never started). While running: 0 with an explicit
    // end, else the time so far - never a wrapped-around number, so 0 for a start that lies
    // ahead of now or that another process's clock recorded.
    std::uint64_t elapsedMilliseconds() const;
    std::string elapsedMillisecondsString() const;

    // The caller's values; a null value is ignored.
    void setValue(platform::Value value, std::string key);
    void removeValueForKey(std::string key);
    std::optional<platform::Value> valueForKey(const std::string& key) const;

    std::string category() const;
    void setCategory(std::string category);
    // A running timing with an explicit end reports nothing until it is ended.
    bool explicitEnd() const;
    void setExplicitEnd(bool explicitEnd);

  private:
    struct Private {};

  public:
    explicit GADTiming(Private);

  private:
    struct Fields {
        std::string category;
        std::uint64_t start = 0;
        std::uint64_t end = 0;
        bool explicitEnd = false;
        // The start was read from another process's clock.
        bool foreignStart = false;
        platform::Value::Dictionary userData;
    };

    Fields fields() const;
    void write(std::function<void(Fields&)> change);

    std::shared_ptr<platform::SerialQueue> queue_;
    // Touched only on queue_.
    std::shared_ptr<Fields> fields_;
};

}  // namespace ads
