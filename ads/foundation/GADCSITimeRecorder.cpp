#include "ads/foundation/GADCSITimeRecorder.h"

#include <algorithm>
#include <random>

#include "platform/runtime/Clock.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

namespace {

std::uint32_t randomNumber() {
    static thread_local std::mt19937 engine{std::random_device{}()};
    return static_cast<std::uint32_t>(engine());
}

}  // namespace

std::shared_ptr<GADCSITimeRecorder> GADCSITimeRecorder::create(std::string action, Random random) {
    if (action.empty()) return nullptr;
    return std::make_shared<GADCSITimeRecorder>(Private{}, std::move(action),
                                                random ? std::move(random) : Random(randomNumber));
}

GADCSITimeRecorder::GADCSITimeRecorder(Private, std::string action, Random random)
    : action_(std::move(action)),
      random_(std::move(random)),
      lockQueue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.csi-time-recorder")) {}

double GADCSITimeRecorder::currentTime() {
    return platform::Clock::monotonic();
}

void GADCSITimeRecorder::startTimeRecorder() {
    startTime_.store(currentTime());
}

double GADCSITimeRecorder::startTime() const {
    return startTime_.load();
}

void GADCSITimeRecorder::onQueue(std::function<void(GADCSITimeRecorder&)> work) {
    // Changes hold the recorder: one queued just before the last owner lets go still lands.
    auto self = shared_from_this();
    lockQueue_->async([self, work = std::move(work)] { work(*self); });
}

void GADCSITimeRecorder::onQueueNow(const std::function<void()>& work) const {
    // Already on the queue (a change reading back): the data is ours right now.
    if (!lockQueue_->sync(work)) work();
}

void GADCSITimeRecorder::startTimingVariable(const std::string& name, const std::string& key) {
    if (name.empty() || key.empty()) return;
    auto timing = GADCSIVariableTiming::create(name, currentTime());
    onQueue([key, timing](GADCSITimeRecorder& self) { self.ongoingVariables_[key] = timing; });
}

void GADCSITimeRecorder::endTimingVariable(const std::string& name, const std::string& key) {
    if (name.empty() || key.empty()) return;
    // The end is now, not whenever the queue gets to it.
    const double now = currentTime();
    onQueue([key, now](GADCSITimeRecorder& self) {
        auto open = self.ongoingVariables_.find(key);
        if (open == self.ongoingVariables_.end()) return;
        auto timing = open->second;
        self.ongoingVariables_.erase(open);
        timing->setLength(now - timing->start());
        std::string storeKey = key;
        // Random numbers keep the keys apart; should the draw repeat itself, counting does.
        for (std::uint64_t attempt = 0; self.completedVariables_.count(storeKey); ++attempt) {
            storeKey = key + std::to_string(attempt < 8 ? self.random_() : attempt);
        }
        self.completedVariables_[storeKey] = timing;
    });
}

void GADCSITimeRecorder::cancelTimingVariable(const std::string&, const std::string& key) {
    if (key.empty()) return;
    onQueue([key](GADCSITimeRecorder& self) { self.ongoingVariables_.erase(key); });
}

GADCSITimeRecorder::Timings GADCSITimeRecorder::ongoingVariables() const {
    Timings copy;
    onQueueNow([&] { copy = ongoingVariables_; });
    return copy;
}

GADCSITimeRecorder::Timings GADCSITimeRecorder::completedVariables() const {
    Timings copy;
    onQueueNow([&] { copy = completedVariables_; });
    return copy;
}

void GADCSITimeRecorder::addCompletedVariable(std::shared_ptr<GADCSIVariableTiming> timing) {
    if (!timing) return;
    const std::string key = timing->name();
    addCompletedVariable(std::move(timing), key);
}

void GADCSITimeRecorder::addCompletedVariable(std::shared_ptr<GADCSIVariableTiming> timing,
                                              const std::string& key) {
    if (!timing || key.empty()) return;
    onQueue([timing, key](GADCSITimeRecorder& self) { self.completedVariables_[key] = timing; });
}

void GADCSITimeRecorder::removeCompletedVariable(const std::string& key) {
    if (key.empty()) return;
    onQueue([key](GADCSITimeRecorder& self) { self.completedVariables_.erase(key); });
}

GADCSITimeRecorder::Timings GADCSITimeRecorder::takeCompletedVariables() {
    Timings taken;
    auto self = shared_from_this();
    onQueueNow([&] { taken.swap(self->completedVariables_); });
    return taken;
}

void GADCSITimeRecorder::addExperimentID(const std::string& experimentID) {
    if (experimentID.empty()) return;
    onQueue(
        [experimentID](GADCSITimeRecorder& self) { self.experimentIDs_.push_back(experimentID); });
}

bool GADCSITimeRecorder::addExperimentIDWithin(const std::string& experimentID,
                                               std::size_t maxIDs) {
    if (experimentID.empty()) return false;
    bool among = false;
    onQueueNow([&] {
        auto& ids = experimentIDs_;
        among = std::find(ids.begin(), ids.end(), experimentID) != ids.end();
        if (among || ids.size() >= maxIDs) return;
        ids.push_back(experimentID);
        among = true;
    });
    return among;
}

void GADCSITimeRecorder::removeExperimentID(const std::string& experimentID) {
    if (experimentID.empty()) return;
    onQueue([experimentID](GADCSITimeRecorder& self) {
        auto& ids = self.experimentIDs_;
        ids.erase(std::remove(ids.begin(), ids.end(), experimentID), ids.end());
    });
}

std::vector<std::string> GADCSITimeRecorder::experimentIDs() const {
    std::vector<std::string> copy;
    onQueueNow([&] { copy = experimentIDs_; });
    return copy;
}

void GADCSITimeRecorder::setCustomizedParameterValue(const std::string& value,
                                                     const std::string& key) {
    if (key.empty()) return;
    onQueue([value, key](GADCSITimeRecorder& self) { self.customizedParameters_[key] = value; });
}

bool GADCSITimeRecorder::setCustomizedParameterValueWithin(const std::string& value,
                                                           const std::string& key,
                                                           std::size_t maxParameters) {
    if (key.empty()) return false;
    bool set = false;
    onQueueNow([&] {
        auto found = customizedParameters_.find(key);
        if (found == customizedParameters_.end() && customizedParameters_.size() >= maxParameters)
            return;
        customizedParameters_[key] = value;
        set = true;
    });
    return set;
}

GADCSITimeRecorder::Parameters GADCSITimeRecorder::customizedParameters() const {
    Parameters copy;
    onQueueNow([&] { copy = customizedParameters_; });
    return copy;
}

}  // namespace ads
