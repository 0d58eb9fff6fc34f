#pragma once

// Turns one recorder's ended measurements into a performance report and sends it: a GET of
// the configuration's endpoint with the report in the query and the configuration's user
// agent. A report takes every ended measurement of the recorder; those that are not valid are
// dropped with it, unreported. A recorder without a valid measurement sends nothing. Lost
// reports are not retried.
//
// Any thread; the request goes out on the main loop and the completion comes there.

#include <functional>
#include <memory>
#include <optional>

#include "ads/foundation/GADPingRequest.h"
#include "platform/base/Url.h"

namespace ads {

class GADCSIConfiguration;
class GADCSITimeRecorder;

class GADCSIReporter {
  public:
    using Completion = GADPingRequest::Completion;

    // Nothing without a configuration.
    static std::shared_ptr<GADCSIReporter> create(
        std::shared_ptr<GADCSIConfiguration> configuration);
    GADCSIReporter(const GADCSIReporter&) = delete;
    GADCSIReporter& operator=(const GADCSIReporter&) = delete;

    // Answers whether a report went out.
    bool reportTimeRecorder(const std::shared_ptr<GADCSITimeRecorder>& recorder,
                            Completion completion);
    // The report's URL ("s", "v", "action", the recorder's own parameters, "e", "it" and, when
    // the recorder asks for it, "irt"); nothing without a valid measurement. Takes the
    // recorder's ended measurements.
    std::optional<platform::Url> URLForTimeRecorder(
        const std::shared_ptr<GADCSITimeRecorder>& recorder);

  private:
    struct Private {};

  public:
    GADCSIReporter(Private, std::shared_ptr<GADCSIConfiguration> configuration);

  private:
    const std::shared_ptr<GADCSIConfiguration> configuration_;
};

}  // namespace ads
