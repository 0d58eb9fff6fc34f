#pragma once

// The measurements of one action ("load_ad_ios", "make_wv", ...) waiting for a performance
// report: open ones by key until they end, ended ones by key until a report takes them, and
// the action's experiment ids and extra report parameters.
//
// Thread-safe: everything lives on the recorder's queue ("com.zivivu.durez.csi-time-recorder");
// changes are queued, reads wait for it, so a read after a change from the same thread sees
// it. Times are seconds of the monotonic clock, read when the call is made.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/GADCSIVariableTiming.h"

namespace platform {
class SerialQueue;
}

namespace ads {

class GADCSITimeRecorder : public std::enable_shared_from_this<GADCSITimeRecorder> {
  public:
    using Timings = std::map<std::string, std::shared_ptr<GADCSIVariableTiming>>;
    using Parameters = std::map<std::string, std::string>;
    // Draws the number that sets apart a second measurement ended under a taken key.
    using Random = std::function<std::uint32_t()>;

    // Nothing for an empty action.
    static std::shared_ptr<GADCSITimeRecorder> create(std::string action, Random random = {});
    GADCSITimeRecorder(const GADCSITimeRecorder&) = delete;
    GADCSITimeRecorder& operator=(const GADCSITimeRecorder&) = delete;

    static double currentTime();
    void startTimeRecorder();
    double startTime() const;

    // A new open measurement under the key (replacing an open one). Needs a name and a key.
    void startTimingVariable(const std::string& name, const std::string& key);
    // The open measurement of the key ends now: it moves to the ended ones, under the key or,
    // when that is taken, the key followed by a random number. Nothing without one.
    void endTimingVariable(const std::string& name, const std::string& key);
    void cancelTimingVariable(const std::string& name, const std::string& key);
    void startTimingVariable(const std::string& name) { startTimingVariable(name, name); }
    void endTimingVariable(const std::string& name) { endTimingVariable(name, name); }
    void cancelTimingVariable(const std::string& name) { cancelTimingVariable(name, name); }

    Timings ongoingVariables() const;
    Timings completedVariables() const;
    // An ended measurement under its name, or under the key (replacing one there).
    void addCompletedVariable(std::shared_ptr<GADCSIVariableTiming> timing);
    void addCompletedVariable(std::shared_ptr<GADCSIVariableTiming> timing, const std::string& key);
    void removeCompletedVariable(const std::string& key);
    // Hands over every ended measurement and forgets them (a report takes them all).
    Timings takeCompletedVariables();

    void addExperimentID(const std::string& experimentID);
    // The same for an id a page sends: true when the id is among the ids now (added, or there
    // already); false, with nothing changed, when `maxIDs` ids are there and it is not.
    // Waits for the recorder's queue.
    bool addExperimentIDWithin(const std::string& experimentID, std::size_t maxIDs);
    // Removes every equal entry.
    void removeExperimentID(const std::string& experimentID);
    std::vector<std::string> experimentIDs() const;
    // Needs a key; replaces.
    void setCustomizedParameterValue(const std::string& value, const std::string& key);
    // The same for a parameter a page sends: set (true) when the key has a value already or
    // fewer than `maxParameters` keys have one; otherwise nothing changes. Waits for the queue.
    bool setCustomizedParameterValueWithin(const std::string& value, const std::string& key,
                                           std::size_t maxParameters);
    Parameters customizedParameters() const;

    const std::string& action() const { return action_; }
    bool reportIRT() const { return reportIRT_; }
    void setReportIRT(bool report) { reportIRT_ = report; }

  private:
    struct Private {};

  public:
    GADCSITimeRecorder(Private, std::string action, Random random);

  private:
    void onQueue(std::function<void(GADCSITimeRecorder&)> work);
    // A read, or a change whose outcome the caller waits for.
    void onQueueNow(const std::function<void()>& work) const;

    const std::string action_;
    const Random random_;
    const std::shared_ptr<platform::SerialQueue> lockQueue_;
    std::atomic<bool> reportIRT_{false};
    std::atomic<double> startTime_{0};
    // On the queue.
    Timings ongoingVariables_;
    Timings completedVariables_;
    std::vector<std::string> experimentIDs_;
    Parameters customizedParameters_;
};

}  // namespace ads
