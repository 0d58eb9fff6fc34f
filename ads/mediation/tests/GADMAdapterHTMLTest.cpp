#include "ads/mediation/GADMAdapterHTML.h"

#include <gtest/gtest.h>

#include <thread>

#include "MediationTestSupport.h"
#include "RecordingConnector.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADInternalError.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/mediation/GADMAdNetworkConnectorProtocol.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/slot/GADBannerView.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/ui/ViewController.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

using platform::Value;
using platform::web::WebSnapshot;

// The shared recording connector, keeping the errors themselves too, and which call they
// came by.
class RecordingConnector : public testing::RecordingConnector {
  public:
    std::vector<platform::Error> failures;
    std::vector<platform::Error> interstitialFailures;

    void adapterDidFailAd(Adapter& adapter, const platform::Error& error) override {
        failures.push_back(error);
        testing::RecordingConnector::adapterDidFailAd(adapter, error);
    }
    void adapterDidFailInterstitial(Adapter& adapter, const platform::Error& error) override {
        interstitialFailures.push_back(error);
        testing::RecordingConnector::adapterDidFailAd(adapter, error);
    }
};

// A picture of the page: transparent, or with its left `drawnShare` painted opaque red.
WebSnapshot picture(int width, int height, double drawnShare = 0) {
    WebSnapshot shot{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 4)};
    const int drawnColumns = int(width * drawnShare);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < drawnColumns; ++x) {
            std::uint8_t* p = &shot.rgba[(std::size_t(y) * width + x) * 4];
            p[0] = 255;
            p[3] = 255;
        }
    }
    return shot;
}

constexpr GADAdSize kBanner{{320, 50}, 0};

class GADMAdapterHTMLTest : public ::testing::Test {
  protected:
    GADMAdapterHTMLTest() {
        adapter->initWithGADMAdNetworkConnector(connector);
        connector->data = {{GADMAdapterHTML::kHTMLKey, Value("<p>ad</p>")}};
    }
    void TearDown() override {
        for (const auto& heard : connector->log) {
            EXPECT_TRUE(heard == "view" || heard.rfind("fail:", 0) == 0)
                << heard << ": the HTML adapter reports only ads and failures";
        }
    }

    // A banner request whose page answers every look with `shot`.
    std::shared_ptr<platform::web::FakeWebPage> request(std::optional<WebSnapshot> shot) {
        const auto pagesBefore = views.web().pages().size();
        adapter->getBannerWithSize(kBanner);
        if (views.web().pages().size() == pagesBefore) return nullptr;
        auto page = views.web().lastPage();
        page->setSnapshot(std::move(shot));
        return page;
    }
    // `count` looks of the rendered check, one timer interval each.
    void looks(int count) {
        for (int i = 0; i < count; ++i) scope.advance(GADMAdapterHTML::kRenderingCheckInterval);
    }
    // Runs the page's navigation to `url` and answers whether the adapter allowed it.
    // The page navigating by itself (a script's location change) unless told otherwise.
    std::optional<bool> navigate(
        platform::web::FakeWebPage& page, const std::string& url,
        platform::web::NavigationType type = platform::web::NavigationType::Other,
        platform::web::FakeWebPage::Target target = platform::web::FakeWebPage::Target::Page) {
        auto navigation = page.fireNavigation(url, type, {}, target);
        scope.runUntilIdle();
        return navigation->answer;
    }

    testing::AdsTestScope scope;
    testing::AdViewTestScope views;
    std::shared_ptr<RecordingConnector> connector = std::make_shared<RecordingConnector>();
    std::shared_ptr<GADMAdapterHTML> adapter = std::make_shared<GADMAdapterHTML>();
};

TEST_F(GADMAdapterHTMLTest, BrokenResponsesFailWithCodeTwoPassbackFirst) {
    struct Case {
        const char* name;
        Value::Dictionary entry;
        const char* text;
    };
    const Case cases[] = {
        {"empty passback, no HTML",
         {{GADMAdapterHTML::kPassbackURLKey, Value("")}},
         "Empty passback URL in TYM response."},
        {"unparsable passback",
         {{GADMAdapterHTML::kPassbackURLKey, Value("http://bad host/")},
          {GADMAdapterHTML::kHTMLKey, Value("<p>")}},
         "Invalid passback URL in TYM response."},
        {"no HTML", {}, "Missing HTML in TYM response."},
        {"empty HTML", {{GADMAdapterHTML::kHTMLKey, Value("")}}, "Missing HTML in TYM response."},
        // Credentials are strings: anything else is missing.
        {"HTML not a string",
         {{GADMAdapterHTML::kHTMLKey, Value(5)},
          {GADMAdapterHTML::kPassbackURLKey, Value(Value::Array{})}},
         "Missing HTML in TYM response."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        connector->failures.clear();
        connector->data = c.entry;
        EXPECT_FALSE(request(std::nullopt)) << "no web view for a broken response";
        ASSERT_EQ(connector->failures.size(), 1u);
        EXPECT_TRUE(connector->failures[0].is(kGADErrorDomain, 2));
        EXPECT_EQ(connector->failures[0].localizedDescription(), c.text);
        EXPECT_EQ(connector->failures[0].userInfo.asDictionary().size(), 1u);
        EXPECT_FALSE(adapter->webView());
    }
    EXPECT_TRUE(connector->views.empty());
}

TEST_F(GADMAdapterHTMLTest, LoadsTheHtmlInATransparentViewBasedOnTheAdServer) {
    auto page = request(std::nullopt);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->loads().size(), 1u);
    EXPECT_EQ(page->loads()[0].html, "<p>ad</p>");
    EXPECT_EQ(page->loads()[0].baseUrl, GADAdServerURL("/").absoluteString());
    const auto& view = adapter->webView();
    ASSERT_TRUE(view && view->webView());
    EXPECT_EQ(view->frame(), platform::Rect(0, 0, 320, 50));
    EXPECT_TRUE(view->clipsToBounds());
    EXPECT_FALSE(view->isOpaque());
    EXPECT_EQ(view->autoresizingMask(), unsigned(platform::ui::AutoresizingFlexibleWidth |
                                                 platform::ui::AutoresizingFlexibleHeight));
    const auto& settings = page->settings();
    EXPECT_FALSE(settings.opaque);
    EXPECT_EQ(settings.backgroundColor, platform::Color::clear());
    EXPECT_FALSE(settings.scalesPageToFit);
    EXPECT_TRUE(settings.allowsInlineMediaPlayback);
    EXPECT_TRUE(settings.mediaPlaybackRequiresUserAction);
    EXPECT_EQ(settings.dataDetectorTypes, 0u);
    EXPECT_FALSE(adapter->passbackUrl());
}

TEST_F(GADMAdapterHTMLTest, PassbackNavigationsFailWithNoAdAndOthersLoad) {
    struct Case {
        std::optional<const char*> passback;
        const char* navigation;
        bool isPassback;
    };
    const Case cases[] = {
        {std::nullopt, "passback://nofill", true},
        {"https://pb.example.test/no/ad", "PASSBACK:nofill", true},
        {"https://pb.example.test/no/ad/", "https://pb.example.test/no/ad", true},
        {"https://pb.example.test/no/ad", "https://pb.example.test/no/ad/?r=1", true},
        {"https://Pb.Example.TEST/no/ad", "https://pb.example.test/no/ad", true},
        {"https://pb.example.test/no/ad", "https://pb.example.test/no/ad//", false},
        {"https://pb.example.test/no/ad", "https://pb.example.test/no/ads", false},
        {"https://pb.example.test/no/ad", "https://other.example.test/no/ad", false},
        {"https://pb.example.test/", "https://pb.example.test", true},
        {"mailto:x@pb.example.test", "mailto:x@pb.example.test", false},
        {std::nullopt, "https://pb.example.test/no/ad", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.passback.value_or("-")) + " <- " + c.navigation);
        connector->failures.clear();
        connector->views.clear();
        connector->data[GADMAdapterHTML::kPassbackURLKey] = Value(c.passback.value_or(""));
        if (!c.passback) connector->data.erase(GADMAdapterHTML::kPassbackURLKey);
        auto page = request(picture(320, 50));
        ASSERT_TRUE(page);
        EXPECT_EQ(navigate(*page, c.navigation), !c.isPassback);
        if (c.isPassback) {
            ASSERT_EQ(connector->failures.size(), 1u);
            EXPECT_TRUE(connector->failures[0].is(kGADErrorDomain, 1));
            EXPECT_EQ(connector->failures[0].localizedDescription(), "Ad network returned no ad.");
        } else {
            EXPECT_TRUE(connector->failures.empty());
        }
        // After a passback the page is no longer looked at, even when it draws.
        page->setSnapshot(picture(320, 50, 1));
        looks(2);
        EXPECT_EQ(connector->views.size(), c.isPassback ? 0u : 1u);
    }
}

TEST_F(GADMAdapterHTMLTest, FollowedLinksNeverLoadInTheBanner) {
    connector->data[GADMAdapterHTML::kPassbackURLKey] = Value("https://pb.example.test/no/ad");
    auto page = request(picture(320, 50));
    ASSERT_TRUE(page);
    // Untouched, a followed link opens nothing and stays out of the strip; a link to the
    // passback still passes back.
    for (const char* link : {"https://landing.example.test/", "tel:123"}) {
        SCOPED_TRACE(link);
        EXPECT_EQ(navigate(*page, link, platform::web::NavigationType::LinkClicked), false);
    }
    // A link followed inside one of the creative's frames loads there, and a document made in
    // place loads wherever it is asked for, linked or not.
    EXPECT_EQ(
        navigate(*page, "https://landing.example.test/", platform::web::NavigationType::LinkClicked,
                 platform::web::FakeWebPage::Target::Frame),
        true);
    for (const char* local : {"about:blank", "about:srcdoc", "DATA:text/html,%3Cp%3Ex%3C/p%3E",
                              "blob:https://ads.example.test/0c1d"}) {
        SCOPED_TRACE(local);
        EXPECT_EQ(navigate(*page, local, platform::web::NavigationType::LinkClicked), true);
        EXPECT_EQ(navigate(*page, local, platform::web::NavigationType::Other,
                           platform::web::FakeWebPage::Target::Frame),
                  true);
    }
    EXPECT_TRUE(connector->failures.empty());
    EXPECT_EQ(navigate(*page, "https://pb.example.test/no/ad",
                       platform::web::NavigationType::LinkClicked),
              false);
    ASSERT_EQ(connector->failures.size(), 1u);
    EXPECT_TRUE(connector->failures[0].is(kGADErrorDomain, 1));
}

TEST_F(GADMAdapterHTMLTest, ForeignViewsAndViewsOfEarlierRequestsAreNotListenedTo) {
    auto page = request(picture(320, 50));
    ASSERT_TRUE(page);
    auto foreign = platform::web::WebView::create({320, 50});
    auto request = platform::UrlRequest::withString("https://a.test/");
    ASSERT_TRUE(request);
    EXPECT_EQ(adapter->webViewPolicyForNavigation(*foreign, *request,
                                                  platform::web::NavigationType::Other),
              platform::web::NavigationPolicy::Refuse);
    adapter->webViewIsRendered(*foreign, true);
    EXPECT_TRUE(connector->views.empty());
    EXPECT_TRUE(connector->failures.empty());

    // The next request's view replaces the first; the first no longer reaches the adapter.
    auto first = page;
    auto second = this->request(picture(320, 50));
    ASSERT_TRUE(second);
    EXPECT_EQ(navigate(*first, "passback://x"), std::nullopt);
    EXPECT_TRUE(connector->failures.empty());
    EXPECT_EQ(views.web().pages().size(), 3u);
}

TEST_F(GADMAdapterHTMLTest, ADrawnCreativeIsDeliveredOnceAndStaysWithItsBanner) {
    auto page = request(picture(320, 50, 0.05));  // 5 %: still background
    ASSERT_TRUE(page);
    looks(3);
    EXPECT_TRUE(connector->views.empty());
    page->setSnapshot(picture(320, 50, 0.2));
    looks(1);
    ASSERT_EQ(connector->views.size(), 1u);
    EXPECT_EQ(connector->views[0], adapter->webView());
    looks(10);
    EXPECT_EQ(connector->views.size(), 1u);
    EXPECT_TRUE(connector->failures.empty());

    // Clearing lets go of the view, but the banner that shows it keeps its page.
    auto shown = std::dynamic_pointer_cast<platform::web::WebContentView>(connector->views[0]);
    adapter->clearWebView();
    EXPECT_FALSE(adapter->webView());
    ASSERT_TRUE(shown && shown->webView());
    EXPECT_FALSE(shown->webView()->delegate());
}

TEST_F(GADMAdapterHTMLTest, ABlankCreativeStopsSilentlyAfterTheLastLookAndEachRequestCountsAgain) {
    // No picture, an empty one, and a transparent one all show nothing.
    for (std::optional<WebSnapshot> blank :
         {std::optional<WebSnapshot>(), std::optional<WebSnapshot>(WebSnapshot{}),
          std::optional<WebSnapshot>(picture(320, 50))}) {
        SCOPED_TRACE(blank ? blank->width : -1);
        auto page = request(blank);
        ASSERT_TRUE(page);
        looks(int(GADMAdapterHTML::kMaxRenderingChecks) - 1);  // 20.0 s
        page->setSnapshot(picture(320, 50, 1));
        looks(1);  // the 101st look still counts
        EXPECT_EQ(connector->views.size(), 1u);
        connector->views.clear();
    }
    // A page blank through all 101 looks (20.2 s) is never delivered, and nothing is said.
    auto page = request(picture(320, 50));
    ASSERT_TRUE(page);
    looks(int(GADMAdapterHTML::kMaxRenderingChecks));
    page->setSnapshot(picture(320, 50, 1));
    looks(20);
    EXPECT_TRUE(connector->views.empty());
    EXPECT_TRUE(connector->failures.empty());
    EXPECT_TRUE(adapter->webView()) << "the silent stop keeps the view";
}

TEST_F(GADMAdapterHTMLTest, ABusyPageIsAskedOnceAtATimeAndALatePictureCountsAtTheNextLook) {
    const auto waits = platform::web::WebView::synchronousWaitCount();
    auto page = request(picture(320, 50));
    ASSERT_TRUE(page);
    page->holdSnapshots(true);
    looks(3);
    EXPECT_EQ(page->snapshotRequestCount(), 1);
    // The drawn picture comes between two looks: delivered at the next one, not before.
    page->answerNextSnapshot(picture(320, 50, 1));
    scope.runUntilIdle();
    EXPECT_TRUE(connector->views.empty());
    looks(1);
    ASSERT_EQ(connector->views.size(), 1u);
    EXPECT_EQ(page->snapshotRequestCount(), 1);

    // A page that never sends its picture is given up after the 101st look all the same
    // (20.2 s), silently; what it sends afterwards is not looked at.
    page = request(picture(320, 50));
    ASSERT_TRUE(page);
    page->holdSnapshots(true);
    looks(int(GADMAdapterHTML::kMaxRenderingChecks));
    EXPECT_EQ(page->snapshotRequestCount(), 1);
    page->answerNextSnapshot(picture(320, 50, 1));
    looks(5);
    EXPECT_EQ(connector->views.size(), 1u);
    EXPECT_TRUE(connector->failures.empty());
    EXPECT_EQ(platform::web::WebView::synchronousWaitCount(), waits);
}

TEST_F(GADMAdapterHTMLTest, StoppedAdaptersNeitherLookNorAnswer) {
    auto page = request(picture(320, 50, 1));
    ASSERT_TRUE(page);
    adapter->stopBeingDelegate();
    looks(3);
    EXPECT_TRUE(connector->views.empty());

    // Gone, it leaves a page that no one listens to.
    page = request(picture(320, 50));
    ASSERT_TRUE(page);
    adapter.reset();
    EXPECT_EQ(navigate(*page, "passback://x"), std::nullopt);
    looks(3);
    EXPECT_TRUE(connector->failures.empty());
}

TEST_F(GADMAdapterHTMLTest, InterstitialsFailAtOnceWithCodeZero) {
    adapter->getInterstitial();
    adapter->presentInterstitialFromRootViewController(nullptr);
    ASSERT_EQ(connector->interstitialFailures.size(), 2u);
    for (const auto& error : connector->interstitialFailures) {
        EXPECT_TRUE(error.is(kGADErrorDomain, 0));
        EXPECT_EQ(error.localizedDescription(), "Interstitials not supported.");
    }
    EXPECT_TRUE(adapter->isBannerAnimationOK(0) && adapter->isBannerAnimationOK(8));
    EXPECT_TRUE(views.web().pages().empty());
}

TEST_F(GADMAdapterHTMLTest, OtherThreadsAreReportedNotWaitedFor) {
    std::vector<std::string> violations;
    platform::ThreadChecker::ScopedHandlerForTesting handler(
        [&](const char* function) { violations.emplace_back(function); });
    std::thread([&] { adapter->clearWebView(); }).join();
    EXPECT_FALSE(violations.empty());
}

TEST(GADMWebViewRenderedCheckerTest, ShareOfBackgroundDecides) {
    using Checker = GADMWebViewRenderedChecker;
    const platform::Size banner{320, 50};
    const auto clear = platform::Color::clear();
    EXPECT_FALSE(Checker::isRendered(std::nullopt, banner, clear));
    EXPECT_FALSE(Checker::isRendered(WebSnapshot{}, banner, clear));
    // An opaque background would count a missing picture's transparency as drawn.
    EXPECT_FALSE(Checker::isRendered(WebSnapshot{}, banner, platform::Color::whiteColor()));
    EXPECT_FALSE(Checker::isRendered(picture(320, 50), banner, clear));
    EXPECT_FALSE(Checker::isRendered(picture(320, 50, 0.1), banner, clear));  // exactly 90 %
    EXPECT_TRUE(Checker::isRendered(picture(320, 50, 0.11), banner, clear));
    // A small picture in a large view: the rest is transparent background.
    EXPECT_FALSE(Checker::isRendered(picture(32, 5, 1), banner, clear));
    EXPECT_TRUE(Checker::isRendered(picture(320, 50), banner, platform::Color::rgba(1, 0, 0)));
    EXPECT_FALSE(Checker::isRendered(picture(320, 50, 1), banner, platform::Color::rgba(1, 0, 0)));
    EXPECT_FALSE(Checker::isRendered(picture(320, 50, 1), {0, 0}, clear));
}

TEST(GADMAdapterHTMLClassTest, RegisteredAsABannerAdapterWithItsFacts) {
    registerMediationClasses();
    auto& registry = platform::ClassRegistry::shared();
    const std::string name = GADMAdapterHTML::kClassName;
    EXPECT_TRUE(registry.conformsTo(name, GADMAdNetworkAdapterProtocol::kProtocolName));
    EXPECT_TRUE(registry.instancesRespondTo(name, GADMAdNetworkAdapterProtocol::kGetBannerCall));
    EXPECT_TRUE(
        registry.instancesRespondTo(name, GADMAdNetworkAdapterProtocol::kGetInterstitialCall));
    EXPECT_FALSE(
        registry.instancesRespondTo(name, GADMAdNetworkAdapterProtocol::kChangeAdSizeCall));
    EXPECT_FALSE(registry.instancesRespondTo(name, GADMAdNetworkAdapterProtocol::kGetNativeAdCall));
    auto facts = registry.classRecord<GADMAdapterClassRecord>(name);
    ASSERT_TRUE(facts && facts->adapterVersion);
    EXPECT_EQ(facts->adapterVersion(), "1.1");
    EXPECT_FALSE(facts->networkExtrasClass);
    EXPECT_TRUE(std::dynamic_pointer_cast<GADMAdapterHTML>(
        registry.create<GADMAdNetworkAdapterProtocol>(name)));
    EXPECT_EQ(GADApplicationTestPeer::availableAdapterNamesInSet({name, "NoSuchAdapter"}),
              std::set<std::string>{name});
}

// The HTML adapter leading a real waterfall on the scripted engine.
class GADMAdapterHTMLWaterfallTest : public ::testing::Test, public testing::MediationTest {
  protected:
    testing::Network html(Value::Dictionary data) {
        return {{GADMAdapterHTML::kClassName}, {{"data", Value(std::move(data))}}};
    }
    // The page of the HTML adapter's latest request.
    std::shared_ptr<platform::web::FakeWebPage> htmlPage() {
        const auto& pages = views.web().pages();
        for (auto page = pages.rbegin(); page != pages.rend(); ++page) {
            for (const auto& load : (*page)->loads()) {
                if (load.html == "<p>html</p>") return *page;
            }
        }
        return nullptr;
    }
};

TEST_F(GADMAdapterHTMLWaterfallTest, ADrawnCreativeFillsTheBannerAndAPassbackFallsThrough) {
    // The HTML creative first, then the SDK's own network with an ad of its own.
    const Value configuration =
        config({html({{GADMAdapterHTML::kHTMLKey, Value("<p>html</p>")},
                      {GADMAdapterHTML::kPassbackURLKey, Value("https://pb.example.test/x")}}),
                {{kGADOwnAdapterClassName},
                 {{"data", Value::dictionary({{"pubid", Value("inner")}})},
                  {"ad", Value::dictionary({{"ad_html", Value("<p>own network</p>")},
                                            {"ad_base_url", Value("https://ads.test/")},
                                            {"ad_size", Value("320x50")}})}}}});
    owner->root = platform::ui::ViewController::create();
    load(configuration);
    auto page = htmlPage();
    ASSERT_TRUE(page);
    page->setSnapshot(picture(320, 50, 1));
    for (int look = 0; look < 3 && owner->views.empty(); ++look) {
        scope.advance(GADMAdapterHTML::kRenderingCheckInterval);
    }
    ASSERT_EQ(owner->views.size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<platform::web::WebContentView>(owner->views[0]));

    // The next creative passes back: the own network's inner banner shows the entry's ad.
    load(configuration);
    auto second = htmlPage();
    ASSERT_TRUE(second && second != page);
    second->fireNavigation("https://PB.example.test/x/", platform::web::NavigationType::Other);
    std::shared_ptr<platform::web::FakeWebPage> own;
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] {
        for (const auto& candidate : views.web().pages()) {
            for (const auto& load : candidate->loads()) {
                if (load.html.find("<p>own network</p>") != std::string::npos) own = candidate;
            }
        }
        return own != nullptr;
    }));
    own->fireStart();
    own->fireFinish();
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return owner->views.size() == 2; }));
    auto inner = std::dynamic_pointer_cast<GADBannerView>(owner->views[1]);
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->adUnitID(), "inner");
}

}  // namespace
}  // namespace ads
