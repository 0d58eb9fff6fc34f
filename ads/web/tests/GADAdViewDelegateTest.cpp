#include "ads/web/GADAdViewDelegate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADCSIGMSGHandler.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Application.h"
#include "platform/web/FakeWebPage.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;

// Everything the handlers ran and every fallback notification, in the order they happened.
using Journal = std::vector<std::string>;

using platform::web::NavigationType;

// Every call the page delegate made of its opener.
class RecordingOpener : public GADOpenerProtocol {
  public:
    void setNavigationURL(std::optional<std::string> url) override { navigationURL = url; }
    void setViewController(std::weak_ptr<platform::ui::ViewController>) override {}
    void setAdView(std::weak_ptr<GADAdView> view) override { adView = view; }
    void setReferringURL(std::optional<Url> url) override { referringURL = std::move(url); }
    void clearSlot() override { calls.push_back("clearSlot"); }
    bool isSlotMRAIDEnabled() const override { return mraid; }
    void openApp(const Url& url) override { calls.push_back("app " + url.absoluteString()); }
    void openEmailComposer(const Url& url) override {
        calls.push_back("mail " + url.absoluteString());
    }
    void openSmsComposer(const Url& url) override {
        calls.push_back("sms " + url.absoluteString());
    }
    void openBrowserToURL(const Url& url, std::uint64_t orientations) override {
        calls.push_back("browser " + url.absoluteString() + " " + std::to_string(orientations));
    }

    std::vector<std::string> calls;
    std::optional<std::string> navigationURL;
    std::weak_ptr<GADAdView> adView;
    std::optional<Url> referringURL;
    bool mraid = false;
};

// Takes every navigation it is asked as the user's click, whose target is the link with
// "click=1" added.
class ClickingDelegate : public GADAdViewDelegate {
  public:
    explicit ClickingDelegate(std::shared_ptr<GADOpenerProtocol> opener)
        : GADAdViewDelegate(Private{}, std::move(opener)) {}
    platform::web::NavigationPolicy adViewPolicyForNavigation(
        const std::shared_ptr<GADAdView>& adView, const platform::UrlRequest& request,
        NavigationType type) override {
        ++clicks;
        return policyForClick(adView, request, type);
    }
    void adViewDidHoldBackNavigation(const std::shared_ptr<GADAdView>& adView,
                                     const platform::UrlRequest& request, NavigationType) override {
        openClick(adView, request.url(),
                  [](const Url& url) { return *Url::parse(url.absoluteString() + "?click=1"); });
    }
    int clicks = 0;
};

class TestDelegate : public GADAdViewDelegate {
  public:
    explicit TestDelegate(std::shared_ptr<GADOpenerProtocol> opener = nullptr)
        : GADAdViewDelegate(Private{}, std::move(opener)) {}
    using GADAdViewDelegate::addGMSGHandler;
};

// Knows "log" and "video"; "add" appends a handler that knows "later".
class FirstHandler : public GADGMSGHandler {
  public:
    FirstHandler(Journal& journal, std::weak_ptr<TestDelegate> delegate)
        : journal_(journal), delegate_(std::move(delegate)) {}
    const GADGMSGActionTable* actionBlockDictionary() const override {
        static const GADGMSGActionTable table{
            {"log", action(&FirstHandler::record)},
            {"video", action(&FirstHandler::record)},
            {"add", action(&FirstHandler::add)},
        };
        return &table;
    }
    void record(const GADGMSGActionInfo& info) {
        journal_.push_back("first:" + info.note->name() + info.note->parameter("i").value_or(""));
    }
    void add(const GADGMSGActionInfo& info);

  private:
    Journal& journal_;
    std::weak_ptr<TestDelegate> delegate_;
};

// Knows "video" too, which the first handler always takes, and "close".
class SecondHandler : public GADGMSGHandler {
  public:
    explicit SecondHandler(Journal& journal) : journal_(journal) {}
    const GADGMSGActionTable* actionBlockDictionary() const override {
        static const GADGMSGActionTable table{
            {"video", action(&SecondHandler::record)},
            {"close", action(&SecondHandler::record)},
            {"later", action(&SecondHandler::record)},
        };
        return &table;
    }
    void record(const GADGMSGActionInfo& info) {
        journal_.push_back("second:" + info.note->name());
    }

  private:
    Journal& journal_;
};

void FirstHandler::add(const GADGMSGActionInfo& info) {
    record(info);
    if (auto delegate = delegate_.lock()) {
        delegate->addGMSGHandler(std::make_shared<SecondHandler>(journal_));
    }
}

class GADAdViewDelegateTest : public ::testing::Test {
  protected:
    GADAdViewDelegateTest() {
        observation_ = platform::NotificationCenter::defaultCenter().observe(
            "", nullptr, [this](const platform::Notification& n) {
                if (n.name.rfind("UI", 0) == 0) return;
                journal.push_back("posted:" + n.name + " " + n.userInfo.description());
                objects.push_back(n.object);
            });
    }

    void send(const std::string& url) { delegate->handleGMSGURL(*Url::parse(url), nullptr); }
    bool waitForEntries(std::size_t count) {
        return platform::testing::runMainLoopUntil([&] { return journal.size() >= count; });
    }

    // Asks the delegate as the ad view would; the answer is whether the page may load it.
    bool navigate(const std::string& url, NavigationType type = NavigationType::LinkClicked) {
        return policy->adViewShouldStartLoadWithRequest(
            adView, platform::UrlRequest(*Url::parse(url)), type);
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    Journal journal;
    std::vector<const void*> objects;
    std::shared_ptr<TestDelegate> delegate = std::make_shared<TestDelegate>();
    platform::NotificationCenter::Observation observation_;
    std::shared_ptr<RecordingOpener> opener = std::make_shared<RecordingOpener>();
    std::shared_ptr<TestDelegate> policy = std::make_shared<TestDelegate>(opener);
    std::shared_ptr<GADAdView> adView = GADAdView::create({0, 0, 320, 50});
};

TEST_F(GADAdViewDelegateTest, TheFirstHandlerThatKnowsTheActionTakesIt) {
    // Every page starts with the timing reports' handler.
    ASSERT_EQ(delegate->gmsgHandlers().size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<GADCSIGMSGHandler>(delegate->gmsgHandlers()[0]));
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    delegate->addGMSGHandler(std::make_shared<SecondHandler>(journal));
    delegate->addGMSGHandler(nullptr);
    EXPECT_EQ(delegate->gmsgHandlers().size(), 3u);

    send("gmsg://x/video");
    send("gmsg://x/close");
    send("gmsg://x/log?i=1");
    ASSERT_TRUE(waitForEntries(3));
    EXPECT_EQ(journal, (Journal{"first:video", "second:close", "first:log1"}));
}

TEST_F(GADAdViewDelegateTest, AnActionNoHandlerKnowsIsPostedNamedAfterIt) {
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    send("gmsg://x/showOverlay?height=50&html=%3Cb%3E");
    send("gmsg://x/Log");
    ASSERT_TRUE(waitForEntries(2));
    EXPECT_EQ(journal, (Journal{R"(posted:showOverlay {
    height = 50;
    html = "<b>";
})",
                                "posted:Log {\n}"}));
    EXPECT_EQ(objects, (std::vector<const void*>{nullptr, nullptr}));
}

TEST_F(GADAdViewDelegateTest, AUrlWithoutAnActionRunsAndPostsNothing) {
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    // Messages keep their order, so once the last one has arrived the others have been seen.
    send("gmsg://log");
    send("gmsg://x/");
    send("https://x/log");
    send("gmsg://x/log?i=9");
    ASSERT_TRUE(waitForEntries(1));
    scope.runUntilIdle();
    EXPECT_EQ(journal, (Journal{"first:log9"}));
}

TEST_F(GADAdViewDelegateTest, AHandlerAddedDuringDispatchSeesOnlyLaterMessages) {
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    // Both arrive before any dispatch: the second travels with the list as it was.
    send("gmsg://x/add");
    send("gmsg://x/later");
    ASSERT_TRUE(waitForEntries(2));
    EXPECT_EQ(journal, (Journal{"first:add", "posted:later {\n}"}));
    EXPECT_EQ(delegate->gmsgHandlers().size(), 3u);

    send("gmsg://x/later");
    ASSERT_TRUE(waitForEntries(3));
    EXPECT_EQ(journal.back(), "second:later");
}

TEST_F(GADAdViewDelegateTest, ABurstArrivesInTheOrderSent) {
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    Journal expected;
    for (int i = 0; i < 100; ++i) {
        // Every tenth message has no handler: the notifications keep their order too.
        if (i % 10 == 9) {
            send("gmsg://x/unknown" + std::to_string(i));
            expected.push_back("posted:unknown" + std::to_string(i) + " {\n}");
        } else {
            send("gmsg://x/log?i=" + std::to_string(i));
            expected.push_back("first:log" + std::to_string(i));
        }
    }
    ASSERT_TRUE(waitForEntries(100));
    Journal handled, posted, expectedHandled, expectedPosted;
    for (const auto& e : journal) (e.rfind("posted:", 0) == 0 ? posted : handled).push_back(e);
    for (const auto& e : expected) {
        (e.rfind("posted:", 0) == 0 ? expectedPosted : expectedHandled).push_back(e);
    }
    EXPECT_EQ(handled, expectedHandled);
    EXPECT_EQ(posted, expectedPosted);
}

TEST_F(GADAdViewDelegateTest, EachSchemeGoesWhereItBelongs) {
    policy->addGMSGHandler(std::make_shared<FirstHandler>(journal, policy));
    struct Case {
        const char* url;
        bool loads;
        const char* opened;  // what the opener was asked, "" for nothing
    };
    for (const Case& c : {
             Case{"https://ads.test/landing", true, ""},
             Case{"HTTP://ads.test/landing", true, ""},
             Case{"about:blank", true, ""},
             Case{"about:srcdoc", true, ""},
             Case{"data:text/html,%3Cp%3Ex%3C/p%3E", true, ""},
             Case{"DATA:image/png;base64,AAAA", true, ""},
             Case{"blob:https://ads.test/6f1c", true, ""},
             Case{"file:///etc/passwd", false, ""},
             Case{"mailto:a@b.test?subject=hi", false, "mail mailto:a@b.test?subject=hi"},
             Case{"sms:123", false, "sms sms:123"},
             Case{"tel:123", false, "app tel:123"},
             Case{"movuroute://startTitle", false, "app movuroute://startTitle"},
             Case{"GMSG://x/log?i=7", false, ""},
         }) {
        SCOPED_TRACE(c.url);
        opener->calls.clear();
        EXPECT_EQ(navigate(c.url, NavigationType::Other), c.loads);
        EXPECT_EQ(opener->calls,
                  c.opened[0] ? std::vector<std::string>{c.opened} : std::vector<std::string>{});
        // The opener is pointed at the page before anything is decided.
        EXPECT_EQ(opener->navigationURL, Url::parse(c.url)->absoluteString());
        EXPECT_EQ(opener->adView.lock(), adView);
    }
    ASSERT_TRUE(waitForEntries(1));
    EXPECT_EQ(journal, (Journal{"first:log7"}));
    // Only a web page the ad moves on to is recorded as the ad view's URL.
    EXPECT_EQ(adView->URL(), Url::parse("HTTP://ads.test/landing"));
}

TEST_F(GADAdViewDelegateTest, ClickedLinksOfTheShownPageAndOfMraidAds) {
    adView->loadHTMLString("<a href='#top'>x</a>", Url::parse("https://ads.test/ad"));
    scope.runUntilIdle();
    // An anchor of the page shown does not navigate when clicked.
    EXPECT_FALSE(navigate("https://ads.test/ad#top"));
    EXPECT_TRUE(navigate("https://ads.test/ad#top", NavigationType::Other));
    EXPECT_TRUE(navigate("https://ads.test/other#top"));
    EXPECT_TRUE(opener->calls.empty());

    // An MRAID ad's clicked web links open in the in-app browser; the rest is unchanged.
    opener->mraid = true;
    EXPECT_FALSE(navigate("https://ads.test/landing"));
    EXPECT_TRUE(navigate("https://ads.test/landing", NavigationType::Other));
    EXPECT_FALSE(navigate("tel:1"));
    EXPECT_EQ(opener->calls,
              (std::vector<std::string>{"browser https://ads.test/landing 30", "app tel:1"}));
}

TEST_F(GADAdViewDelegateTest, AClickGoesToTheOpenerAndARedirectIsNeverOne) {
    auto clicking = std::make_shared<ClickingDelegate>(opener);
    adView->setDelegate(clicking);
    adView->loadHTMLString("<a href='https://land.test/'>x</a>", Url::parse("https://ads.test/ad"));
    auto& page = *views.web().lastPage();
    page.setCurrentUrl("https://ads.test/ad");
    scope.runUntilIdle();
    const auto shown = adView->URL();

    // A clicked web link is opened by the opener as the click's URL and never loads, the page's
    // own or a frame's alike; what the page rules refuse they act on alone (one open each).
    // Whatever else a frame loads (its script's address) stays in the frame and opens nothing,
    // and a document made in place loads where it is asked for, but for an empty one, which
    // would blank what shows.
    auto web = page.fireNavigation("https://land.test/", NavigationType::LinkClicked);
    auto mail = page.fireNavigation("mailto:a@b.test", NavigationType::LinkClicked);
    auto blank = page.fireNavigation("about:blank", NavigationType::LinkClicked);
    auto picture = page.fireFrameNavigation("https://pictures.test/2", NavigationType::Other);
    auto framed = page.fireFrameNavigation("https://land.test/framed", NavigationType::LinkClicked);
    auto empty = page.fireFrameNavigation("about:blank", NavigationType::Other);
    auto srcdoc = page.fireFrameNavigation("about:srcdoc", NavigationType::Other);
    auto data = page.fireFrameNavigation("data:text/html,%3Cp%3E2%3C/p%3E", NavigationType::Other);
    auto blob = page.fireFrameNavigation("blob:https://ads.test/6f1c", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(web->answer, false);
    EXPECT_TRUE(web->heldBack);
    EXPECT_EQ(mail->answer, false);
    EXPECT_EQ(blank->answer, false);
    EXPECT_EQ(empty->answer, false);
    EXPECT_EQ(picture->answer, true);
    EXPECT_FALSE(picture->heldBack);
    EXPECT_EQ(framed->answer, false);
    EXPECT_TRUE(framed->heldBack);
    for (const auto& local : {srcdoc, data, blob}) {
        EXPECT_EQ(local->answer, true);
        EXPECT_FALSE(local->heldBack);
    }
    // Each click opens once it came back, after the navigations decided meanwhile, with the
    // opener pointed at it again.
    EXPECT_EQ(opener->calls,
              (std::vector<std::string>{"mail mailto:a@b.test", "app https://land.test/?click=1",
                                        "app https://land.test/framed?click=1"}));
    EXPECT_EQ(opener->referringURL, Url::parse("https://ads.test/ad"));
    EXPECT_EQ(opener->navigationURL, "https://land.test/framed");
    EXPECT_EQ(adView->URL(), shown);
    EXPECT_EQ(clicking->clicks, 9);

    // Redirects of a load the page was allowed keep the type it started with, but the
    // subclass is not asked: the page rules alone decide, and nothing is a click.
    opener->calls.clear();
    auto moved = page.fireRedirect("https://land.test/moved", NavigationType::LinkClicked);
    auto app = page.fireRedirect("movuroute://startTitle", NavigationType::LinkClicked);
    scope.runUntilIdle();
    EXPECT_EQ(moved->answer, true);
    EXPECT_EQ(app->answer, false);
    EXPECT_EQ(opener->calls, (std::vector<std::string>{"app movuroute://startTitle"}));
    EXPECT_EQ(adView->URL(), Url::parse("https://land.test/moved"));
    EXPECT_EQ(clicking->clicks, 9);
}

TEST_F(GADAdViewDelegateTest, ADeepLinkOpensItsFallbackAndPingsOnlyWebTrackingUrls) {
    platform::testing::TestHttpServer server;
    server.text("/fallback-track", "ok");
    server.text("/primary-track", "ok");
    const std::string fallbackTrack = server.url("/fallback-track");
    const auto escaped = [](std::string text) {
        std::string out;
        for (char c : text) {
            if (c == ':' || c == '/' || c == '?' || c == '&' || c == '=') {
                char buffer[4];
                std::snprintf(buffer, sizeof buffer, "%%%02X", static_cast<unsigned char>(c));
                out += buffer;
            } else {
                out += c;
            }
        }
        return out;
    };
    // This system answers no question about other apps, so the primary target never opens.
    const std::string link = "deeplink+://navigate?primaryUrl=" + escaped("movuapp://item/1") +
                             "&primaryTrackingUrl=" + escaped(server.url("/primary-track")) +
                             "&fallbackUrl=" + escaped("https://ads.test/store") +
                             "&fallbackTrackingUrl=" + escaped(fallbackTrack) +
                             "&fallbackTrackingUrl=" + escaped("file:///etc/hosts") +
                             "&fallbackTrackingUrl=" + escaped("javascript:alert(1)");
    EXPECT_FALSE(navigate(link));
    EXPECT_EQ(opener->calls, (std::vector<std::string>{"app https://ads.test/store"}));
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return server.requestCount("/fallback-track") == 1; }));
    EXPECT_EQ(server.requestCount("/primary-track"), 0u);

    // Other hosts, and a primary target that is no URL, do nothing at all.
    opener->calls.clear();
    EXPECT_FALSE(navigate("deeplink+://elsewhere?primaryUrl=" + escaped("movuapp://x") +
                          "&fallbackUrl=" + escaped("https://ads.test/store")));
    EXPECT_FALSE(navigate("deeplink+://navigate?fallbackUrl=" + escaped("https://ads.test/store")));
    // Without a fallback nothing opens, but its tracking URLs are still pinged.
    EXPECT_FALSE(navigate("deeplink+://navigate?primaryUrl=" + escaped("movuapp://x") +
                          "&fallbackTrackingUrl=" + escaped(fallbackTrack)));
    EXPECT_TRUE(opener->calls.empty());
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return server.requestCount("/fallback-track") == 2; }));

    // Switched off by the server, a deep link is just another app's URL.
    platform::UserDefaults::standard().setObject(settings_keys::kDeeplinkplusEnabled, Value(false));
    EXPECT_FALSE(navigate("deeplink+://navigate?primaryUrl=x"));
    EXPECT_EQ(opener->calls, (std::vector<std::string>{"app deeplink+://navigate?primaryUrl=x"}));
}

TEST_F(GADAdViewDelegateTest, AFinishedLoadTellsThePageItsOrientation) {
    EXPECT_FALSE(policy->hasLoadedAtLeastOnce());
    platform::ui::Application::shared().setStatusBarOrientation(3);
    policy->adViewDidFinishLoad(adView);
    EXPECT_TRUE(policy->hasLoadedAtLeastOnce());
    EXPECT_EQ(adView->orientation(), 3);
}

TEST_F(GADAdViewDelegateTest, AGoingDelegateLetsItsOpenerForgetThePage) {
    navigate("https://ads.test/x");
    ASSERT_TRUE(opener->adView.lock());
    policy.reset();
    EXPECT_FALSE(opener->adView.lock());
    EXPECT_EQ(opener->calls, (std::vector<std::string>{"clearSlot"}));
}

}  // namespace
}  // namespace ads
