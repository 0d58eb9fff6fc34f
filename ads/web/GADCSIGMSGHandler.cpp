#include "ads/web/GADCSIGMSGHandler.h"

#include <functional>
#include <unordered_map>

#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/foundation/GADCSIVariableTiming.h"
#include "platform/base/NumberText.h"

namespace ads {

namespace {

using SubAction = void (GADCSIGMSGHandler::*)(const GADNotification&);

const std::unordered_map<std::string, SubAction>& subActionBlockDictionary() {
    static const std::unordered_map<std::string, SubAction> table{
        {"tick", &GADCSIGMSGHandler::didReceiveTickAction},
        {"experiment", &GADCSIGMSGHandler::didReceiveExperimentAction},
        {"extra", &GADCSIGMSGHandler::didReceiveExtraAction},
    };
    return table;
}

}  // namespace

std::shared_ptr<GADCSIGMSGHandler> GADCSIGMSGHandler::create(std::weak_ptr<GADCSI> csi) {
    const bool shared = csi.expired();
    return std::make_shared<GADCSIGMSGHandler>(Private{}, std::move(csi), shared);
}

GADCSIGMSGHandler::GADCSIGMSGHandler(Private, std::weak_ptr<GADCSI> csi, bool shared)
    : csi_(std::move(csi)), useShared_(shared) {}

std::shared_ptr<GADCSI> GADCSIGMSGHandler::csi() const {
    return useShared_ ? GADCSI::sharedInstance() : csi_.lock();
}

const GADGMSGActionTable* GADCSIGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"instrument", action(&GADCSIGMSGHandler::didReceiveCSINotification)},
    };
    return &table;
}

void GADCSIGMSGHandler::didReceiveCSINotification(const GADGMSGActionInfo& info) {
    if (!info.note) return;
    auto subAction = info.note->parameter("action");
    if (!subAction) return;
    const auto& table = subActionBlockDictionary();
    auto found = table.find(*subAction);
    if (found != table.end()) (this->*(found->second))(*info.note);
}

void GADCSIGMSGHandler::didReceiveTickAction(const GADNotification& note) {
    auto label = note.parameter("label");
    auto timestampText = note.parameter("timestamp");
    if (!label || !timestampText) return;
    const std::int64_t timestamp = platform::longLongValue(*timestampText);
    if (timestamp == 0) return;
    auto hub = csi();
    if (!hub) return;
    const std::string startLabel = note.parameter("start_label").value_or(kDefaultStartLabel);
    hub->setTimestamp(timestamp, *label);
    const std::int64_t start = hub->timestampForLabel(startLabel);
    if (start == 0 || start > timestamp) return;
    auto recorder = hub->timeRecorderForAction(kRecorderAction);
    if (!recorder) return;
    // The page counts milliseconds; measurements are seconds. The difference is taken in
    // doubles: the page's numbers may be as far apart as 64 bits go.
    recorder->addCompletedVariable(GADCSIVariableTiming::create(
        *label, static_cast<double>(start) / 1000.0,
        (static_cast<double>(timestamp) - static_cast<double>(start)) / 1000.0));
}

void GADCSIGMSGHandler::didReceiveExperimentAction(const GADNotification& note) {
    auto value = note.parameter("value");
    if (!value) return;
    auto hub = csi();
    if (!hub) return;
    if (auto recorder = hub->timeRecorderForAction(kRecorderAction))
        recorder->addExperimentID(*value);
}

void GADCSIGMSGHandler::didReceiveExtraAction(const GADNotification& note) {
    auto name = note.parameter("name");
    auto value = note.parameter("value");
    if (!name || !value) return;
    auto hub = csi();
    if (!hub) return;
    if (auto recorder = hub->timeRecorderForAction(kRecorderAction)) {
        recorder->setCustomizedParameterValue(*value, *name);
    }
}

}  // namespace ads
