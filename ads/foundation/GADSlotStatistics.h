#pragma once

// How each mediation adapter attempt of one slot went: its duration and how it ended, as two
// lists the next request carries ("adapter_duration", "adapter_exit"), kept between launches
// under the slot's ad unit id.

#include <optional>
#include <string>

#include "ads/foundation/GADStatistics.h"

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

    // Waits until the lists' changes are stored.
    void waitForSaves() const;

  private:
    std::optional<std::string> identifier_;
};

}  // namespace ads
