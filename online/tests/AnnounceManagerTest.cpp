#include "online/AnnounceManager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "AnnounceTestSupport.h"
#include "online/UrlPath.h"

using namespace online;

namespace fs = std::filesystem;

// The announcement fixture: a private app home, a fresh manager on the fake app core.
using AnnounceManagerTest = announce_test::AnnounceFixture;

TEST(UrlPathTest, PathOfTheAppsOwnUrls) {
    EXPECT_EQ(UrlPathOf("movuroute://app/startTitle"), "/startTitle");
    EXPECT_EQ(UrlPathOf("movuroute://app/announceManager/deleteCacheFiles?x=1#f"),
              "/announceManager/deleteCacheFiles");
    EXPECT_EQ(UrlPathOf("movuroute://app/a%20b"), "/a b");
    EXPECT_EQ(UrlPathOf("movuroute://app/bad%2"), "/bad%2");
    EXPECT_EQ(UrlPathOf("movuroute://app"), "");
    EXPECT_EQ(UrlPathOf("movuroute://app?q=/x"), "");
    EXPECT_EQ(UrlPathOf("movuroute:/local"), "/local");
    EXPECT_EQ(UrlPathOf("mailto:someone"), "");
    EXPECT_EQ(UrlPathOf("no scheme/at all"), "");
    EXPECT_EQ(UrlPathOf(""), "");
}

TEST_F(AnnounceManagerTest, ShowOpportunityWithNothingToShowRunsTheContinuationOnce) {
    int runs = 0;
    am.showPopupAds(AnnounceManager::kContextGameOver, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    core->pending = true;
    am.showPopupAds(AnnounceManager::kContextFirstStart, [&] { ++runs; });
    EXPECT_EQ(runs, 2);
    // No continuation is fine too.
    am.showPopupAds(AnnounceManager::kContextStartFromTitle, nullptr);

    // A continuation that opens the next opportunity still runs each one exactly once.
    int inner = 0;
    am.showPopupAds(AnnounceManager::kContextGameOver, [&] {
        am.showPopupAds(AnnounceManager::kContextStartFromTitle, [&] { ++inner; });
    });
    EXPECT_EQ(inner, 1);
}

TEST_F(AnnounceManagerTest, ShutdownAndRestart) {
    EXPECT_FALSE(am.isShutdown());
    am.shutdown();
    EXPECT_TRUE(am.isShutdown());
    am.startDownload();
    EXPECT_FALSE(am.isShutdown());
}

TEST_F(AnnounceManagerTest, CommandsDeleteCacheFilesOrReportUnknownPaths) {
    auto dir = am.prepareCacheDir();
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->filename(), "quorvel_announce_cache_1023");
    std::ofstream(*dir / "b1.png.1a2b3c4d") << "x";
    std::ofstream(*dir / "announce.plist") << "x";
    std::ofstream(*dir / ".keep") << "x";
    fs::create_directory(*dir / "sub");

    // Only paths under the manager's prefix are commands.
    am.processAmUrl("movuroute://app/deleteCacheFiles");
    EXPECT_TRUE(fs::exists(*dir / "b1.png.1a2b3c4d"));

    // No file write after a shutdown, deletions included.
    am.shutdown();
    am.processAmUrl("movuroute://app/announceManager/deleteCacheFiles");
    EXPECT_TRUE(fs::exists(*dir / "b1.png.1a2b3c4d"));
    am.startDownload();

    am.processAmUrl("movuroute://app/announceManager/deleteCacheFiles");
    EXPECT_FALSE(fs::exists(*dir / "b1.png.1a2b3c4d"));
    EXPECT_FALSE(fs::exists(*dir / "announce.plist"));
    EXPECT_TRUE(fs::exists(*dir / ".keep"));
    EXPECT_TRUE(fs::is_directory(*dir / "sub"));
    EXPECT_TRUE(core->alerts.empty());

    am.processAmUrl("movuroute://app/announceManager/reboot");
    ASSERT_EQ(core->alerts.size(), 1u);
    EXPECT_EQ(core->alerts[0], "AM:unknown path|reboot");
}

TEST_F(AnnounceManagerTest, DeletingTheCacheRemovesLinksButNeverWhatTheyPointTo) {
    auto dir = am.prepareCacheDir();
    ASSERT_TRUE(dir);
    const fs::path outside = dir->parent_path() / "outside-the-cache";
    fs::create_directories(outside);
    std::ofstream(outside / "precious") << "x";
    fs::create_directory_symlink(outside, *dir / "folder-link");
    fs::create_symlink(outside / "precious", *dir / "file-link");
    fs::create_symlink(*dir / "gone", *dir / "dangling-link");

    am.processAmUrl("movuroute://app/announceManager/deleteCacheFiles");
    EXPECT_FALSE(fs::exists(fs::symlink_status(*dir / "folder-link")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(*dir / "file-link")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(*dir / "dangling-link")));
    EXPECT_TRUE(fs::exists(outside / "precious"));
    fs::remove_all(outside);
}

TEST_F(AnnounceManagerTest, SettingsLookupTakesTextsOnly) {
    EXPECT_EQ(am.amPropertyAsStringForKey("durezInterstitialAdPublisherId", "none"), "none");
    EXPECT_EQ(am.amPropertyAsIntForKey("durezInterstitialAdInterval", 7), 7);
    am.setAmProperties(platform::Value::dictionary({
        {"durezInterstitialAdPublisherId", "pub-1"},
        {"durezInterstitialAdInterval", " 120s"},
        {"durezInterstitialAdContextFlag", 3},
        {"huge", "99999999999"},
        {"word", "abc"},
    }));
    EXPECT_EQ(am.amPropertyAsStringForKey("durezInterstitialAdPublisherId", ""), "pub-1");
    EXPECT_EQ(am.amPropertyAsIntForKey("durezInterstitialAdInterval", 0), 120);
    // A number where a text belongs counts as missing.
    EXPECT_EQ(am.amPropertyAsIntForKey("durezInterstitialAdContextFlag", 5), 5);
    EXPECT_EQ(am.amPropertyAsIntForKey("huge", 0), INT32_MAX);
    EXPECT_EQ(am.amPropertyAsIntForKey("word", 9), 0);
    // With a publisher id but no ad loaded yet, nothing is shown and the continuation runs.
    int runs = 0;
    am.requestInterstitialAd();
    EXPECT_EQ(ads.count(), 1u);
    am.showPopupAds(AnnounceManager::kContextGameOver, [&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(am.interstitialAdPresenting());
}
