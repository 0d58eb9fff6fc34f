#include "ads/web/GADCSIGMSGHandler.h"

#include <functional>
#include <unordered_map>

#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/foundation/GADCSIVariableTiming.h"
#include "ads/web/GADPageLog.h"
#include "platform/base/NumberText.h"

namespace ads {

namespace {

using SubAction = std::optional<std::string> (GADCSIGMSGHandler::*)(const GADNotification&);

const std::unordered_map<std::string, SubAction>& subActionBlockDictionary() {
    static const std::unordered_map<std::string, SubAction> table{
        {"tick", &GADCSIGMSGHandler::didReceiveTickAction},
        {"experiment", &GADCSIGMSGHandler::didReceiveExperimentAction},
        {"extra", &GADCSIGMSGHandler::didReceiveExtraAction},
    };
    return table;
}

std::string refusal(const char* what, std::size_t bytes, const char* why) {
    return std::string("Ad timing report: a page's ") + what + " (" + std::to_string(bytes) +
           " bytes) is not kept: " + why + ".";
}

}  // namespace

std::vector<std::string> GADCSIGMSGHandler::subActionNames() {
    std::vector<std::string> names;
    for (const auto& [name, subAction] : subActionBlockDictionary()) names.push_back(name);
    return names;
}

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
    if (found == table.end()) return;
    if (auto refused = (this->*(found->second))(*info.note))
        GADPageLog::write(info.adView.get(), *refused);
}

std::optional<std::string> GADCSIGMSGHandler::didReceiveTickAction(const GADNotification& note) {
    auto label = note.parameter("label");
    auto timestampText = note.parameter("timestamp");
    if (!label || !timestampText) return std::nullopt;
    const std::int64_t timestamp = platform::longLongValue(*timestampText);
    if (timestamp == 0) return std::nullopt;
    auto hub = csi();
    if (!hub) return std::nullopt;
    if (label->size() > kMaxLabelBytes)
        return refusal("tick label", label->size(), "it is longer than a label may be");
    if (!hub->setTimestampWithin(timestamp, *label, kMaxLabels))
        return refusal("tick label", label->size(), "as many labels as a report may carry wait");
    const std::string startLabel = note.parameter("start_label").value_or(kDefaultStartLabel);
    const std::int64_t start = hub->timestampForLabel(startLabel);
    if (start <= 0 || start >= timestamp) return std::nullopt;
    auto recorder = hub->timeRecorderForAction(kRecorderAction);
    if (!recorder) return std::nullopt;
    // The page counts milliseconds; measurements are seconds. The difference is taken in
    // doubles: the page's numbers may be as far apart as 64 bits go.
    recorder->addCompletedVariable(GADCSIVariableTiming::create(
        *label, static_cast<double>(start) / 1000.0,
        (static_cast<double>(timestamp) - static_cast<double>(start)) / 1000.0));
    return std::nullopt;
}

std::optional<std::string> GADCSIGMSGHandler::didReceiveExperimentAction(
    const GADNotification& note) {
    auto value = note.parameter("value");
    if (!value) return std::nullopt;
    auto hub = csi();
    auto recorder = hub ? hub->timeRecorderForAction(kRecorderAction) : nullptr;
    if (!recorder) return std::nullopt;
    if (value->size() > kMaxExperimentIDBytes)
        return refusal("experiment id", value->size(), "it is longer than an id may be");
    if (!recorder->addExperimentIDWithin(*value, kMaxExperimentIDs))
        return refusal("experiment id", value->size(), "reports carry as many ids as they may");
    return std::nullopt;
}

std::optional<std::string> GADCSIGMSGHandler::didReceiveExtraAction(const GADNotification& note) {
    auto name = note.parameter("name");
    auto value = note.parameter("value");
    if (!name || !value) return std::nullopt;
    auto hub = csi();
    auto recorder = hub ? hub->timeRecorderForAction(kRecorderAction) : nullptr;
    if (!recorder) return std::nullopt;
    if (name->size() > kMaxParameterNameBytes || value->size() > kMaxParameterValueBytes) {
        return refusal("report parameter", name->size() + value->size(),
                       "its name or value is longer than they may be");
    }
    if (!recorder->setCustomizedParameterValueWithin(*value, *name, kMaxParameters)) {
        return refusal("report parameter", name->size() + value->size(),
                       "reports carry as many parameters as they may");
    }
    return std::nullopt;
}

}  // namespace ads
