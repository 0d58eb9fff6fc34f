#pragma once

// The performance-report hub: one time recorder per action, wall-clock timestamps by label,
// and sendReport(), which sends each recorder's ended measurements as one report. Only a
// sampled share of processes reports (the server's "csi_reporting_probability", 0.05 by
// default, drawn once at creation); the others get no recorders and send nothing.
//
// Thread-safe: the recorders, the timestamps and the query id live on the hub's queue
// ("com.zivivu.durez.csi-lock"); a recorder is looked up or made in one step there, so two
// threads asking for the same action get the same recorder. The hub holds its recorders for
// the life of the process.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADCSIConfiguration.h"

namespace platform {
class SerialQueue;
}

namespace ads {

class GADCSITimeRecorder;

class GADCSI : public std::enable_shared_from_this<GADCSI> {
  public:
    static constexpr const char* kServiceName = "zmob_sdk";

    static std::shared_ptr<GADCSI> sharedInstance();
    // A hub of its own (tests), sampled as the configuration says.
    static std::shared_ptr<GADCSI> create(std::shared_ptr<GADCSIConfiguration> configuration);
    GADCSI(const GADCSI&) = delete;
    GADCSI& operator=(const GADCSI&) = delete;

    const std::shared_ptr<GADCSIConfiguration>& configuration() const { return configuration_; }

    // The action's recorder, made at the first call with the SDK's version as its
    // "sdkVersion" parameter and first experiment id; a recorder asked again gets the query id
    // as "gqi" once there is one. Nothing while reporting is off, or for an empty action.
    std::shared_ptr<GADCSITimeRecorder> timeRecorderForAction(const std::string& action);

    // Milliseconds since 1970, now (truncated).
    void recordTimestampForLabel(const std::string& label);
    void setTimestamp(std::int64_t timestamp, const std::string& label);
    // The same for a label a page names: kept (true) when the label has a timestamp already or
    // fewer than `maxLabels` labels have one until the next report; otherwise nothing changes.
    // Waits for the hub's queue.
    bool setTimestampWithin(std::int64_t timestamp, const std::string& label,
                            std::size_t maxLabels);
    // 0 when none.
    std::int64_t timestampForLabel(const std::string& label) const;

    // Every recorder's ended measurements go out, one report per recorder; then the
    // timestamps are forgotten. The recorders stay.
    void sendReport();

    std::optional<std::string> ZWSQueryID() const;
    void setZWSQueryID(std::optional<std::string> queryID);

    // Runs the block on the hub's queue after everything queued before it, and waits for it.
    void sync(const std::function<void()>& block) const;

  private:
    struct Private {};

  public:
    GADCSI(Private, std::shared_ptr<GADCSIConfiguration> configuration);

  private:
    const std::shared_ptr<GADCSIConfiguration> configuration_;
    const std::shared_ptr<platform::SerialQueue> lockQueue_;
    // On the queue.
    std::map<std::string, std::shared_ptr<GADCSITimeRecorder>> timeRecorders_;
    std::map<std::string, std::int64_t> timestamps_;
    std::optional<std::string> ZWSQueryID_;
};

}  // namespace ads
