// The pop-up announcement after a game: once per serial, its expiry, its buttons.

#include "AnnounceTestSupport.h"
#include "online/AnnounceCache.h"
#include "online/AnnouncePopup.h"

using namespace online;

using namespace announce_test;

namespace {

Value popupList(const std::string& serial, const std::string& expiry, Value buttons) {
    return Value::array(
        {row({"HPVe", "Am1"}), row({"PUAd", "", serial, expiry, "News", "A new game!", buttons})});
}

class AnnouncePopupTest : public AnnounceFixture {
  protected:
    // The pop-up row as a check leaves it in memory.
    void take(const Value& list) {
        ASSERT_TRUE(platform::PropertyList::writeFile(
            cacheDir() / "status.plist",
            Value::dictionary(
                {{"popupAdInfo", list.at(1)}, {"popupAdDoneSerial", am.popupAdDoneSerial()}})));
        am.loadState();
    }
    std::shared_ptr<platform::ui::AlertView> shownAlert() {
        return platform::ui::AlertView::visibleAlert();
    }
    void relaunch() {
        am.resetForTesting();
        platform::ui::AlertView::resetAll();
        am.setAppCore(core);
        am.setInterstitialAdFactory(ads.factory());
        am.loadState();
    }
};

}  // namespace

TEST_F(AnnouncePopupTest, ASerialShowsOnceAcrossLaunches) {
    Value site = row({"Visit", "https://example.invalid/new"});
    take(popupList("7", "0", Value::array({site})));
    am.showPopupAds(AnnounceManager::kContextGameOver, nullptr);
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "News");
    EXPECT_EQ(alert->message(), "A new game!");
    EXPECT_EQ(am.popupAdDoneSerial(), 7);
    alert->tapButton(0);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.invalid/new"}));

    // Not at the start of a game, and not twice.
    am.showPopupAds(AnnounceManager::kContextStartFromTitle, nullptr);
    am.showPopupAds(AnnounceManager::kContextGameOver, nullptr);
    EXPECT_FALSE(shownAlert());

    relaunch();
    EXPECT_EQ(am.popupAdDoneSerial(), 7);
    am.showPopupAdSub();
    EXPECT_FALSE(shownAlert());

    take(popupList("8", "0", Value::array({site})));
    am.showPopupAdSub();
    EXPECT_TRUE(shownAlert());
    EXPECT_EQ(am.popupAdDoneSerial(), 8);

    // Pending unlock notices come first: no pop-up after that game.
    relaunch();
    take(popupList("9", "0", Value::array({site})));
    core->pending = true;
    am.showPopupAds(AnnounceManager::kContextGameOver, nullptr);
    EXPECT_FALSE(shownAlert());
}

TEST_F(AnnouncePopupTest, ExpiryIsA64BitTime) {
    double now = wallNow();
    take(popupList("3", std::to_string(static_cast<long long>(now) - 1), Value::array()));
    am.showPopupAdSub();
    EXPECT_FALSE(shownAlert());
    EXPECT_EQ(am.popupAdDoneSerial(), 0);

    // Year 2100: beyond 32 bits, still in the future.
    take(popupList("3", "4102444800", Value::array()));
    am.showPopupAdSub();
    EXPECT_TRUE(shownAlert());
    EXPECT_EQ(am.popupAdDoneSerial(), 3);
}

TEST_F(AnnouncePopupTest, ButtonsMapToTheEntriesThatBecameButtons) {
    take(popupList("4", "0",
                   Value::array({Value("junk"), row({"First", "https://example.invalid/1"}),
                                 Value(5), row({5, "https://example.invalid/2"}),
                                 row({"Empty", ""}), row({"Local", "file:///etc/passwd"})})));
    am.showPopupAdSub();
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    ASSERT_EQ(alert->numberOfButtons(), 4);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "First");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "");
    alert->tapButton(1);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.invalid/2"}));

    // No usable entry: one "OK" that only closes.
    relaunch();
    take(popupList("5", "0", Value::array({Value("junk")})));
    am.showPopupAdSub();
    alert = shownAlert();
    ASSERT_TRUE(alert);
    ASSERT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
    alert->tapButton(0);
    EXPECT_FALSE(shownAlert());
    EXPECT_EQ(opened.size(), 1u);

    // Malformed rows show nothing.
    for (const Value& bad :
         {popupList("0", "0", Value::array()), popupList("6", "0", Value("not buttons"))}) {
        take(bad);
        am.showPopupAdSub();
        EXPECT_FALSE(shownAlert());
    }
}

TEST_F(AnnouncePopupTest, AShutDownManagerShowsNothingAndSavesNothing) {
    take(popupList("11", "0", Value::array()));
    am.shutdown();
    am.showPopupAdSub();
    EXPECT_FALSE(shownAlert());
    // Counted as shown in memory, not on disk.
    EXPECT_EQ(am.popupAdDoneSerial(), 11);
    relaunch();
    EXPECT_EQ(am.popupAdDoneSerial(), 0);
}

TEST_F(AnnouncePopupTest, OnItsOwnHostItRecordsTheSerialAndIgnoresClicksAfterItWent) {
    TestHost host;
    host.dir = cacheDir();
    auto popup = AnnouncePopup::create(host, std::make_shared<AnnounceCache>());
    Value site = row({"Visit", "https://example.invalid/x"});
    popup->setInfo(popupList("12", "0", Value::array({site, site})).at(1));
    popup->show(wallNow());
    auto alert = shownAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(popup->alertView(), alert);
    EXPECT_EQ(popup->doneSerial(), 12);
    alert->tapButton(0);
    EXPECT_EQ(host.opened.size(), 1u);
    am.loadState();
    EXPECT_EQ(am.popupAdDoneSerial(), 12);

    popup->setInfo(popupList("13", "0", Value::array({site})).at(1));
    popup->show(wallNow());
    alert = shownAlert();
    ASSERT_TRUE(alert);
    popup.reset();
    alert->tapButton(0);
    EXPECT_EQ(host.opened.size(), 1u);
}
