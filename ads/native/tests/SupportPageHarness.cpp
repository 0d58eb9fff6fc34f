#include "ads/native/tests/SupportPageHarness.h"

#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADRequest.h"
#include "ads/native/GADNativeConstants.h"
#include "platform/base/PercentEncoding.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads::testing {

namespace {

bool holdsSupportPage(const platform::web::FakeWebPage& page) {
    for (const auto& load : page.loads()) {
        if (load.html.find("preProcessJsonGmsg") != std::string::npos) return true;
    }
    return false;
}

}  // namespace

std::string nativeAnswer(const platform::Value& templateID, platform::Value::Dictionary more) {
    return *platform::Json::write(nativeConfiguration(templateID, std::move(more)));
}

std::shared_ptr<GADRequest> requestWithNativeAd(const std::string& json) {
    using platform::Value;
    auto request = GADRequest::request();
    request->registerAdNetworkExtras(GADExtras::create(Value::Dictionary{
        {"_ad", Value::dictionary(
                    {{"ad_html", Value(json)}, {"ad_base_url", Value("https://ads.test/")}})}}));
    return request;
}

platform::web::FakeWebPage* SupportPageHarness::waitForSupportPage(std::size_t index) {
    platform::web::FakeWebPage* found = nullptr;
    platform::testing::runMainLoopUntil([&] {
        std::size_t seen = 0;
        for (const auto& page : views.web().pages()) {
            if (!holdsSupportPage(*page)) continue;
            if (seen++ == index) {
                found = page.get();
                return true;
            }
        }
        return false;
    });
    return found;
}

void SupportPageHarness::finishLoading(platform::web::FakeWebPage& page) {
    page.fireStart();
    page.fireFinish();
    scope.runUntilIdle();
}

void SupportPageHarness::answer(platform::web::FakeWebPage& page, const std::string& success) {
    // A page's message is read on the ad view's parse queue and only then comes back to the
    // main thread: an idle loop does not say it has arrived, and a clock moved on before it
    // does would fire the time-out first. So wait for the message itself, when a view is
    // there to read it.
    bool posted = false;
    auto observation = platform::NotificationCenter::defaultCenter().observe(
        kGADNativeAdPreProcessMessage, nullptr,
        [&posted](const platform::Notification&) { posted = true; });
    const bool read = page.viewAlive();
    page.fireNavigation(
        "gmsg://movuroute/nativeAdPreProcess?success=" + platform::percentEncodeComponent(success),
        platform::web::NavigationType::Other);
    if (read) platform::testing::runMainLoopUntil([&] { return posted; });
    platform::testing::runMainLoopUntil([&] { return scope.runUntilIdle() == 0; });
}

std::string SupportPageHarness::preprocessingScript(const platform::web::FakeWebPage& page) {
    for (const auto& script : page.evaluations()) {
        if (script.rfind("zivivu.rade.nativeAds.preProcessJsonGmsg(", 0) == 0) return script;
    }
    return {};
}

}  // namespace ads::testing
