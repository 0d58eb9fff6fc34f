#include <gtest/gtest.h>

#include "AppCoreTestSupport.h"
#include "app/appcore/AccountId.h"
#include "app/appcore/KeychainAccess.h"
#include "app/screens/AppScreenSeams.h"
#include "app/screens/PauseView.h"
#include "app/testsupport/AppCoreBaseTestAccess.h"
#include "online/testsupport/ScriptedInterstitialAd.h"
#include "platform/ui/Window.h"

using namespace app;

using namespace appcore_test;

namespace {

platform::KeychainQuery aridQuery() {
    return KeychainQueryForAccount("arid", AccountId::keychainService(),
                                   AccountId::keychainAccessGroup());
}

struct LevelDownload : LevelDownloadUrlHandler {
    std::vector<std::string> urls;
    bool handleOpenURL(const std::string& url) override {
        urls.push_back(url);
        return url.find("/startLevel") != std::string::npos;
    }
};

class AppCoreUrls : public AppCoreTest {
  protected:
    std::shared_ptr<TestAppCore> core;
    std::shared_ptr<LevelDownload> download = std::make_shared<LevelDownload>();
    online::AnnounceManager& am = online::AnnounceManager::sharedAnnounceManager();

    void SetUp() override {
        core = TestAppCore::make(/*title=*/true, /*gameView=*/true);
        core->applicationDidFinishLaunching(platform::ui::Application::shared());
        core->setLevelDownloadUrlHandler(download);
        am.setInterstitialAdFactory(ads.factory());
    }
    // An interstitial on screen at a game's end, waiting for its dismissal.
    void presentInterstitial() {
        am.setAmProperties(platform::Value::dictionary({{"durezInterstitialAdPublisherId", "pub-1"},
                                                        {"durezInterstitialAdContextFlag", "1"}}));
        am.requestInterstitialAd();
        ads.last().receive();
        am.showPopupAds(online::AnnounceManager::kContextGameOver, nullptr);
        ASSERT_TRUE(am.interstitialAdPresenting());
    }
    void dismissInterstitial() { ads.last().dismiss(); }

    online::testing::ScriptedInterstitialAds ads;
    bool open(const std::string& path) { return core->handleOpenURL("movuroute://app" + path); }
    std::string rootName() const {
        auto root = core->window()->rootViewController();
        return root ? root->className() : "none";
    }
};

}  // namespace

TEST_F(AppCoreUrls, EveryPathGoesWhereItBelongs) {
    // No path, unknown paths: nothing happens, and the URL still counts as handled.
    EXPECT_TRUE(core->handleOpenURL("movuroute://app"));
    EXPECT_TRUE(open("/noSuchThing"));
    EXPECT_EQ(download->urls.size(), 1u);
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);

    // The announcement service's commands.
    EXPECT_TRUE(open("/announceManager/whatever"));
    EXPECT_EQ(alertTexts(), (std::vector<std::string>{"AM:unknown path", "whatever"}));
    platform::ui::AlertView::resetAll();
    EXPECT_EQ(download->urls.size(), 1u);

    // The level download takes its own path before the title route is looked at.
    EXPECT_TRUE(open("/startLevel?lid=3"));
    EXPECT_EQ(download->urls.back(), "movuroute://app/startLevel?lid=3");
    EXPECT_EQ(rootName(), "TitleScreen");
}

TEST_F(AppCoreUrls, StartTitleStopsARunningGame) {
    core->setCurrentLevelId(1);
    core->startGameView();
    auto gameView = core->lastGameView;
    ASSERT_TRUE(gameView && gameView->started());
    EXPECT_EQ(rootName(), "none");

    EXPECT_TRUE(open("/startTitle"));
    EXPECT_FALSE(gameView->started());
    EXPECT_EQ(rootName(), "TitleScreen");
    EXPECT_EQ(core->rootViewController()->className(), std::string("TitleScreen"));
    // The scene was dropped and the context let go of the view.
    EXPECT_EQ(gameView->gameScene(), nullptr);
    EXPECT_EQ(core->appContext()->getGameView(), nullptr);
}

TEST_F(AppCoreUrls, DeleteAridAsksFirst) {
    auto before = KeychainCopyData(aridQuery());
    ASSERT_TRUE(before);

    // Cancel: nothing changes.
    EXPECT_TRUE(open("/deleteAridOfThisDevice"));
    auto alert = platform::ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), 1);
    EXPECT_EQ(alert->title(), "Warning");
    EXPECT_EQ(alert->message(),
              "Are you sure to delete the account ID of this device? This means you can't access "
              "your data (scores etc.) on our server any more.");
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Cancel");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "DELETE");
    alert->tapButton(0);
    loop.runUntilIdle();
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(KeychainCopyData(aridQuery()), before);

    // DELETE: the item goes, the id in memory stays.
    open("/deleteAridOfThisDevice");
    platform::ui::AlertView::visibleAlert()->tapButton(1);
    loop.runUntilIdle();
    EXPECT_FALSE(KeychainCopyData(aridQuery()));
    EXPECT_EQ(AppCoreBaseTestAccess::arid(*core), *before);
    EXPECT_EQ(alertTexts(), (std::vector<std::string>{
                                "Done",
                                "The account ID of this device was deleted. Shutdown the device "
                                "now to clear the cached account ID."}));
    platform::ui::AlertView::resetAll();

    // Deleting again finds nothing to delete.
    open("/deleteAridOfThisDevice");
    platform::ui::AlertView::visibleAlert()->tapButton(1);
    loop.runUntilIdle();
    EXPECT_EQ(alertTexts(), (std::vector<std::string>{"Error", "Deletion faiure"}));
    platform::ui::AlertView::resetAll();

    // The next launch makes a new id.
    auto next = TestAppCore::make();
    EXPECT_NE(AppCoreBaseTestAccess::arid(*next), *before);
    EXPECT_EQ(KeychainCopyData(aridQuery()), AppCoreBaseTestAccess::arid(*next));
}

TEST_F(AppCoreUrls, HeldBackWhileAnInterstitialPresentsAtMostFifteenTimes) {
    presentInterstitial();
    EXPECT_TRUE(open("/deleteAridOfThisDevice"));
    EXPECT_EQ(AppCoreBaseTestAccess::pendingHandleOpenURLCount(*core), 1u);
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);

    // Re-delivered every 0.2 s: 14 more waits, then the 16th delivery is handled regardless.
    for (int i = 2; i <= 15; ++i) {
        loop.advance(0.2);
        EXPECT_EQ(AppCoreBaseTestAccess::pendingHandleOpenURLCount(*core), uint64_t(i));
        EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    }
    loop.advance(0.2);
    EXPECT_EQ(AppCoreBaseTestAccess::pendingHandleOpenURLCount(*core), 0u);
    ASSERT_TRUE(platform::ui::AlertView::visibleAlert());
    EXPECT_EQ(platform::ui::AlertView::visibleAlert()->title(), "Warning");
    loop.advance(5);
    EXPECT_EQ(platform::ui::AlertView::queuedCount(), 0u);
    platform::ui::AlertView::resetAll();

    // Handled at the first re-delivery after the interstitial went away.
    open("/announceManager/a");
    loop.advance(0.2);
    EXPECT_EQ(AppCoreBaseTestAccess::pendingHandleOpenURLCount(*core), 2u);
    dismissInterstitial();
    loop.advance(0.1);
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    loop.advance(0.1);
    EXPECT_EQ(AppCoreBaseTestAccess::pendingHandleOpenURLCount(*core), 0u);
    EXPECT_EQ(alertTexts(), (std::vector<std::string>{"AM:unknown path", "a"}));

    // A core that is gone by the time of the re-delivery is left alone.
    platform::ui::AlertView::resetAll();
    presentInterstitial();
    open("/deleteAridOfThisDevice");
    am.setAppCore({});
    core.reset();
    dismissInterstitial();
    loop.advance(1);
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
}
