// The banner built from the cached list, its actions, and the pop-up after a game.

#include "AnnounceTestSupport.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/View.h"

using namespace online;

using namespace announce_test;
using platform::ui::View;

namespace {

class AnnounceBannerTest : public AnnounceFixture {
  protected:
    AnnounceBannerTest() {
        parent->addSubview(alternative);
        parent->addSubview(View::create(platform::Rect(0, 0, 10, 10)));
    }

    // A cached list as a finished check leaves it: the list and its images.
    void cacheList(const Value& list) { writeCache("announce.plist", plistBytes(list)); }
    void cacheImage(const std::string& name, const std::string& bytes) {
        writeCache(name + "." + hex8(crcOf(bytes)), bytes);
    }
    Value bannerList(std::initializer_list<Value> extra = {}) {
        Value list = Value::array({
            row({"HPVe", "Am1"}),
            row({"HVSi", "320", "50"}),
            fileRow("btn", "btn.png", button),
            fileRow("gone", "gone.png", "never cached"),
            row({"UB", "10", "5", "btn", "site"}),
            row({"UI", "60", "5", "gone"}),
            row({"UB", "100", "5", "btn", "menu"}),
            row({"UB", "150", "5", "btn", "nowhere"}),
            row({"AU", "site", "https://example.invalid/more"}),
            row({"AS", "menu", "Choose",
                 Value::array({row({"Web", "site"}), row({"Deeper", "sub"}), Value("junk")})}),
            row({"AS", "sub", "Deeper", Value::array({row({"Web again", "site"})})}),
        });
        for (const Value& r : extra) list.append(r);
        return list;
    }
    void show() { am.showBannerOn(parent, alternative, {160, 480}, 0, 1); }
    std::shared_ptr<platform::ui::Button> buttonAt(std::size_t i) {
        return std::dynamic_pointer_cast<platform::ui::Button>(am.bannerView()->subviews().at(i));
    }

    std::shared_ptr<View> parent = View::create(platform::Rect(0, 0, 320, 480));
    std::shared_ptr<View> alternative = View::create(platform::Rect(0, 430, 320, 50));
    const std::string button = pngBytes(40, 30);
};

}  // namespace

TEST_F(AnnounceBannerTest, NoListLeavesTheAlternativeInPlace) {
    show();
    EXPECT_FALSE(am.bannerView());
    EXPECT_EQ(alternative->superview(), parent);
    // A list without banner items, or a rejected one, is no banner either.
    cacheList(Value::array({row({"HPVe", "Am1"})}));
    show();
    EXPECT_FALSE(am.bannerView());
    cacheList(Value::array({row({"HPVe", "Am9"}), row({"UI", "0", "0", "x"})}));
    show();
    EXPECT_FALSE(am.bannerView());
    writeCache("announce.plist", "garbage");
    show();
    EXPECT_FALSE(am.bannerView());
    EXPECT_EQ(alternative->superview(), parent);
}

TEST_F(AnnounceBannerTest, GeometryOfTheBannerAndItsItems) {
    cacheImage("btn.png", button);
    cacheList(bannerList());
    show();
    auto banner = am.bannerView();
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->bounds(), platform::Rect(0, 0, 320, 50));
    // Bottom edge on the position, centred across.
    EXPECT_EQ(banner->center(), (platform::Point{160, 455}));
    EXPECT_EQ(parent->subviews().front(), banner);
    EXPECT_FALSE(alternative->superview());
    EXPECT_TRUE(banner->transform().isIdentity());
    EXPECT_TRUE(banner->isUserInteractionEnabled());

    ASSERT_EQ(banner->subviews().size(), 4u);
    auto first = buttonAt(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->frame(), platform::Rect(10, 5, 40, 30));
    EXPECT_EQ(first->tag(), 0);
    ASSERT_TRUE(first->imageForState(platform::ui::ControlStateNormal));
    // Two items on one key share the picture decoded once.
    EXPECT_EQ(buttonAt(2)->imageForState(platform::ui::ControlStateNormal),
              first->imageForState(platform::ui::ControlStateNormal));
    // A picture that is not in the cache leaves its item without size.
    auto missing = std::dynamic_pointer_cast<platform::ui::ImageView>(banner->subviews()[1]);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->frame(), platform::Rect(60, 5, 0, 0));
    EXPECT_FALSE(missing->isUserInteractionEnabled());

    // Landscape, right edge on the position; room for an iAd banner squeezes and shifts it.
    am.closeBanner();
    EXPECT_FALSE(banner->superview());
    core->isLandscape = true;
    core->iAd = true;
    am.showBannerOn(parent, nullptr, {480, 160}, 1, 0);
    EXPECT_EQ(am.bannerView(), banner);  // kept between showings
    EXPECT_EQ(banner->center(), (platform::Point{320, 160}));
    const auto& t = banner->transform();
    EXPECT_DOUBLE_EQ(t.a, 1);
    EXPECT_DOUBLE_EQ(t.d, 0.896875);
    EXPECT_DOUBLE_EQ(t.ty, 16.5 * 0.896875);
    EXPECT_DOUBLE_EQ(t.tx, 0);
    am.showBannerOn(parent, nullptr, {0, 0}, -1, -1);
    EXPECT_EQ(banner->center(), (platform::Point{160, 25}));
}

TEST_F(AnnounceBannerTest, DamagedOrHugePicturesLeaveTheirItemsWithoutSize) {
    // A valid header that declares 100000 x 100000 pixels, followed by nothing.
    std::string huge = pngBytes(1, 1).substr(0, 24);
    huge[16] = 0, huge[17] = 1, huge[18] = 0x86, huge[19] = 0xa0;
    huge[20] = 0, huge[21] = 1, huge[22] = 0x86, huge[23] = 0xa0;
    const std::string notPng = "GIF89a not a png at all";
    cacheImage("huge.png", huge);
    cacheImage("bad.png", notPng);
    cacheImage("btn.png", button);
    const Value refused[] = {fileRow("h", "huge.png", huge), fileRow("b", "bad.png", notPng),
                             row({"UB", "1", "2", "h", "x"}), row({"UI", "3", "4", "b"})};
    // Every picture refused: an empty band would hide the thanks line for nothing, so there
    // is no banner and the alternative stays.
    cacheList(Value::array({row({"HPVe", "Am1"}), row({"HVSi", "320", "50"}), refused[0],
                            refused[1], refused[2], refused[3]}));
    show();
    EXPECT_FALSE(am.bannerView());
    EXPECT_EQ(alternative->superview(), parent);

    // With one good picture the banner shows, the refused items in it without size.
    am.clearBanner();
    cacheList(Value::array({row({"HPVe", "Am1"}), row({"HVSi", "320", "50"}), refused[0],
                            refused[1], refused[2], refused[3], fileRow("btn", "btn.png", button),
                            row({"UI", "5", "6", "btn"})}));
    show();
    ASSERT_TRUE(am.bannerView());
    ASSERT_EQ(am.bannerView()->subviews().size(), 3u);
    EXPECT_EQ(am.bannerView()->subviews()[0]->frame(), platform::Rect(1, 2, 0, 0));
    EXPECT_EQ(am.bannerView()->subviews()[1]->frame(), platform::Rect(3, 4, 0, 0));
}

TEST_F(AnnounceBannerTest, TheBuiltBannerIsKeptUntilCleared) {
    cacheImage("btn.png", button);
    cacheList(bannerList());
    show();
    auto first = am.bannerView();
    ASSERT_TRUE(first);
    cacheList(Value::array({row({"HPVe", "Am1"}), row({"HVSi", "100", "20"}),
                            fileRow("btn", "btn.png", button), row({"UI", "0", "0", "btn"})}));
    show();
    EXPECT_EQ(am.bannerView(), first);
    am.clearBanner();
    show();
    ASSERT_TRUE(am.bannerView());
    EXPECT_EQ(am.bannerView()->bounds(), platform::Rect(0, 0, 100, 20));
}

TEST_F(AnnounceBannerTest, ButtonsOpenUrlsAndActionSheets) {
    cacheImage("btn.png", button);
    cacheList(bannerList());
    show();
    ASSERT_TRUE(am.bannerView());

    buttonAt(0)->tap();
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.invalid/more"}));
    buttonAt(3)->tap();  // an action key without its row does nothing
    EXPECT_EQ(opened.size(), 1u);

    buttonAt(2)->tap();
    auto sheet = am.selectActionSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->title(), "Choose");
    ASSERT_EQ(sheet->numberOfButtons(), 4);
    EXPECT_EQ(sheet->buttonTitleAtIndex(0), "Web");
    EXPECT_EQ(sheet->buttonTitleAtIndex(2), "");
    EXPECT_EQ(sheet->cancelButtonIndex(), 3);
    EXPECT_TRUE(sheet->isVisible());

    // An option that opens another sheet: the new sheet keeps its own options.
    sheet->tapButton(1);
    auto nested = am.selectActionSheet();
    ASSERT_TRUE(nested);
    EXPECT_NE(nested, sheet);
    EXPECT_EQ(nested->title(), "Deeper");
    nested->tapButton(0);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_FALSE(am.selectActionSheet());

    // Cancel runs nothing and lets the sheet go; a junk option neither.
    buttonAt(2)->tap();
    am.selectActionSheet()->tapButton(3);
    EXPECT_FALSE(am.selectActionSheet());
    buttonAt(2)->tap();
    am.selectActionSheet()->tapButton(2);
    EXPECT_EQ(opened.size(), 2u);
    scope.runUntilIdle();
}

TEST_F(AnnounceBannerTest, ServerUrlsGoOnlyWhereTheyBelong) {
    platform::ui::Application::shared().setOwnURLSchemes({"movuroute"});
    EXPECT_TRUE(am.openUrl("http://example.invalid/"));
    EXPECT_TRUE(am.openUrl("movuroute://app/startTitle"));
    EXPECT_FALSE(am.openUrl("file:///etc/passwd"));
    EXPECT_FALSE(am.openUrl("javascript:alert(1)"));
    EXPECT_FALSE(am.openUrl("/relative/path"));
    EXPECT_EQ(opened, (std::vector<std::string>{"http://example.invalid/"}));
    EXPECT_EQ(platform::ui::Application::shared().openedURLs().back(),
              "movuroute://app/startTitle");

    writeCache("x.png.00000001", "x");
    EXPECT_TRUE(am.openUrl("movuroute://app/announceManager/deleteCacheFiles"));
    EXPECT_FALSE(cached("x.png.00000001"));
}

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
