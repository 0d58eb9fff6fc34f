#include "ads/foundation/GADCSI.h"

#include <cmath>

#include "ads/foundation/GADCSIReporter.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/GADSettings.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

std::shared_ptr<GADCSI> GADCSI::sharedInstance() {
    // Never released: the sampling decision and the recorders hold for the whole process.
    static auto* instance = [] {
        auto configuration = GADCSIConfiguration::create(kServiceName);
        configuration->setReportingProbability(GADSettings().csiReportingProbability());
        return new std::shared_ptr<GADCSI>(create(std::move(configuration)));
    }();
    return *instance;
}

std::shared_ptr<GADCSI> GADCSI::create(std::shared_ptr<GADCSIConfiguration> configuration) {
    if (!configuration) return nullptr;
    return std::make_shared<GADCSI>(Private{}, std::move(configuration));
}

GADCSI::GADCSI(Private, std::shared_ptr<GADCSIConfiguration> configuration)
    : configuration_(std::move(configuration)),
      lockQueue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.csi-lock")) {}

void GADCSI::sync(const std::function<void()>& block) const {
    if (!lockQueue_->sync(block)) block();
}

std::shared_ptr<GADCSITimeRecorder> GADCSI::timeRecorderForAction(const std::string& action) {
    if (!configuration_->reportingEnabled() || action.empty()) return nullptr;
    std::shared_ptr<GADCSITimeRecorder> recorder;
    sync([&] {
        auto found = timeRecorders_.find(action);
        if (found != timeRecorders_.end()) {
            recorder = found->second;
            if (ZWSQueryID_) recorder->setCustomizedParameterValue(*ZWSQueryID_, "gqi");
            return;
        }
        recorder = GADCSITimeRecorder::create(action);
        const std::string& version = GADRequest::sdkVersion();
        recorder->setCustomizedParameterValue(version, "sdkVersion");
        recorder->addExperimentID(version);
        timeRecorders_.emplace(action, recorder);
    });
    return recorder;
}

void GADCSI::recordTimestampForLabel(const std::string& label) {
    const double milliseconds = std::floor(platform::Clock::wallSeconds() * 1000.0);
    setTimestamp(static_cast<std::int64_t>(milliseconds), label);
}

void GADCSI::setTimestamp(std::int64_t timestamp, const std::string& label) {
    std::weak_ptr<GADCSI> weak = weak_from_this();
    lockQueue_->async([weak, timestamp, label] {
        if (auto self = weak.lock()) self->timestamps_[label] = timestamp;
    });
}

bool GADCSI::setTimestampWithin(std::int64_t timestamp, const std::string& label,
                                std::size_t maxLabels) {
    bool kept = false;
    sync([&] {
        auto found = timestamps_.find(label);
        if (found == timestamps_.end() && timestamps_.size() >= maxLabels) return;
        timestamps_[label] = timestamp;
        kept = true;
    });
    return kept;
}

std::int64_t GADCSI::timestampForLabel(const std::string& label) const {
    std::int64_t timestamp = 0;
    sync([&] {
        auto found = timestamps_.find(label);
        if (found != timestamps_.end()) timestamp = found->second;
    });
    return timestamp;
}

void GADCSI::sendReport() {
    std::weak_ptr<GADCSI> weak = weak_from_this();
    lockQueue_->async([weak] {
        auto self = weak.lock();
        if (!self) return;
        for (const auto& [action, recorder] : self->timeRecorders_) {
            if (auto reporter = GADCSIReporter::create(self->configuration_)) {
                reporter->reportTimeRecorder(recorder, nullptr);
            }
        }
        self->timestamps_.clear();
    });
}

std::optional<std::string> GADCSI::ZWSQueryID() const {
    std::optional<std::string> queryID;
    sync([&] { queryID = ZWSQueryID_; });
    return queryID;
}

void GADCSI::setZWSQueryID(std::optional<std::string> queryID) {
    std::weak_ptr<GADCSI> weak = weak_from_this();
    lockQueue_->async([weak, queryID = std::move(queryID)] {
        if (auto self = weak.lock()) self->ZWSQueryID_ = queryID;
    });
}

}  // namespace ads
