// The three native formats on real WebKit against our loopback ad server: one loader of types
// "1", "2" and "3" gets a content, an app install and a custom template ad with their pictures,
// and a custom click runs its handler once the support page answers "nativeAdCustomClick".
// Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include "ads/foundation/GADRequest.h"
#include "ads/native/GADAdLoader.h"
#include "ads/native/GADNativeAdAttribution.h"
#include "ads/native/GADNativeAdImage.h"
#include "ads/native/GADNativeAppInstallAd.h"
#include "ads/native/GADNativeContentAd.h"
#include "ads/native/GADNativeCustomTemplateAd.h"
#include "ads/native/tests/NativeFormatTestSupport.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/runtime/Clock.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using platform::Value;
using tools::adserver::AdScenario;
using tools::adserver::RequestKind;

using testing::EveryFormatDelegate;

class GADNativeFormatsWebKitTest : public ::testing::Test {
  protected:
    static constexpr const char* kUnit = "ca-movu-native-formats";

    void SetUp() override {
        MOVU_SKIP_WITHOUT_DISPLAY();
        ASSERT_TRUE(ads.server().isRunning());
        loader = GADAdLoader::create(kUnit, controller, {"1", "2", "3"}, {});
        ASSERT_TRUE(loader);
        loader->setDelegate(delegate);
        ASSERT_EQ(loader->delegate(), delegate);
    }
    void TearDown() override {
        loader.reset();
        delegate->received.clear();
        scope.runUntilIdle();
    }
    // The server answers with the template; waits for what the delegate hears.
    std::shared_ptr<GADNativeAd> load(int nativeTemplate) {
        ads.server().setScenario(kUnit, AdScenario::native().withNativeTemplate(nativeTemplate));
        const std::size_t heard = delegate->received.size();
        loader->loadRequest(GADRequest::request());
        EXPECT_TRUE(waitFor(
            [&] { return delegate->received.size() > heard || !delegate->failures.empty(); }));
        EXPECT_TRUE(delegate->failures.empty()) << nativeTemplate;
        return delegate->received.size() > heard ? delegate->received.back() : nullptr;
    }
    bool waitFor(const std::function<bool()>& condition) {
        return ads.waitOnMainLoopUntil(condition, 20);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdServerFixture ads;
    ads::testing::SDKCoreTestScope core;
    std::shared_ptr<platform::ui::ViewController> controller =
        platform::ui::ViewController::create();
    std::shared_ptr<EveryFormatDelegate> delegate =
        std::make_shared<EveryFormatDelegate>(Value::Array{Value("10063170")});
    std::shared_ptr<GADAdLoader> loader;
};

TEST_F(GADNativeFormatsWebKitTest, OneLoaderGetsEachFormatWithItsPictures) {
    const auto content = std::dynamic_pointer_cast<GADNativeContentAd>(load(1));
    ASSERT_TRUE(content);
    EXPECT_EQ(content->advertiser(), "Movuroute");
    ASSERT_TRUE(content->logo());
    EXPECT_TRUE(content->logo()->image());
    ASSERT_EQ(content->images().size(), 1u);
    EXPECT_TRUE(content->images()[0]->image());
    EXPECT_EQ(content->attribution()->text(), "Ad");
    EXPECT_EQ(content->attribution()->icons().size(), 1u);

    const auto install = std::dynamic_pointer_cast<GADNativeAppInstallAd>(load(2));
    ASSERT_TRUE(install);
    EXPECT_TRUE(install->icon()->image());
    EXPECT_EQ(install->starRating().toString(), "4.5");
    EXPECT_EQ(install->store(), "Movuroute Store");
    EXPECT_EQ(install->price(), "Free");

    const auto custom = std::dynamic_pointer_cast<GADNativeCustomTemplateAd>(load(3));
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->templateID(), "10063170");
    EXPECT_EQ(custom->availableAssetKeys(), (std::vector<std::string>{"Picture", "Title"}));
    ASSERT_TRUE(custom->imageForKey("Picture"));
    EXPECT_TRUE(custom->imageForKey("Picture")->image());
    EXPECT_EQ(ads.log().count(RequestKind::NativePage), 3u);
}

TEST_F(GADNativeFormatsWebKitTest, ACustomClickRunsItsHandlerOnceThePageAnswers) {
    const auto custom = std::dynamic_pointer_cast<GADNativeCustomTemplateAd>(load(3));
    ASSERT_TRUE(custom);
    const std::size_t clicksBefore = ads.log().count(RequestKind::ClickTracking);
    // The click's time-out runs on the test's manual clock, which nothing here moves: however
    // slowly WebKit answers in real time, the pending click cannot expire before the page does.
    ASSERT_TRUE(platform::Clock::manual());
    const double clickedAt = platform::Clock::monotonic();
    int runs = 0;
    custom->performClickOnAssetWithKey("Title", [&] { ++runs; });
    EXPECT_EQ(runs, 0);
    ASSERT_TRUE(waitFor([&] { return runs == 1; }));
    EXPECT_LT(platform::Clock::monotonic() - clickedAt,
              GADNativeCustomTemplateAd::kCustomClickTimeoutSeconds);
    EXPECT_FALSE(custom->hasPendingCustomClick());
    // The app handles the click: the page pings and opens nothing of its own.
    EXPECT_EQ(ads.log().count(RequestKind::ClickTracking), clicksBefore);

    // The next one is taken again.
    custom->performClickOnAssetWithKey("Picture", [&] { ++runs; });
    ASSERT_TRUE(waitFor([&] { return runs == 2; }));
}

}  // namespace
}  // namespace ads
