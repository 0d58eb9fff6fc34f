#include "ads/native/GADOverlayView.h"

#include <gtest/gtest.h>

#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewDelegate.h"
#include "platform/base/PercentEncoding.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Value;
using platform::web::FakeWebPage;
using platform::web::NavigationType;

// The script that delivers an event to a page, as the pages see it.
std::string event(const std::string& name, const Value::Dictionary& parameters) {
    return GADAdView::JSCommandForNotificationName(name, &parameters);
}

// A host ad view on the scripted engine, its page's messages going through an ordinary
// delegate, and an overlay over it.
class GADOverlayViewTest : public ::testing::Test {
  protected:
    GADOverlayViewTest() {
        host = hostAdView();
        hostPage = views.web().lastPage();
        overlay = GADOverlayView::create({{0, 0}, {320, 50}});
        overlay->setAdView(host);
    }
    std::shared_ptr<GADAdView> hostAdView() {
        auto view = GADAdView::create({{0, 0}, {320, 50}});
        view->setDelegate(delegate);
        return view;
    }
    // The page sends a gmsg message; waits until it had its effect.
    void send(FakeWebPage& page, const std::string& action, const Value::Dictionary& parameters,
              const std::function<bool()>& done) {
        std::string query;
        for (const auto& [key, value] : parameters) {
            query += (query.empty() ? "?" : "&") + key + "=" +
                     platform::percentEncodeComponent(value.stringRef());
        }
        page.fireNavigation("gmsg://movuroute/" + action + query, NavigationType::Other);
        EXPECT_TRUE(platform::testing::runMainLoopUntil([&] {
            scope.runUntilIdle();
            return done();
        })) << action;
    }
    // Whether the page got the script.
    static std::function<bool()> received(const FakeWebPage& page, const std::string& script) {
        return [&page, script] {
            const auto& all = page.evaluations();
            return std::find(all.begin(), all.end(), script) != all.end();
        };
    }
    std::size_t loadCount() {
        std::size_t count = 0;
        for (const auto& page : views.web().pages()) count += page->loads().size();
        return count;
    }
    void loadOverlay(Value::Dictionary parameters) {
        const std::size_t loads = loadCount();
        send(*hostPage, "loadHtml", parameters, [&] { return loadCount() > loads; });
        overlayPage = views.web().lastPage();
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    std::shared_ptr<GADAdViewDelegate> delegate = GADAdViewDelegate::create();
    std::shared_ptr<GADAdView> host;
    std::shared_ptr<FakeWebPage> hostPage;
    std::shared_ptr<GADOverlayView> overlay;
    std::shared_ptr<FakeWebPage> overlayPage;
};

TEST_F(GADOverlayViewTest, TheHostPageShowsHidesAndLoadsTheOverlay) {
    EXPECT_TRUE(overlay->isHidden());
    EXPECT_FALSE(overlay->overlayAdView());
    send(*hostPage, "showOverlay", {}, [&] { return !overlay->isHidden(); });
    send(*hostPage, "hideOverlay", {}, [&] { return overlay->isHidden(); });

    loadOverlay({{"overlayHtml", Value("<p>over</p>")},
                 {"baseUrl", Value("https://ads.test/o/")},
                 {"id", Value("ov-1")}});
    const auto& subview = overlay->overlayAdView();
    ASSERT_TRUE(subview);
    EXPECT_EQ(subview->superview().get(), overlay.get());
    EXPECT_FALSE(subview->isHidden());
    EXPECT_EQ(subview->frame(), overlay->bounds());
    ASSERT_EQ(overlayPage->loads().size(), 1u);
    EXPECT_EQ(overlayPage->loads()[0].html, "<p>over</p>");
    EXPECT_EQ(overlayPage->loads()[0].baseUrl, "https://ads.test/o/");

    // Its page loads: the host hears "htmlLoaded" with the id.
    overlayPage->fireStart();
    overlayPage->fireFinish();
    const std::string loaded = event("sendMessageToNativeJs",
                                     {{"messageType", Value("htmlLoaded")}, {"id", Value("ov-1")}});
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] {
        scope.runUntilIdle();
        return received(*hostPage, loaded)();
    }));
    EXPECT_EQ(overlay->overlayIdentifier(), "ov-1");

    // The overlay page hides the overlay itself.
    send(*hostPage, "showOverlay", {}, [&] { return !overlay->isHidden(); });
    send(*overlayPage, "hideOverlay", {}, [&] { return overlay->isHidden(); });
}

TEST_F(GADOverlayViewTest, ABaseURLOtherThanAWebAddressLoadsAsAboutBlank) {
    // No base, a local file, another scheme, and "about:blank" itself: all about:blank.
    for (const char* base : {"", "file:///etc/passwd", "javascript:alert(1)", "about:blank"}) {
        Value::Dictionary parameters{{"overlayHtml", Value("<b>x</b>")}};
        if (*base) parameters["baseUrl"] = Value(base);
        loadOverlay(parameters);
        ASSERT_FALSE(overlayPage->loads().empty()) << base;
        EXPECT_EQ(overlayPage->loads().back().baseUrl, "about:blank") << base;
        EXPECT_FALSE(overlay->overlayAdView()->URL()) << base;
    }
    // No HTML, or a base that is no URL at all: nothing loads.
    const std::size_t loads = overlayPage->loads().size();
    overlay->loadOverlayWithUserInfo(Value::dictionary({{"baseUrl", Value("https://ads.test/")}}));
    overlay->loadOverlayWithUserInfo(
        Value::dictionary({{"overlayHtml", Value("<b>")}, {"baseUrl", Value("no url")}}));
    overlay->loadOverlayWithUserInfo(Value::dictionary({{"overlayHtml", Value(7)}}));
    EXPECT_EQ(overlayPage->loads().size(), loads);
}

TEST_F(GADOverlayViewTest, MessagesCrossBetweenThePagesWithTheOverlaysIdOnceLoaded) {
    // Host to overlay: the overlay's page is made on demand and gets "sendMessageToSdk".
    const std::size_t pages = views.web().pages().size();
    send(*hostPage, "sendMessageToNativeJs", {{"a", Value("1")}},
         [&] { return views.web().pages().size() > pages; });
    overlayPage = views.web().lastPage();
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] {
        scope.runUntilIdle();
        return received(*overlayPage, event("sendMessageToSdk", {{"a", Value("1")}}))();
    }));

    // Overlay to host, before any overlay page loaded: no "id".
    send(*overlayPage, "sendMessageToSdk", {{"b", Value("2")}},
         received(*hostPage, event("sendMessageToNativeJs", {{"b", Value("2")}})));

    // Loaded with an id: messages without one carry it, messages with one keep theirs.
    loadOverlay({{"overlayHtml", Value("<i>")}, {"id", Value("ov-9")}});
    overlayPage->fireStart();
    overlayPage->fireFinish();
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] {
        scope.runUntilIdle();
        return overlay->overlayIdentifier().has_value();
    }));
    send(*overlayPage, "sendMessageToSdk", {{"c", Value("3")}},
         received(*hostPage,
                  event("sendMessageToNativeJs", {{"c", Value("3")}, {"id", Value("ov-9")}})));
    send(*overlayPage, "sendMessageToSdk", {{"d", Value("4")}, {"id", Value("own")}},
         received(*hostPage,
                  event("sendMessageToNativeJs", {{"d", Value("4")}, {"id", Value("own")}})));

    // A failed load forgets the id.
    loadOverlay({{"overlayHtml", Value("<u>")}, {"id", Value("ov-10")}});
    overlayPage->fireStart();
    overlayPage->fireFail(platform::Error{"test", 1, "offline"});
    EXPECT_TRUE(platform::testing::runMainLoopUntil([&] {
        scope.runUntilIdle();
        return !overlay->overlayIdentifier().has_value();
    }));
    send(*overlayPage, "sendMessageToSdk", {{"e", Value("5")}},
         received(*hostPage, event("sendMessageToNativeJs", {{"e", Value("5")}})));
}

TEST_F(GADOverlayViewTest, ANewHostDropsTheOverlayPageAndOnlyTheNewHostIsHeard) {
    loadOverlay({{"overlayHtml", Value("<p>")}});
    send(*hostPage, "showOverlay", {}, [&] { return !overlay->isHidden(); });
    auto oldSubview = overlay->overlayAdView();

    overlay->setAdView(host);  // the same host again changes nothing
    EXPECT_EQ(overlay->overlayAdView(), oldSubview);
    EXPECT_FALSE(overlay->isHidden());

    auto newHost = hostAdView();
    auto newHostPage = views.web().lastPage();
    overlay->setAdView(newHost);
    EXPECT_FALSE(overlay->overlayAdView());
    EXPECT_FALSE(oldSubview->superview().get() == overlay.get());
    EXPECT_TRUE(overlay->isHidden());
    EXPECT_EQ(overlay->adView(), newHost);

    // The old host's messages are nobody's now; the new host's are heard.
    hostPage->fireNavigation("gmsg://movuroute/showOverlay", NavigationType::Other);
    send(*newHostPage, "loadHtml", {{"overlayHtml", Value("<q>")}},
         [&] { return overlay->overlayAdView() != nullptr; });
    EXPECT_TRUE(overlay->isHidden());
    send(*newHostPage, "showOverlay", {}, [&] { return !overlay->isHidden(); });

    // Without a host nothing is heard, and an overlay that goes stops listening.
    overlay->setAdView(nullptr);
    overlay.reset();
    send(*newHostPage, "showOverlay", {}, [] { return true; });
}

}  // namespace
}  // namespace ads
