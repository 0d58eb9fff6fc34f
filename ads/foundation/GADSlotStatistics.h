#pragma once

// How each mediation adapter attempt of one slot went: its duration and how it ended, as two
// lists the next request carries ("adapter_duration", "adapter_exit"), kept between launches
// under the slot's ad unit id.
//
// Recording and reading never wait: a waterfall of any length records its attempts in memory
// and stores them with one save once it has reported (savePersistentStatistics), which the
// saving queues write on their own. What is not saved yet is saved when the statistics go.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADStatistics.h"

namespace platform {
class SerialQueue;
}

namespace ads {

// How an adapter attempt ended; the server reads the numbers.
enum class GADAdapterExitCode : long {
    Delivered = 0,
    NoFill = 1,
    Error = 2,
    Timeout = 3,
    NoAdapterClass = 4,
};

class GADSlotStatistics : public GADStatistics {
  public:
    using GADStatistics::GADStatistics;
    ~GADSlotStatistics() override;

    // The ad unit id; the lists and timings stored under it are loaded. The same id again
    // changes nothing.
    void setIdentifier(const std::string& identifier);
    const std::optional<std::string>& identifier() const { return identifier_; }

    // Starts the timing "adapter", which reports nothing until it ends.
    void startTimingAdapter();
    // Ends it and records its milliseconds and the exit code.
    void endTimingAdapterWithExitCode(GADAdapterExitCode code);
    void endTimingAdapterWithExitCode(long code);
    void resetTimingAdapters();

    // The lists joined with ","; nothing when there is none.
    std::optional<std::string> adapterExitCodesParameter() const;
    std::optional<std::string> adapterDurationsParameter() const;

    // Hands the lists and the timing as they are now to the saving queues (only what changed
    // since the last save).
    void savePersistentStatistics();
    // Waits until every save queued so far is written.
    void waitForSaves() const;
    // How many saves were handed to the queues; the lists' queue, which tests hold to show
    // that recording and reading never wait for it.
    std::size_t savesQueued() const;
    platform::SerialQueue& savingQueue() const;

  private:
    std::optional<std::string> identifier_;
    // When the running attempt started, on the SDK's millisecond clock, and the timing this
    // object made for its attempts.
    std::optional<std::uint64_t> attemptStartedAt_;
    std::weak_ptr<GADTiming> ownTiming_;
    bool timingChanged_ = false;
    std::size_t timingSavesQueued_ = 0;
};

}  // namespace ads
