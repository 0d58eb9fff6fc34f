// The page message "instrument": an ad's script sends it with whatever labels, names and
// numbers it likes. The handler must keep every measurement it adds finite and every text it
// keeps as sent, whatever arrives.

#include <cmath>
#include <string>

#include "FuzzSupport.h"
#include "ads/foundation/GADCSI.h"
#include "ads/foundation/GADCSITimeRecorder.h"
#include "ads/web/GADCSIGMSGHandler.h"
#include "platform/base/Url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A hub per input: what one message leaves behind must not pile up over millions.
    auto configuration = ads::GADCSIConfiguration::create(ads::GADCSI::kServiceName);
    configuration->setReportingEnabled(true);
    auto hub = ads::GADCSI::create(configuration);
    auto handler = ads::GADCSIGMSGHandler::create(hub);

    auto url =
        platform::Url::parse("gmsg://movuroute/instrument?" + std::string(fuzz::bytes(data, size)));
    if (!url) return 0;
    auto note = ads::GADNotification::createWithNotificationURL(*url);
    if (!note) return 0;
    FUZZ_CHECK(handler->handleNotification(note, nullptr));

    auto recorder = hub->timeRecorderForAction(ads::GADCSIGMSGHandler::kRecorderAction);
    FUZZ_CHECK(recorder);
    for (const auto& [key, timing] : recorder->takeCompletedVariables()) {
        FUZZ_CHECK(timing && std::isfinite(timing->start()) && std::isfinite(timing->length()));
        FUZZ_CHECK(timing->length() >= 0);
        FUZZ_CHECK(key == timing->name());
    }
    // Whatever a page sends, what is kept fits the page's limits.
    for (const auto& id : recorder->experimentIDs())
        FUZZ_CHECK(id.size() <= ads::GADCSIGMSGHandler::kMaxExperimentIDBytes);
    for (const auto& [name, value] : recorder->customizedParameters()) {
        FUZZ_CHECK(name.size() <= ads::GADCSIGMSGHandler::kMaxParameterNameBytes);
        FUZZ_CHECK(value.size() <= ads::GADCSIGMSGHandler::kMaxParameterValueBytes);
    }
    return 0;
}
