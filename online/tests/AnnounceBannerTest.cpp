// The banner built from the cached list, and its actions.

#include "AnnounceTestSupport.h"
#include "online/AnnounceBanner.h"
#include "online/AnnounceCache.h"
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

TEST_F(AnnounceBannerTest, OnItsOwnHostItRebuildsWhenDirtyAndIgnoresClicksAfterItWent) {
    cacheImage("btn.png", button);
    cacheList(bannerList());
    TestHost host;
    host.dir = cacheDir();
    auto banner = AnnounceBanner::create(host, std::make_shared<AnnounceCache>());
    banner->showOn(parent, alternative, {160, 480}, 0, 1);
    auto built = banner->view();
    ASSERT_TRUE(built);
    EXPECT_EQ(built->superview(), parent);

    // A new list rebuilds only once marked.
    cacheList(bannerList({row({"HVSi", "300", "40"})}));
    banner->showOn(parent, alternative, {160, 480}, 0, 1);
    EXPECT_EQ(banner->view(), built);
    banner->markDirty();
    banner->showOn(parent, alternative, {160, 480}, 0, 1);
    ASSERT_NE(banner->view(), built);
    EXPECT_FALSE(banner->isDirty());
    EXPECT_EQ(banner->view()->bounds(), platform::Rect(0, 0, 300, 40));

    auto site = std::dynamic_pointer_cast<platform::ui::Button>(banner->view()->subviews().at(0));
    auto menu = std::dynamic_pointer_cast<platform::ui::Button>(banner->view()->subviews().at(2));
    ASSERT_TRUE(site && menu);
    site->tap();
    EXPECT_EQ(host.opened, (std::vector<std::string>{"https://example.invalid/more"}));
    menu->tap();
    auto sheet = banner->selectActionSheet();
    ASSERT_TRUE(sheet);

    // The parent still shows its buttons and the sheet is open, but the banner is gone.
    banner.reset();
    site->tap();
    sheet->tapButton(0);
    EXPECT_EQ(host.opened.size(), 1u);
    scope.runUntilIdle();
}
