// Level download links through the real app core: the game's own level manager turns them
// away; a level manager over level files gets the level downloaded, stored and started.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "AppCoreTestSupport.h"
#include "app/appcore/DlLevelsSupportAppCore.h"
#include "online/DlLevelsSupport.h"
#include "online/tests/DlLevelsTestSupport.h"
#include "platform/base/LogSink.h"
#include "platform/storage/AtomicFile.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/Window.h"

using namespace app;

using namespace appcore_test;
using dllevels_test::kLevelData;
using dllevels_test::levelHash;
using dllevels_test::responseBody;
using dllevels_test::TestFilesLevelManager;
using platform::testing::TestHttpServer;

namespace {

class DlLevelsThroughAppCore : public AppCoreTest {
  protected:
    void SetUp() override {
        useBundleVersion("1.0", server.url("/movuroute"));
        core = TestAppCore::make(/*title=*/true, /*gameView=*/true);
        core->applicationDidFinishLaunching(platform::ui::Application::shared());
    }
    void TearDown() override {
        if (core && core->appContext()) core->appContext()->setLevelManager(nullptr);
    }
    bool open(const std::string& pathAndQuery) {
        return core->handleOpenURL("movuroute://app" + pathAndQuery);
    }
    boost::intrusive_ptr<TestFilesLevelManager> useFilesLevelManager() {
        auto files = JTCore::JTNew<TestFilesLevelManager>(core->appContext());
        files->reset();
        core->appContext()->setLevelManager(files);
        return files;
    }
    bool pumpUntil(const std::function<bool()>& condition) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            loop.loop().runOnce(0.05);
        }
        return true;
    }
    std::string rootName() const {
        auto root = core->window()->rootViewController();
        return root ? root->className() : "none";
    }
    bool gameStarted() const { return core->lastGameView && core->lastGameView->started(); }

    TestHttpServer server;
    std::shared_ptr<TestAppCore> core;
};

}  // namespace

TEST_F(DlLevelsThroughAppCore, TheGamesOwnLevelManagerTurnsLinksAway) {
    core->setCurrentLevelId(1);
    platform::LogSink::Capture log;
    EXPECT_TRUE(open("/startLevel?lid=3&dh=5"));
    EXPECT_TRUE(log.contains("not FilesLevelManager"));
    EXPECT_EQ(rootName(), "TitleScreen");
    EXPECT_EQ(core->currentLevelId(), 1);
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(server.requestCount("/movuroute/iphone/cmd/downloadLevel"), 0u);
}

TEST_F(DlLevelsThroughAppCore, AFilesLevelManagerGetsTheLevelDownloadedStoredAndStarted) {
    auto files = useFilesLevelManager();
    server.text("/movuroute/iphone/cmd/downloadLevel", responseBody(kLevelData), 200,
                "application/octet-stream");

    const int64_t dh = levelHash(kLevelData, 3);
    EXPECT_TRUE(open("/startLevel?lid=5&dh=" + std::to_string(dh) + "&tk=42"));
    EXPECT_EQ(rootName(), "TitleScreen");
    ASSERT_TRUE(platform::ui::AlertView::visibleAlert());
    EXPECT_EQ(platform::ui::AlertView::visibleAlert()->title(), "Downloading Data");

    ASSERT_TRUE(pumpUntil([&] { return gameStarted(); }));
    EXPECT_EQ(platform::ui::AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(core->currentLevelId(), 5);
    EXPECT_EQ(files->started, std::vector<int32_t>{5});
    EXPECT_EQ(platform::AtomicFile::read(root / "home" / "Documents" / "levels" / "5"), kLevelData);
    EXPECT_EQ(rootName(), "none");

    // The request is the app core's signed download command for this level.
    auto requests = server.requestsFor("/movuroute/iphone/cmd/downloadLevel");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target,
              core->downloadLevelUrlWithLevelId(5, dh, 42).substr(server.url("").size()));

    // Linked again with the same data, it starts at once from what is on the device.
    core->stopAllViews();
    EXPECT_TRUE(open("/startLevel?lid=5&dh=" + std::to_string(levelHash(kLevelData))));
    EXPECT_TRUE(gameStarted());
    EXPECT_EQ(server.requestCount("/movuroute/iphone/cmd/downloadLevel"), 1u);
}

TEST_F(DlLevelsThroughAppCore, BrokenDataShowsTheAppsAlertOverTheTitle) {
    auto files = useFilesLevelManager();
    server.text("/movuroute/iphone/cmd/downloadLevel", "no header here", 200);
    EXPECT_TRUE(open("/startLevel?lid=5"));
    ASSERT_TRUE(pumpUntil([&] {
        auto a = platform::ui::AlertView::visibleAlert();
        return a && a->title() == "Failed to Download.";
    }));
    EXPECT_EQ(alertTexts(),
              (std::vector<std::string>{"Failed to Download.", "Downloaded data is broken."}));
    EXPECT_EQ(rootName(), "TitleScreen");
    EXPECT_FALSE(gameStarted());
    EXPECT_TRUE(files->added.empty());
}
