#include "ads/web/GADPrecacheGMSGHandler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ads/foundation/GADDevice.h"
#include "ads/testsupport/AdViewTestScope.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/web/GADAdView.h"
#include "platform/base/LogSink.h"
#include "platform/base/Url.h"
#include "platform/base/Uuid.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/storage/Json.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/web/FakeWebPage.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

namespace fs = std::filesystem;
using platform::Value;

struct Event {
    std::int64_t bytesLoaded = 0;
    std::int64_t totalBytes = 0;
    std::string event;
    std::string src;
    std::string cachedSrc;
};

class GADPrecacheGMSGHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.isRunning());
        // As at launch: the device's clean-up of an earlier run's files, queued on the main
        // loop when it is made, is done before an ad caches anything. Left to the test's first
        // wait it could empty the folder under a download making its file.
        GADDevice::sharedInstance();
        scope.runUntilIdle();
    }

    void send(Value::Dictionary params) {
        ASSERT_TRUE(handler->handleNotification(
            GADNotification::create("precache", std::move(params)), adView));
    }
    void precache(const std::string& path) { send({{"src", Value(server.url(path))}}); }

    // The events the page got, in order.
    std::vector<Event> events() const {
        std::vector<Event> out;
        for (const auto& script : page->evaluations()) {
            if (script.find("'onPrecacheEvent'") == std::string::npos) continue;
            const auto open = script.find('{');
            const auto close = script.rfind('}');
            auto json = platform::Json::parse(script.substr(open, close - open + 1));
            EXPECT_TRUE(json && json->isDictionary()) << script;
            if (!json || !json->isDictionary()) continue;
            auto& info = *json;
            EXPECT_EQ(json->asDictionary().size(), 5u);
            out.push_back({info["bytesLoaded"].integerValue(), info["totalBytes"].integerValue(),
                           info["event"].stringValue(), info["src"].stringValue(),
                           info["cachedSrc"].stringValue()});
        }
        return out;
    }
    bool waitForEvent(const std::string& name, std::size_t count = 1) {
        return platform::testing::runMainLoopUntil([&] {
            std::size_t seen = 0;
            for (const auto& e : events()) seen += e.event == name;
            return seen >= count;
        });
    }
    bool waitForBytes(std::int64_t bytes) {
        return platform::testing::runMainLoopUntil([&] {
            auto all = events();
            return !all.empty() && all.back().bytesLoaded >= bytes;
        });
    }
    // Lets whatever is on its way arrive.
    void settle() {
        platform::testing::runMainLoopUntil([] { return false; }, 0.3);
        scope.runUntilIdle();
    }
    fs::path temporaryRoot() const {
        return GADDevice::sharedInstance()->temporaryPathWithCreation(false);
    }
    // The cache folders left in the SDK's temporary folder.
    std::size_t cacheFolders() const {
        std::error_code ignored;
        if (!fs::is_directory(temporaryRoot(), ignored)) return 0;
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(temporaryRoot(), ignored)) {
            (void)entry;
            ++count;
        }
        return count;
    }
    // The page is told the file's place in the cache folder, "file:///<UUID>/<name>".
    fs::path pathOf(const std::string& fileURL) const {
        auto url = platform::Url::parse(fileURL);
        if (!url || !url->isFileUrl() || url->path().empty()) return {};
        return temporaryRoot() / fs::path(url->path()).relative_path();
    }
    static std::string contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    ads::testing::AdsTestScope scope;
    ads::testing::AdViewTestScope views;
    platform::testing::TestHttpServer server;
    std::shared_ptr<GADAdView> adView = GADAdView::create({0, 0, 320, 50});
    std::shared_ptr<platform::web::FakeWebPage> page = views.web().lastPage();
    std::shared_ptr<GADPrecacheGMSGHandler> handler = GADPrecacheGMSGHandler::create();
};

TEST_F(GADPrecacheGMSGHandlerTest, ASizedBodyGoesToItsOwnFolderAndStaysUntilTheHandlerGoes) {
    const std::string body(200000, 'v');
    server.text("/media/clip.mp4", body, 200, "video/mp4");
    precache("/media/clip.mp4");
    ASSERT_TRUE(waitForEvent("precacheComplete"));
    const auto all = events();
    ASSERT_GE(all.size(), 3u);
    // One start with nothing loaded, one event per chunk growing, then the end.
    EXPECT_EQ(all.front().event, "precacheProgress");
    EXPECT_EQ(all.front().bytesLoaded, 0);
    for (std::size_t i = 1; i + 1 < all.size(); ++i) {
        EXPECT_EQ(all[i].event, "precacheProgress");
        EXPECT_GT(all[i].bytesLoaded, all[i - 1].bytesLoaded);
    }
    EXPECT_EQ(all.back().bytesLoaded, 200000);
    for (const auto& e : all) {
        EXPECT_EQ(e.totalBytes, 200000);
        EXPECT_EQ(e.src, server.url("/media/clip.mp4"));
        EXPECT_EQ(e.cachedSrc, all.front().cachedSrc);
    }
    // tmp/<the SDK's folder>/<a UUID>/clip.mp4, of which the page learns only the last two:
    // where the user's home is is none of its business.
    const auto cached = platform::Url::parse(all.back().cachedSrc);
    ASSERT_TRUE(cached);
    EXPECT_TRUE(cached->isFileUrl());
    EXPECT_EQ(cached->pathComponents().size(), 3u) << cached->absoluteString();
    EXPECT_EQ(all.back().cachedSrc.find(temporaryRoot().parent_path().string()), std::string::npos);
    const fs::path file = pathOf(all.back().cachedSrc);
    EXPECT_EQ(file.filename(), "clip.mp4");
    EXPECT_EQ(file.parent_path().parent_path(), temporaryRoot());
    EXPECT_TRUE(platform::Uuid::parse(file.parent_path().filename().string()));
    EXPECT_EQ(contents(file), body);
    ASSERT_EQ(server.requestsFor("/media/clip.mp4").size(), 1u);

    // A second "src" after the end starts nothing.
    precache("/media/clip.mp4");
    settle();
    EXPECT_EQ(server.requestsFor("/media/clip.mp4").size(), 1u);
    EXPECT_EQ(events().size(), all.size());

    // The handler's end takes the file and its folder.
    handler.reset();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(file.parent_path()));
}

TEST_F(GADPrecacheGMSGHandlerTest, WithoutALengthAbortMidWayThenStartAfresh) {
    auto gate = server.makeGate();
    server.chunked("/stream", {"aaaa", "bbbb", "cccc"}, gate, 1);
    precache("/stream");
    ASSERT_TRUE(waitForBytes(4));
    auto running = events();
    EXPECT_EQ(running.back().totalBytes, -1);
    const fs::path file = pathOf(running.back().cachedSrc);
    EXPECT_EQ(contents(file), "aaaa");

    // A second "src" while it runs only changes what the events name.
    send({{"src", Value(server.url("/other"))}});
    // Abort: the bytes so far, and the file with its folder gone.
    send({{"abort", Value("1")}, {"src", Value(server.url("/stream"))}});
    auto stopped = events();
    ASSERT_TRUE(waitForEvent("precacheCanceled"));
    stopped = events();
    EXPECT_EQ(stopped.back().event, "precacheCanceled");
    EXPECT_EQ(stopped.back().bytesLoaded, 4);
    EXPECT_EQ(stopped.back().src, server.url("/stream"));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(file.parent_path()));
    gate->release();
    settle();
    EXPECT_EQ(events().size(), stopped.size());
    EXPECT_EQ(server.requestCount("/other"), 0u);

    // Afresh: a new request, a new folder, the whole body.
    precache("/stream");
    ASSERT_TRUE(waitForEvent("precacheComplete"));
    auto again = events();
    EXPECT_EQ(again.back().bytesLoaded, 12);
    EXPECT_EQ(again.back().totalBytes, -1);
    EXPECT_NE(again.back().cachedSrc, running.back().cachedSrc);
    EXPECT_EQ(contents(pathOf(again.back().cachedSrc)), "aaaabbbbcccc");
    EXPECT_EQ(server.requestCount("/stream"), 2u);
}

TEST_F(GADPrecacheGMSGHandlerTest, ASecondSourceWhileRunningChangesOnlyTheName) {
    auto gate = server.makeGate();
    server.chunked("/first", {"1111", "2222"}, gate, 1);
    precache("/first");
    ASSERT_TRUE(waitForBytes(4));
    precache("/second");
    gate->release();
    ASSERT_TRUE(waitForEvent("precacheComplete"));
    auto all = events();
    EXPECT_EQ(all.front().src, server.url("/first"));
    EXPECT_EQ(all.back().src, server.url("/second"));
    EXPECT_EQ(all.back().bytesLoaded, 8);
    EXPECT_EQ(server.requestCount("/second"), 0u);
}

// A page that aborts and starts again in a loop: each start was a fetch and a file, and each
// failed answer a log line.
TEST_F(GADPrecacheGMSGHandlerTest, AbortingAndStartingAgainStartsOnlySoManyDownloads) {
    server.text("/gone", "no", 404);
    platform::LogSink::Capture log;
    const std::size_t tries = GADPrecacheGMSGHandler::kMaxDownloadsPerHandler + 150;
    for (std::size_t i = 0; i < tries; ++i) {
        send({{"abort", Value("1")}});
        precache("/gone");
        // Each answer arrives before the next start, as it would for a page that waits.
        if (i < GADPrecacheGMSGHandler::kMaxDownloadsPerHandler) {
            ASSERT_TRUE(waitForEvent("precacheCanceled", 2 * i + 2));
        }
    }
    settle();
    EXPECT_EQ(server.requestCount("/gone"), GADPrecacheGMSGHandler::kMaxDownloadsPerHandler);
    EXPECT_EQ(cacheFolders(), 0u);
    const auto lines = log.lines();
    EXPECT_EQ(lines.size(), platform::web::WebView::kPageLogLines + 1);
    EXPECT_EQ(lines.back(), platform::web::WebView::kPageLogDroppedLine);
}

TEST_F(GADPrecacheGMSGHandlerTest, MessagesWithNothingToFetchDoNothing) {
    server.text("/x", "x");
    send({});
    send({{"other", Value("1")}});
    // Only web addresses are fetched.
    send({{"src", Value("file:///etc/passwd")}});
    send({{"src", Value("not a url")}});
    settle();
    EXPECT_TRUE(events().empty());
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(cacheFolders(), 0u);
    // An abort of nothing reports nothing loaded.
    send({{"abort", Value("")}});
    ASSERT_TRUE(waitForEvent("precacheCanceled"));
    EXPECT_EQ(events().back().bytesLoaded, 0);
    EXPECT_EQ(events().back().src, "");
    EXPECT_EQ(events().back().cachedSrc, "");
}

TEST_F(GADPrecacheGMSGHandlerTest, ACacheFileThatCannotBeMadeCancelsOnce) {
    // The SDK's temporary folder is taken by a file: no folder can be made in it. (The
    // start-up's clearing of that folder has run first.)
    scope.runUntilIdle();
    fs::create_directories(temporaryRoot().parent_path());
    std::ofstream(temporaryRoot()) << "in the way";
    server.text("/clip.mp4", std::string(50000, 'c'));
    precache("/clip.mp4");
    ASSERT_TRUE(waitForEvent("precacheCanceled"));
    settle();
    auto all = events();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].bytesLoaded, 0);
    EXPECT_EQ(all[0].cachedSrc, "");
    fs::remove(temporaryRoot());
}

TEST_F(GADPrecacheGMSGHandlerTest, TheCapStopsADownloadAndDeletesItsFile) {
    handler = GADPrecacheGMSGHandler::create(10);
    // Announced beyond the cap: stopped at once.
    server.text("/big", std::string(20, 'b'));
    precache("/big");
    ASSERT_TRUE(waitForEvent("precacheCanceled"));
    settle();
    auto announced = events();
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0].totalBytes, 20);
    EXPECT_EQ(announced[0].bytesLoaded, 0);
    EXPECT_EQ(cacheFolders(), 0u);

    // Streamed past it: stopped at the chunk that would pass it.
    handler = GADPrecacheGMSGHandler::create(10);
    server.chunked("/long", {"aaaa", "bbbb", "cccc", "dddd"});
    precache("/long");
    ASSERT_TRUE(waitForEvent("precacheCanceled", 2));
    settle();
    auto streamed = events();
    EXPECT_EQ(streamed.back().event, "precacheCanceled");
    EXPECT_LE(streamed.back().bytesLoaded, 10);
    EXPECT_EQ(streamed.back().totalBytes, -1);
    EXPECT_FALSE(fs::exists(pathOf(streamed.back().cachedSrc)));
    EXPECT_EQ(cacheFolders(), 0u);
}

// The body's chunks wait on the handler's queue until they are in the file. With the queue
// held up (a slow disk) and a server that never stops, the transfer pauses once the handler's
// window is full, and at the cap it stops where the bytes arrive, not where the file is.
TEST_F(GADPrecacheGMSGHandlerTest, AServerFasterThanTheDiskWaitsAndStopsAtTheCap) {
    using H = GADPrecacheGMSGHandler;
    constexpr std::int64_t kCap = 4 * 1024 * 1024;
    // The most the transfer library hands over at once.
    constexpr std::int64_t kChunk = 16 * 1024;
    // After its first block the server waits until the disk is held, so that however fast this
    // machine writes, the cap is not reached before the hold.
    auto held = server.makeGate();
    server.get("/endless", [held](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "video/mp4", [held, blocks = 0](std::size_t, httplib::DataSink& sink) mutable {
                static const std::string block(64 * 1024, 'e');
                if (blocks++ == 1 && !held->wait()) return false;
                return sink.write(block.data(), block.size());
            });
    });
    auto queue = std::make_shared<platform::SerialQueue>("precache.test.slow-disk");
    handler = H::create(kCap, queue);
    precache("/endless");
    ASSERT_TRUE(waitForBytes(1));
    auto disk = server.makeGate();
    queue->async([disk] { disk->wait(); });
    ASSERT_TRUE(disk->waitForArrivals(1));
    held->release();
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return handler->queuedBytes() >= H::kMaxQueuedBytes; }));
    const auto readWhileHeld = handler->receivedBytes();
    EXPECT_LT(readWhileHeld, kCap);

    disk->release();
    ASSERT_TRUE(waitForEvent("precacheCanceled"));
    settle();
    const auto all = events();
    EXPECT_EQ(all.back().event, "precacheCanceled");
    EXPECT_EQ(all.back().totalBytes, -1);
    EXPECT_LE(all.back().bytesLoaded, kCap);
    // Read: what was written, no more than the cap.
    EXPECT_EQ(handler->receivedBytes(), all.back().bytesLoaded);
    EXPECT_GT(handler->receivedBytes(), kCap - kChunk);
    EXPECT_LE(handler->peakQueuedBytes(), H::kMaxQueuedBytes + kChunk);
    EXPECT_EQ(handler->queuedBytes(), 0);
    EXPECT_FALSE(fs::exists(pathOf(all.back().cachedSrc)));
    EXPECT_EQ(cacheFolders(), 0u);
}

// A redirect we do not follow, or an error page, is not the resource: no file, and the page
// hears that the download failed.
TEST_F(GADPrecacheGMSGHandlerTest, AnswersOtherThanSuccessCancelWithoutAFile) {
    server.redirect("/moved", "file:///etc/passwd");
    server.text("/gone", "<p>gone</p>", 404, "text/html");
    int canceled = 0;
    for (const char* path : {"/moved", "/gone"}) {
        handler = GADPrecacheGMSGHandler::create();
        precache(path);
        ASSERT_TRUE(waitForEvent("precacheCanceled", ++canceled)) << path;
        settle();
        const auto last = events().back();
        EXPECT_EQ(last.bytesLoaded, 0) << path;
        EXPECT_EQ(last.cachedSrc, "") << path;
        EXPECT_EQ(cacheFolders(), 0u) << path;
    }
    for (const auto& e : events()) EXPECT_NE(e.event, "precacheComplete");
}

TEST_F(GADPrecacheGMSGHandlerTest, HostileNamesStayInTheirFolder) {
    using H = GADPrecacheGMSGHandler;
    EXPECT_EQ(H::safeFileName("../../x"), "x");
    EXPECT_EQ(H::safeFileName("..\\..\\evil.exe"), "evil.exe");
    EXPECT_EQ(H::safeFileName(""), "download");
    EXPECT_EQ(H::safeFileName("."), "download");
    EXPECT_EQ(H::safeFileName(".."), "download");
    EXPECT_EQ(H::safeFileName("a/"), "download");
    EXPECT_EQ(H::safeFileName(".hidden"), "hidden");
    EXPECT_EQ(H::safeFileName(std::string("a\0b\x01\x1f\x7f\nc.mp4", 12)), "abc.mp4");
    EXPECT_EQ(H::safeFileName("bad\xff\xfe.mp4"), "bad.mp4");
    EXPECT_EQ(H::safeFileName("caf\xC3\xA9.mp4"), "caf\xC3\xA9.mp4");
    // Long names keep their extension and whole characters.
    const std::string longName = std::string(10000, 'n') + ".mp4";
    EXPECT_EQ(H::safeFileName(longName), std::string(196, 'n') + ".mp4");
    std::string wide;
    for (int i = 0; i < 150; ++i) wide += "\xE2\x82\xAC";
    const std::string cut = H::safeFileName(wide + ".webm");
    EXPECT_EQ(cut, std::string(wide, 0, 195) + ".webm");
    EXPECT_LE(H::safeFileName(std::string(300, 'z')).size(), H::kMaxFileNameBytes);

    // End to end: whatever the server names, the file lands in its own folder.
    const std::vector<std::pair<std::string, std::string>> served = {
        {"/d1", "attachment; filename=\"../../x\""},
        {"/d2", "attachment; filename*=UTF-8''%2F..%2Fx"},
        {"/d3", "attachment; filename=\"\""},
        {"/d4", "attachment; filename=\"..\""},
        {"/d5", "attachment; filename=\"" + std::string(10000, 'l') + ".mp4\""},
        {"/d6", "attachment; filename=\"tab\there\""},
    };
    int complete = 0;
    for (const auto& [path, disposition] : served) {
        handler = GADPrecacheGMSGHandler::create();
        server.get(path,
                   [disposition = disposition](const httplib::Request&, httplib::Response& res) {
                       res.set_header("Content-Disposition", disposition);
                       res.set_content("body", "application/octet-stream");
                   });
        precache(path);
        ASSERT_TRUE(waitForEvent("precacheComplete", ++complete)) << path;
        const fs::path file = pathOf(events().back().cachedSrc);
        EXPECT_EQ(file.parent_path().parent_path(), temporaryRoot()) << path;
        EXPECT_EQ(contents(file), "body") << path;
        EXPECT_LE(file.filename().string().size(), H::kMaxFileNameBytes) << path;
    }
}

TEST_F(GADPrecacheGMSGHandlerTest, ReleasedMidDownloadNothingFollowsAndNothingStays) {
    auto gate = server.makeGate();
    server.chunked("/stream", {"aaaa", "bbbb"}, gate, 1);
    precache("/stream");
    ASSERT_TRUE(waitForBytes(4));
    const auto before = events().size();
    handler.reset();
    gate->release();
    settle();
    EXPECT_EQ(events().size(), before);
    EXPECT_EQ(cacheFolders(), 0u);
}

}  // namespace
}  // namespace ads
