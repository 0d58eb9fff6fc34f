#include "ads/foundation/GADCSIReporter.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ads/foundation/GADCSIConfiguration.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/foundation/GADURLUtilities.h"
#include "platform/runtime/MainLoop.h"

namespace ads {

namespace {

using platform::Value;

// "<name>.<milliseconds>", rounded half away from zero; nothing for a value that is negative
// or too large to count (a clock gone wrong, or a page's made-up numbers).
std::optional<std::string> entry(const std::string& name, double seconds) {
    const double milliseconds = std::round(seconds * 1000.0);
    if (!(milliseconds >= 0 && milliseconds < 1e15)) return std::nullopt;
    char number[32];
    std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(milliseconds));
    return name + "." + number;
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        if (!text.empty()) text += ",";
        text += item;
    }
    return text;
}

}  // namespace

std::shared_ptr<GADCSIReporter> GADCSIReporter::create(
    std::shared_ptr<GADCSIConfiguration> configuration) {
    if (!configuration) return nullptr;
    return std::make_shared<GADCSIReporter>(Private{}, std::move(configuration));
}

GADCSIReporter::GADCSIReporter(Private, std::shared_ptr<GADCSIConfiguration> configuration)
    : configuration_(std::move(configuration)) {}

std::optional<platform::Url> GADCSIReporter::URLForTimeRecorder(
    const std::shared_ptr<GADCSITimeRecorder>& recorder) {
    if (!recorder) return std::nullopt;
    std::vector<std::string> it;
    std::vector<std::string> irt;
    const bool reportIRT = recorder->reportIRT();
    const double recorderStart = recorder->startTime();
    for (const auto& [key, timing] : recorder->takeCompletedVariables()) {
        if (!timing || !timing->isValid()) continue;
        const double start = timing->start();
        const double length = timing->length();
        auto lengthEntry = entry(timing->name(), length);
        if (!lengthEntry) continue;
        it.push_back(std::move(*lengthEntry));
        if (reportIRT) {
            if (auto since = entry(timing->name(), start + length - recorderStart)) {
                irt.push_back(std::move(*since));
            }
        }
    }
    if (it.empty()) return std::nullopt;

    Value::Dictionary parameters{
        {"s", Value(configuration_->serviceName())},
        {"v", Value(configuration_->version())},
        {"action", Value(recorder->action())},
    };
    for (const auto& [key, value] : recorder->customizedParameters())
        parameters[key] = Value(value);
    const auto experiments = recorder->experimentIDs();
    if (!experiments.empty()) parameters["e"] = Value(joined(experiments));
    parameters["it"] = Value(joined(it));
    if (!irt.empty()) parameters["irt"] = Value(joined(irt));
    return gad_appendQueryParameters(configuration_->server(), parameters);
}

bool GADCSIReporter::reportTimeRecorder(const std::shared_ptr<GADCSITimeRecorder>& recorder,
                                        Completion completion) {
    if (!configuration_->reportingEnabled()) return false;
    auto url = URLForTimeRecorder(recorder);
    if (!url) return false;
    platform::UrlRequest request(*url);
    request.setUserAgent(configuration_->userAgent());
    platform::MainLoop::main().runOnMain(
        [request = std::move(request), completion = std::move(completion)]() mutable {
            GADPingRequest::send(std::move(request), std::move(completion));
        });
    return true;
}

}  // namespace ads
