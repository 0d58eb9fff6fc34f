#include "ads/native/tests/SupportPageHarness.h"

#include "platform/base/PercentEncoding.h"
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
    page.fireNavigation(
        "gmsg://movuroute/nativeAdPreProcess?success=" + platform::percentEncodeComponent(success),
        platform::web::NavigationType::Other);
    platform::testing::runMainLoopUntil([&] { return scope.runUntilIdle() == 0; });
}

std::string SupportPageHarness::preprocessingScript(const platform::web::FakeWebPage& page) {
    for (const auto& script : page.evaluations()) {
        if (script.rfind("zivivu.rade.nativeAds.preProcessJsonGmsg(", 0) == 0) return script;
    }
    return {};
}

}  // namespace ads::testing
