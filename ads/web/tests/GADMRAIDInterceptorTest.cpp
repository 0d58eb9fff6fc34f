#include "ads/web/GADMRAIDInterceptor.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADServiceOrigins.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdURLStash.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/web/ResourceInterceptor.h"

namespace ads {
namespace {

using platform::Url;
using platform::web::ResourceInterceptor;

class KindDelegate : public GADAdViewDelegateProtocol {
  public:
    explicit KindDelegate(GADMRAIDScriptKind kind) : kind_(kind) {}
    GADMRAIDScriptKind MRAIDScriptKind() const override { return kind_; }

  private:
    GADMRAIDScriptKind kind_;
};

TEST(GADMRAIDInterceptorTest, HoldsAreCountedAndAStrayReleaseTakesNoOneElsesHold) {
    GADMRAIDInterceptor::resetCanInitWithRequestCount();
    GADMRAIDInterceptor::disableCanInitWithRequest();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
    GADMRAIDInterceptor::enableCanInitWithRequest();
    GADMRAIDInterceptor::enableCanInitWithRequest();
    GADMRAIDInterceptor::disableCanInitWithRequest();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
    GADMRAIDInterceptor::disableCanInitWithRequest();
    GADMRAIDInterceptor::disableCanInitWithRequest();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 0);
    GADMRAIDInterceptor::enableCanInitWithRequest();
    EXPECT_EQ(GADMRAIDInterceptor::canInitWithRequestCount(), 1);
    GADMRAIDInterceptor::resetCanInitWithRequestCount();
}

class GADMRAIDInterceptorServingTest : public ::testing::Test {
  protected:
    GADMRAIDInterceptorServingTest() {
        GADMRAIDInterceptor::resetForTesting();
        server.text("/mads/static/mad/sdk/native/mraid/v2/mraid_app_banner.js", "banner();", 200,
                    "application/javascript");
        server.text("/mads/static/mad/sdk/native/mraid/v2/mraid_app_interstitial.js",
                    "interstitial();", 200, "application/javascript");
        server.text("/mads/static/mad/sdk/native/mraid/v2/mraid_app_expanded_banner.js",
                    "expanded();", 200, "application/javascript");
        server.text("/broken.js", "gone", 404);
        server.text("/huge.js", std::string(GADMRAIDInterceptor::kMaxScriptBytes + 1, 'x'));
        adView->setDelegate(delegate);
        adView->setURL(Url::parse("http://creative.test/ad.html"), adView);
    }
    ~GADMRAIDInterceptorServingTest() override { GADMRAIDInterceptor::resetForTesting(); }

    static ResourceInterceptor::Request request(
        const std::string& page, const std::string& script = "http://cdn.test/lib/mraid.js") {
        return {*Url::parse(script), "http://creative.test/", page};
    }
    // What the page gets: the script, "declined" (the original) or "failed".
    std::string serve(const ResourceInterceptor::Request& asked) {
        std::optional<std::string> outcome;
        ResourceInterceptor::Reply reply([&](std::optional<ResourceInterceptor::Response> r) {
            outcome = !r          ? "declined"
                      : r->failed ? "failed"
                                  : std::string(r->bytes.begin(), r->bytes.end());
        });
        GADMRAIDInterceptor::serve(asked, reply);
        reply = ResourceInterceptor::Reply(nullptr);
        EXPECT_TRUE(platform::testing::runMainLoopUntil([&] { return outcome.has_value(); }));
        return outcome.value_or("<none>");
    }

    platform::testing::TestHttpServer server;
    platform::testing::ScopedEnv adServer{kGADAdServerVariable,
                                          "http://127.0.0.1:" + std::to_string(server.port())};
    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    std::shared_ptr<KindDelegate> delegate =
        std::make_shared<KindDelegate>(GADMRAIDScriptKind::Banner);
    std::shared_ptr<GADAdView> adView = GADAdView::create({0, 0, 320, 50});
};

TEST_F(GADMRAIDInterceptorServingTest, PathsComeFromTheAdServerUntilConstantsNameOthers) {
    const std::string origin = GADAdServerOrigin().absoluteString();
    EXPECT_EQ(GADMRAIDInterceptor::bannerImplementationPath(),
              origin + "/mads/static/mad/sdk/native/mraid/v2/mraid_app_banner.js");
    GADMRAIDInterceptor::setInterstitialImplementationPath("https://scripts.test/i.js");
    // Absent and non-web values keep the path in force.
    GADMRAIDInterceptor::setInterstitialImplementationPath(std::nullopt);
    GADMRAIDInterceptor::setInterstitialImplementationPath("file:///etc/passwd");
    GADMRAIDInterceptor::setInterstitialImplementationPath("javascript:alert(1)");
    EXPECT_EQ(GADMRAIDInterceptor::interstitialImplementationPath(), "https://scripts.test/i.js");
    EXPECT_TRUE(
        GADMRAIDInterceptor::urlIsAnImplementationPath(*Url::parse("https://scripts.test/i.js")));
    GADMRAIDInterceptor::resetToDefaultPaths();
    EXPECT_FALSE(
        GADMRAIDInterceptor::urlIsAnImplementationPath(*Url::parse("https://scripts.test/i.js")));

    // The implementation itself is never intercepted, though it ends in mraid.js.
    GADMRAIDInterceptor::setExpandedBannerImplementationPath("https://scripts.test/v2/mraid.js");
    EXPECT_FALSE(GADMRAIDInterceptor::shouldRedirectForMRAID(
        *Url::parse("https://scripts.test/v2/mraid.js")));
    EXPECT_TRUE(GADMRAIDInterceptor::shouldRedirectForMRAID(
        *Url::parse("https://other.test/v2/mraid.js?x=1")));
    EXPECT_FALSE(GADMRAIDInterceptor::shouldRedirectForMRAID(
        *Url::parse("https://other.test/v2/xmraid.js")));
    EXPECT_FALSE(
        GADMRAIDInterceptor::shouldRedirectForMRAID(*Url::parse("https://other.test/mraid.js/x")));
}

TEST_F(GADMRAIDInterceptorServingTest, ServesOnlyWhileAllowedHeldAndForARegisteredPage) {
    const auto asked = request("http://creative.test/ad.html#top");
    // Not allowed, then allowed without a hold: the page gets its own mraid.js.
    EXPECT_EQ(serve(asked), "declined");
    GADMRAIDInterceptor::allow();
    EXPECT_EQ(serve(asked), "declined");
    GADMRAIDInterceptor::enableCanInitWithRequest();
    EXPECT_EQ(serve(asked), "banner();");
    // Found by the page's full address, not by the Referer trimmed to the origin; a page
    // that is no ad's, or another file, is not ours.
    EXPECT_EQ(serve(request("http://creative.test/other.html")), "declined");
    EXPECT_EQ(serve(request("http://creative.test/ad.html", "http://cdn.test/other.js")),
              "declined");
    GADMRAIDInterceptor::disallow();
    EXPECT_EQ(serve(asked), "declined");
    GADMRAIDInterceptor::allow();

    // The kind of the page's delegate picks the script; without a delegate the expanded one.
    delegate = std::make_shared<KindDelegate>(GADMRAIDScriptKind::Interstitial);
    adView->setDelegate(delegate);
    EXPECT_EQ(serve(asked), "interstitial();");
    delegate.reset();
    EXPECT_EQ(serve(asked), "expanded();");
    GADMRAIDInterceptor::disableCanInitWithRequest();
}

TEST_F(GADMRAIDInterceptorServingTest, AFailedFetchFailsTheScriptNeverServesItEmpty) {
    GADMRAIDInterceptor::allow();
    GADMRAIDInterceptor::enableCanInitWithRequest();
    const auto asked = request("http://creative.test/ad.html");
    GADMRAIDInterceptor::setBannerImplementationPath(server.url("/broken.js"));
    EXPECT_EQ(serve(asked), "failed");
    GADMRAIDInterceptor::setBannerImplementationPath(server.url("/huge.js"));
    EXPECT_EQ(serve(asked), "failed");
    GADMRAIDInterceptor::setBannerImplementationPath("http://127.0.0.1:9/refused.js");
    EXPECT_EQ(serve(asked), "failed");
    GADMRAIDInterceptor::disableCanInitWithRequest();
}

}  // namespace
}  // namespace ads
