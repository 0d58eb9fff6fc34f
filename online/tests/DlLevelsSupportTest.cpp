// The whole path of a "/startLevel" link: the checks before a download, the waiting alert, the
// download from a loopback server, its failures, cancel and the size cap.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "DlLevelsTestSupport.h"
#include "online/DlLevelsSupport.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/storage/AtomicFile.h"
#include "platform/testing/TestHttpServer.h"

using namespace online;

using namespace dllevels_test;
using platform::testing::TestHttpServer;
using platform::ui::AlertView;

namespace {

const std::string kStart = "movuroute://app/startLevel?";

class DlLevelsSupportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        context = JTCore::JTNew<JTAppBase::JTAppContext>();
        manager = JTCore::JTNew<TestFilesLevelManager>(context);
        manager->reset();
        context->setLevelManager(manager);
        core->context = context;
        core->baseUrl = server.url("/iphone/");
        support = DlLevelsSupport::initWithAppCore(core);
        server.text("/barrier", "b");
    }
    void TearDown() override {
        support.reset();
        scope.runUntilIdle();
        context->setLevelManager(nullptr);
    }

    // Runs the main loop until the condition holds; waiting for the network worker's posts
    // is not a sleep.
    bool pumpUntil(const std::function<bool()>& condition, double limitSeconds = 20) {
        auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<int>(limitSeconds * 1000));
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            scope.loop().runOnce(0.05);
        }
        return true;
    }
    bool downloadEnded() {
        return pumpUntil([&] { return !support->connection(); });
    }
    // Everything the network worker still had for a dropped connection has reached the loop.
    void drainWorker() {
        bool finished = false;
        auto barrier = platform::Connection::sendAsynchronousRequest(
            *platform::UrlRequest::withString(server.url("/barrier")),
            [&](const auto&, const auto&, const auto&) { finished = true; });
        ASSERT_TRUE(pumpUntil([&] { return finished; }));
        scope.runUntilIdle();
    }
    void serve(const std::string& body, int status = 200) {
        server.text("/iphone/cmd/downloadLevel", body, status, "application/octet-stream");
    }
    static std::vector<std::string> visibleAlert() {
        auto a = AlertView::visibleAlert();
        if (!a) return {};
        return {a->title(), a->message(), a->buttonTitleAtIndex(0)};
    }
    const std::vector<std::string> kStartedGame5 = {"stopAllViews", "setCurrentLevelId 5",
                                                    "saveSettings", "updateInterfaceOrientation",
                                                    "startGameView 5"};
    const std::vector<std::string> kToTitle = {"stopAllSounds", "stopAllViews", "startTitleView"};

    platform::MainLoopTestScope scope;
    DlLevelsHome home;
    TestHttpServer server;
    JTAppBase::JTAppContextPtr context;
    boost::intrusive_ptr<TestFilesLevelManager> manager;
    std::shared_ptr<FakeAppCore> core = std::make_shared<FakeAppCore>();
    std::shared_ptr<DlLevelsSupport> support;
};

}  // namespace

TEST_F(DlLevelsSupportTest, OnlyStartLevelLinksWithALevelDoAnything) {
    EXPECT_FALSE(support->handleOpenURL("movuroute://app/startTitle"));
    EXPECT_FALSE(support->handleOpenURL("movuroute://app/startLevelX?lid=5"));
    EXPECT_TRUE(support->handleOpenURL("movuroute://app/startLevel"));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=0&dh=1"));
    EXPECT_TRUE(support->handleOpenURL(kStart + "dh=1"));
    EXPECT_TRUE(core->calls.empty());
    EXPECT_EQ(server.requestCount("/iphone/cmd/downloadLevel"), 0u);
}

TEST_F(DlLevelsSupportTest, APlainLevelManagerTurnsEveryLinkAway) {
    auto plain = JTCore::JTNew<PlainLevelManager>(context);
    plain->reset();
    context->setLevelManager(plain);
    platform::LogSink::Capture log;
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=3"));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=9&dh=77"));
    EXPECT_EQ(log.count(), 2u);
    EXPECT_TRUE(log.contains("not FilesLevelManager"));
    EXPECT_TRUE(core->calls.empty());
    EXPECT_TRUE(core->alerts.empty());
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(server.requestCount("/iphone/cmd/downloadLevel"), 0u);
}

TEST_F(DlLevelsSupportTest, AKnownLevelWithTheSameDataStartsWithoutADownload) {
    manager->addKnownLevel(5, 1234, /*downloaded=*/true);
    manager->addKnownLevel(6, 99, /*downloaded=*/false);

    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5&dh=1234"));
    std::vector<std::string> expected = {"stopAllSounds"};
    expected.insert(expected.end(), kStartedGame5.begin(), kStartedGame5.end());
    EXPECT_EQ(core->calls, expected);
    // A downloaded level is handed to the manager again so it is listed.
    ASSERT_EQ(manager->added.size(), 1u);
    EXPECT_EQ(manager->added[0]->getId(), 5);

    // Any data will do when the link names none; a built-in level is not handed over.
    core->calls.clear();
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=6"));
    EXPECT_EQ(core->calls.back(), "startGameView 6");
    EXPECT_EQ(manager->added.size(), 1u);
    EXPECT_EQ(server.requestCount("/iphone/cmd/downloadLevel"), 0u);
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
}

TEST_F(DlLevelsSupportTest, AManagerThatMayNotDownloadShowsTheTitleAndSaysSo) {
    manager->canDownload = false;
    manager->addKnownLevel(5, 1, false);
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5&dh=2"));
    EXPECT_EQ(core->calls, kToTitle);
    EXPECT_EQ(core->alerts, std::vector<std::string>{"Error|The selected level doesn't exists."});
    EXPECT_EQ(support->connection(), nullptr);
    EXPECT_EQ(server.requestCount("/iphone/cmd/downloadLevel"), 0u);
}

TEST_F(DlLevelsSupportTest, ADownloadedLevelIsStoredAndStarted) {
    serve(responseBody(kLevelData));
    EXPECT_TRUE(support->handleOpenURL(
        kStart + "lid=5&dh=" + std::to_string(levelHash(kLevelData)) + "&tk=-77"));
    EXPECT_EQ(core->calls, kToTitle);
    EXPECT_EQ(visibleAlert(),
              (std::vector<std::string>{"Downloading Data", "Please wait...", "Cancel"}));
    EXPECT_EQ(support->downloadingLevelId(), 5);

    ASSERT_TRUE(downloadEnded());
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_TRUE(core->alerts.empty());
    EXPECT_EQ(platform::AtomicFile::read(home.levelsDir() / "5"), kLevelData);
    ASSERT_EQ(manager->added.size(), 1u);
    EXPECT_EQ(manager->getLevelInfoById(5), manager->added[0]);
    std::vector<std::string> expected = kToTitle;
    expected.insert(expected.end(), kStartedGame5.begin(), kStartedGame5.end());
    EXPECT_EQ(core->calls, expected);

    auto requests = server.requestsFor("/iphone/cmd/downloadLevel");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].param("lid"), "5");
    EXPECT_EQ(requests[0].param("dh"), std::to_string(levelHash(kLevelData)));
    EXPECT_EQ(requests[0].param("tk"), "-77");
    // Neither our cache nor one on the way may answer for the service.
    EXPECT_EQ(requests[0].header("Cache-Control"), "no-cache");

    // The waiting alert is made once and shows again for the next download.
    auto first = support->waitingAlert();
    serve(responseBody(kLevelData, headerFor("7", "Peaks")));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=7"));
    EXPECT_EQ(support->waitingAlert(), first);
    EXPECT_TRUE(first->isVisible());
    ASSERT_TRUE(downloadEnded());
    EXPECT_TRUE(fs::exists(home.levelsDir() / "7"));
}

TEST_F(DlLevelsSupportTest, AServerRefusalShowsItsOwnMessageOrTheStatus) {
    int status = 403;
    server.get("/iphone/cmd/downloadLevel",
               [&status](const httplib::Request&, httplib::Response& res) {
                   res.status = status;
                   if (status == 403)
                       res.set_header("Error-Dialog-Message", "This level is not public yet.");
                   res.set_content(responseBody(kLevelData), "text/plain");
               });
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(downloadEnded());
    EXPECT_EQ(visibleAlert(), (std::vector<std::string>{"Failed to Download.",
                                                        "This level is not public yet.", "Ok"}));
    AlertView::resetAll();

    status = 500;
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(downloadEnded());
    EXPECT_EQ(visibleAlert(), (std::vector<std::string>{"Failed to Download.",
                                                        "Error details:\nstatusCode=500", "Ok"}));
    // Even a well-formed level is not taken from a refusal.
    EXPECT_FALSE(fs::exists(home.levelsDir() / "5"));
    EXPECT_TRUE(manager->added.empty());
    EXPECT_EQ(core->calls.back(), "startTitleView");
}

TEST_F(DlLevelsSupportTest, BrokenDataLeavesTheTitleAndNoFile) {
    Header wrongHash;
    wrongHash.dh = "12";
    for (const std::string& body :
         {std::string("no line feed"), responseBody(kLevelData, wrongHash),
          responseBody(kLevelData, headerFor("6"))}) {
        SCOPED_TRACE(body);
        core->alerts.clear();
        serve(body);
        EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
        ASSERT_TRUE(downloadEnded());
        EXPECT_EQ(core->alerts,
                  std::vector<std::string>{"Failed to Download.|Downloaded data is broken."});
        EXPECT_EQ(core->calls.back(), "startTitleView");
        EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    }
    EXPECT_FALSE(fs::exists(home.levelsDir()));
    EXPECT_TRUE(manager->added.empty());
}

TEST_F(DlLevelsSupportTest, AManagerReplacedDuringTheDownloadFailsCleanly) {
    serve(responseBody(kLevelData));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    auto plain = JTCore::JTNew<PlainLevelManager>(context);
    context->setLevelManager(plain);
    ASSERT_TRUE(downloadEnded());
    EXPECT_EQ(core->alerts,
              std::vector<std::string>{"Failed to Download.|Downloaded data is broken."});
    EXPECT_FALSE(fs::exists(home.levelsDir() / "5"));
}

TEST_F(DlLevelsSupportTest, ANetworkFailureShowsItsDetails) {
    TestHttpServer closed;
    core->baseUrl = closed.url("/iphone/");
    closed.stop();
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(downloadEnded());
    auto alert = visibleAlert();
    ASSERT_EQ(alert.size(), 3u);
    EXPECT_EQ(alert[0], "Failed to Download.");
    EXPECT_EQ(alert[1].rfind("Error details:\n", 0), 0u);
    EXPECT_GT(alert[1].size(), std::string("Error details:\n").size());
    EXPECT_EQ(alert[2], "Ok");
}

TEST_F(DlLevelsSupportTest, AFinishWithoutAnHttpResponseIsARefusal) {
    auto gate = server.makeGate();
    server.stalled("/iphone/cmd/downloadLevel", gate, responseBody(kLevelData));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(pumpUntil([&] { return gate->arrivals() >= 1; }));
    auto connection = support->connection();
    ASSERT_TRUE(connection);
    // As if the loading system ended without ever giving a response.
    support->connectionDidFinishLoading(*connection);
    EXPECT_EQ(support->connection(), nullptr);
    EXPECT_EQ(visibleAlert(), (std::vector<std::string>{"Failed to Download.",
                                                        "Error details:\nstatusCode=0", "Ok"}));
    EXPECT_TRUE(manager->added.empty());
    connection->cancel();
    gate->release();
}

TEST_F(DlLevelsSupportTest, CancelStopsTheDownloadAndKeepsTheTitle) {
    auto gate = server.makeGate();
    server.stalled("/iphone/cmd/downloadLevel", gate, responseBody(kLevelData));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(pumpUntil([&] { return gate->arrivals() >= 1; }));
    auto connection = support->connection();
    auto alert = AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    ASSERT_EQ(alert, support->waitingAlert());

    // Always from the service itself, and not waiting for ever.
    EXPECT_EQ(connection->originalRequest().cachePolicy(),
              platform::UrlRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData);
    EXPECT_EQ(connection->originalRequest().timeoutInterval(), 30);

    alert->tapButton(0);
    EXPECT_EQ(support->connection(), nullptr);
    EXPECT_TRUE(connection->isCancelled());
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);

    gate->release();
    drainWorker();
    EXPECT_EQ(core->calls, kToTitle);
    EXPECT_TRUE(core->alerts.empty());
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_FALSE(fs::exists(home.levelsDir() / "5"));
    EXPECT_TRUE(manager->added.empty());
}

TEST_F(DlLevelsSupportTest, ANewDownloadCancelsTheOneBefore) {
    auto gate = server.makeGate();
    server.stalled("/iphone/cmd/downloadLevel", gate, responseBody(kLevelData));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(pumpUntil([&] { return gate->arrivals() >= 1; }));
    auto first = support->connection();

    serve(responseBody(kLevelData, headerFor("7", "Peaks")));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=7"));
    EXPECT_TRUE(first->isCancelled());
    EXPECT_NE(support->connection(), first);
    ASSERT_TRUE(downloadEnded());
    gate->release();
    drainWorker();

    // Only the second level arrived; the first answer, had it come, was never heard.
    ASSERT_EQ(manager->added.size(), 1u);
    EXPECT_EQ(manager->added[0]->getId(), 7);
    EXPECT_FALSE(fs::exists(home.levelsDir() / "5"));
    EXPECT_EQ(core->levelId, 7);
}

TEST_F(DlLevelsSupportTest, AResponseBeyondTheCapIsCutOffAsBroken) {
    // Streamed without a length: cut off while it arrives.
    const std::string piece(1024 * 1024, 'x');
    std::vector<std::string> chunks(9, piece);
    server.chunked("/iphone/cmd/downloadLevel", chunks);
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(downloadEnded());
    EXPECT_EQ(core->alerts,
              std::vector<std::string>{"Failed to Download.|Downloaded data is broken."});
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_FALSE(fs::exists(home.levelsDir()));

    // Announced as too long: refused at the response, before the body.
    core->alerts.clear();
    serve(std::string(DlLevelsSupport::kMaxResponseSize + 1, 'y'));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(downloadEnded());
    EXPECT_EQ(core->alerts,
              std::vector<std::string>{"Failed to Download.|Downloaded data is broken."});
    EXPECT_TRUE(manager->added.empty());
}

TEST_F(DlLevelsSupportTest, ALevelAtTheSizeLimitStillDownloads) {
    // The largest level there may be, behind its header, fits under the cap.
    std::string data = "<plist><string>" + std::string(DlLevelsSupport::kMaxDataSize - 32, 'a') +
                       "</string></plist>";
    data.resize(DlLevelsSupport::kMaxDataSize, ' ');
    serve(responseBody(data));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(downloadEnded());
    EXPECT_TRUE(core->alerts.empty());
    EXPECT_EQ(fs::file_size(home.levelsDir() / "5"), static_cast<uintmax_t>(data.size()));
}

TEST_F(DlLevelsSupportTest, ALinkToAKnownLevelStopsADownloadStillRunning) {
    manager->addKnownLevel(6, 99, /*downloaded=*/false);
    auto gate = server.makeGate();
    server.stalled("/iphone/cmd/downloadLevel", gate, responseBody(kLevelData));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    ASSERT_TRUE(pumpUntil([&] { return gate->arrivals() >= 1; }));
    auto first = support->connection();

    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=6"));
    EXPECT_TRUE(first->isCancelled());
    EXPECT_EQ(support->connection(), nullptr);
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
    EXPECT_EQ(core->calls.back(), "startGameView 6");

    gate->release();
    drainWorker();
    EXPECT_EQ(core->levelId, 6);
    EXPECT_TRUE(manager->added.empty());
    EXPECT_FALSE(fs::exists(home.levelsDir() / "5"));
}

TEST_F(DlLevelsSupportTest, TheWaitingAlertGoesWithTheSupport) {
    auto gate = server.makeGate();
    server.stalled("/iphone/cmd/downloadLevel", gate, responseBody(kLevelData));
    EXPECT_TRUE(support->handleOpenURL(kStart + "lid=5"));
    auto connection = support->connection();
    auto alert = support->waitingAlert();
    ASSERT_TRUE(alert && alert->isVisible());
    support.reset();
    EXPECT_TRUE(connection->isCancelled());
    EXPECT_FALSE(alert->isVisible());
    EXPECT_EQ(AlertView::visibleAlert(), nullptr);
}
