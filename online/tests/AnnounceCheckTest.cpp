// The announcement check against a loopback server: request, schedule, download checks,
// the image cache and what a shutdown or a bad answer leaves behind.

#include <thread>

#include "AnnounceTestSupport.h"
#include "online/AnnounceInfo.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/ui/View.h"

using namespace online;

using namespace announce_test;

namespace {

class AnnounceCheckTest : public AnnounceFixture {
  protected:
    AnnounceCheckTest() {
        core->webUrl = server.url("/iphone/");
        // An interval of 0 lets every test start the next check at once.
        serveList(Value::array({row({"HPVe", "Am1"})}));
    }

    void serveList(const Value& list) {
        server.text(kListPath, plistBytes(list), 200, "application/xml");
    }
    void serveImage(const std::string& name, const std::string& bytes) {
        server.text("/iphone/cmd/img/" + name, bytes, 200, "image/png");
    }
    // The red, blue and green pictures and a list naming them, checked again after `success`
    // seconds.
    void serveThreeImages(const char* success = "3600");
    // Runs one check to its end.
    void check() {
        am.startDownload();
        am.waitForDownload();
    }
    std::size_t listRequests() { return server.requestCount(kListPath); }

    static constexpr const char* kListPath = "/iphone/cmd/announce";
    platform::testing::TestHttpServer server;
    const std::string red = pngBytes(40, 30, 200);
    const std::string blue = pngBytes(40, 30, 20);
    const std::string green = pngBytes(8, 8, 90);
};

Value threeImageList(const std::string& a, const std::string& b, const std::string& c,
                     const char* success = "3600") {
    return Value::array({
        row({"HPVe", "Am1"}),
        row({"HCIt", success, "600"}),
        row({"HFUr", "img/"}),
        fileRow("a", "a.png", a),
        fileRow("b", "b.png", b),
        fileRow("c", "c.png", c),
        row({"SetP", "durezInterstitialAdPublisherId", "pub-9"}),
    });
}

void AnnounceCheckTest::serveThreeImages(const char* success) {
    serveList(threeImageList(red, blue, green, success));
    serveImage("a.png", red);
    serveImage("b.png", blue);
    serveImage("c.png", green);
}

}  // namespace

TEST_F(AnnounceCheckTest, ASuccessfulCheckCachesEverythingAndSignsItsRequest) {
    ASSERT_TRUE(server.isRunning());
    serveThreeImages();
    double start = wallNow();
    check();

    ASSERT_EQ(listRequests(), 1u);
    auto request = server.requestsFor(kListPath)[0];
    uint32_t dt = static_cast<uint32_t>(start);
    EXPECT_EQ(request.param("gid"), "1023");
    EXPECT_EQ(request.param("v"), "1.0 b");
    EXPECT_EQ(request.param("arid"), core->aridStr());
    EXPECT_EQ(request.param("dt"), std::to_string(dt));
    std::string signedText =
        "1023,1.0 b,ar" + core->aridStr() + "," + std::to_string(dt) + ",Rq4tWzLm8PxYc2Nh";
    EXPECT_EQ(request.param("ha"), std::to_string(crcOf(signedText)));
    EXPECT_EQ(request.param("tn"), "x86_64;8.4");
    EXPECT_EQ(request.param("fv"), "20");
    EXPECT_NE(request.target.find("v=1.0+b"), std::string::npos);

    EXPECT_TRUE(cached("a.png." + hex8(crcOf(red))));
    EXPECT_TRUE(cached("b.png." + hex8(crcOf(blue))));
    EXPECT_TRUE(cached("c.png." + hex8(crcOf(green))));
    EXPECT_TRUE(cached("announce.plist"));
    EXPECT_TRUE(cached("status.plist"));
    // All of it private to the user, the status record (the service's settings) too.
    for (const auto& entry : fs::directory_iterator(cacheDir()))
        EXPECT_EQ(entry.status().permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << entry.path();
    EXPECT_EQ(am.previousCheckAt(), start);
    EXPECT_EQ(am.nextCheckAfter(), start + 3600);
    EXPECT_TRUE(am.bannerIsDirty());
    EXPECT_EQ(am.amPropertyAsStringForKey("durezInterstitialAdPublisherId", ""), "pub-9");

    // The check asks the main thread for an interstitial; only the main loop runs it.
    EXPECT_EQ(ads.count(), 0u);
    scope.runUntilIdle();
    ASSERT_EQ(ads.count(), 1u);
    EXPECT_EQ(ads.last().adUnitId, "pub-9");

    // A fresh process reads the schedule and settings back.
    am.resetForTesting();
    am.setAppCore(core);
    am.setInterstitialAdFactory(ads.factory());
    am.loadState();
    EXPECT_EQ(am.nextCheckAfter(), start + 3600);
    EXPECT_EQ(am.amPropertyAsStringForKey("durezInterstitialAdPublisherId", ""), "pub-9");

    // Cached images are never fetched again.
    scope.clock().setWallSeconds(start + 3600);
    check();
    EXPECT_EQ(listRequests(), 2u);
    EXPECT_EQ(server.requestCount("/iphone/cmd/img/a.png"), 1u);
}

TEST_F(AnnounceCheckTest, TheScheduleWindowAndAClockSetBack) {
    serveThreeImages("3600");
    double start = wallNow();
    check();
    ASSERT_EQ(listRequests(), 1u);

    // Inside the window nothing starts, also after a relaunch.
    scope.clock().setWallSeconds(start + 3599);
    check();
    am.resetForTesting();
    am.setAppCore(core);
    am.setInterstitialAdFactory(ads.factory());
    check();
    EXPECT_EQ(listRequests(), 1u);

    // A clock set back before the last check lets one run.
    scope.clock().setWallSeconds(start - 10);
    check();
    EXPECT_EQ(listRequests(), 2u);

    // A list without intervals allows the next check at once.
    serveList(Value::array({row({"HPVe", "Am1"})}));
    scope.clock().setWallSeconds(start + 4000);
    check();
    check();
    EXPECT_EQ(listRequests(), 4u);
}

// The README's order: a run against the built-in address fails its check and waits a minute;
// the next run, pointed at a local service, must not inherit that minute.
TEST_F(AnnounceCheckTest, AScheduleHoldsOnlyForTheServiceThatMadeIt) {
    const std::string served = core->webUrl;
    core->webUrl = "http://127.0.0.1:1/iphone/";
    check();
    EXPECT_GT(am.nextCheckAfter(), wallNow());

    // Another address, also after a relaunch that reads the schedule back: checked at once.
    am.resetForTesting();
    am.setAppCore(core);
    am.setInterstitialAdFactory(ads.factory());
    serveThreeImages("3600");
    core->webUrl = served;
    check();
    EXPECT_EQ(listRequests(), 1u);
    auto status = platform::PropertyList::readFile(cacheDir() / "status.plist");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->find("checkedUrl")->asString(), served + "cmd/announce");

    // The same address keeps its window.
    check();
    EXPECT_EQ(listRequests(), 1u);
}

TEST_F(AnnounceCheckTest, AnswersThatFailADownloadCheckChangeNothing) {
    serveThreeImages("0");
    check();
    ASSERT_TRUE(cached("announce.plist"));
    auto before = platform::AtomicFile::read(cacheDir() / "announce.plist");

    const std::string rejected = plistBytes(Value::array(
        {row({"HPVe", "Am2"}), row({"SetP", "durezInterstitialAdPublisherId", "other"})}));
    struct Case {
        const char* what;
        std::function<void(const httplib::Request&, httplib::Response&)> answer;
    };
    const Case cases[] = {
        {"not found",
         [](auto&, auto& res) {
             res.status = 404;
             res.set_content("x", "text/plain");
         }},
        {"server error", [](auto&, auto& res) { res.status = 500; }},
        {"not a property list", [](auto&, auto& res) { res.set_content("<html>", "text/html"); }},
        {"root not an array",
         [](auto&, auto& res) {
             res.set_content(plistBytes(Value::dictionary({{"a", 1}})), "text/xml");
         }},
        {"another list version", [&](auto&, auto& res) { res.set_content(rejected, "text/xml"); }},
        {"longer than the cap",
         [](auto&, auto& res) {
             res.set_content(std::string(AnnounceManager::kMaxDownloadBytes + 1, 'x'), "text/xml");
         }},
        {"shorter than announced",
         [](auto&, auto& res) {
             res.set_header("Content-Length", "5000");
             res.body = "short";
         }},
    };
    for (const Case& c : cases) {
        server.get(kListPath, c.answer);
        double t = wallNow();
        check();
        EXPECT_EQ(am.nextCheckAfter(), t + AnnounceManager::kRetryAfterFailure) << c.what;
        EXPECT_EQ(platform::AtomicFile::read(cacheDir() / "announce.plist"), before) << c.what;
        EXPECT_EQ(am.amPropertyAsStringForKey("durezInterstitialAdPublisherId", ""), "pub-9")
            << c.what;
        EXPECT_TRUE(cached("a.png." + hex8(crcOf(red)))) << c.what;
        // The next check is 60 s away.
        scope.clock().setWallSeconds(t + AnnounceManager::kRetryAfterFailure);
    }
}

TEST_F(AnnounceCheckTest, ACrcMismatchKeepsEarlierImagesAndSavesNothing) {
    serveList(Value::array(
        {row({"HPVe", "Am1"}), row({"HFUr", "img/"}), fileRow("a", "old.png", green)}));
    serveImage("old.png", green);
    check();
    ASSERT_TRUE(cached("old.png." + hex8(crcOf(green))));
    auto before = platform::AtomicFile::read(cacheDir() / "announce.plist");

    // The second of three images arrives damaged.
    serveList(threeImageList(red, blue, green, "3600"));
    serveImage("a.png", red);
    serveImage("b.png", blue + "x");
    serveImage("c.png", green);
    double t = wallNow();
    check();
    EXPECT_TRUE(cached("a.png." + hex8(crcOf(red))));
    EXPECT_FALSE(cached("b.png." + hex8(crcOf(blue))));
    EXPECT_FALSE(cached("b.png." + hex8(crcOf(blue + "x"))));
    EXPECT_EQ(server.requestCount("/iphone/cmd/img/c.png"), 0u);
    EXPECT_EQ(platform::AtomicFile::read(cacheDir() / "announce.plist"), before);
    // The previous list's image stays for the banner.
    EXPECT_TRUE(cached("old.png." + hex8(crcOf(green))));
    // The list was accepted, so the failure interval applies.
    EXPECT_EQ(am.nextCheckAfter(), t + 600);
}

TEST_F(AnnounceCheckTest, AListWhosePicturesWouldFillTheDiskNeverCompletes) {
    // Each picture is within the limit of one download; five of them are not within that of
    // one list.
    const std::size_t size = 7 * AnnounceManager::kMaxListImageBytes / 32;
    Value list = Value::array({row({"HPVe", "Am1"}), row({"HFUr", "img/"})});
    for (int i = 0; i < 5; ++i) {
        const std::string name = "p" + std::to_string(i) + ".png";
        const std::string bytes(size, static_cast<char>('a' + i));
        list.append(fileRow("k" + std::to_string(i), name, bytes));
        serveImage(name, bytes);
    }
    serveList(list);

    for (int round = 0; round < 2; ++round) {
        check();
        // Four fit; the fifth is refused again when the first four come from the cache.
        EXPECT_TRUE(cached("p3.png." + hex8(crcOf(std::string(size, 'd')))));
        EXPECT_FALSE(cached("p4.png." + hex8(crcOf(std::string(size, 'e')))));
        EXPECT_FALSE(cached("announce.plist"));
    }
    EXPECT_EQ(server.requestCount("/iphone/cmd/img/p0.png"), 1u);
    EXPECT_EQ(server.requestCount("/iphone/cmd/img/p4.png"), 2u);
}

TEST_F(AnnounceCheckTest, AChangedImageReplacesItsOldFile) {
    serveImage("a.png", red);
    serveList(
        Value::array({row({"HPVe", "Am1"}), row({"HFUr", "img/"}), fileRow("a", "a.png", red)}));
    check();
    ASSERT_TRUE(cached("a.png." + hex8(crcOf(red))));
    writeCache(".hidden", "kept");
    fs::create_directory(cacheDir() / "sub");

    serveImage("a.png", blue);
    serveList(
        Value::array({row({"HPVe", "Am1"}), row({"HFUr", "img/"}), fileRow("a", "a.png", blue)}));
    check();
    EXPECT_TRUE(cached("a.png." + hex8(crcOf(blue))));
    EXPECT_FALSE(cached("a.png." + hex8(crcOf(red))));
    EXPECT_TRUE(cached(".hidden"));
    EXPECT_TRUE(cached("sub"));
    EXPECT_TRUE(cached("status.plist"));
}

TEST_F(AnnounceCheckTest, AShutdownBetweenRowsStopsEveryWrite) {
    serveList(threeImageList(red, blue, green, "3600"));
    serveImage("a.png", red);
    serveImage("c.png", green);
    // The app leaves the foreground while the second image is on its way.
    server.get("/iphone/cmd/img/b.png", [&](const httplib::Request&, httplib::Response& res) {
        am.shutdown();
        res.set_content(blue, "image/png");
    });
    check();
    EXPECT_TRUE(cached("a.png." + hex8(crcOf(red))));
    EXPECT_FALSE(cached("b.png." + hex8(crcOf(blue))));
    EXPECT_EQ(server.requestCount("/iphone/cmd/img/c.png"), 0u);
    EXPECT_FALSE(cached("announce.plist"));
    EXPECT_FALSE(cached("status.plist"));
    EXPECT_TRUE(am.isShutdown());
}

TEST_F(AnnounceCheckTest, ASecondStartWhileACheckRunsOnlyClearsTheShutdown) {
    auto gate = server.makeGate();
    server.stalled(kListPath, gate, plistBytes(Value::array({row({"HPVe", "Am1"})})));
    am.startDownload();
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_TRUE(am.isDownloading());
    am.shutdown();
    am.startDownload();
    EXPECT_FALSE(am.isShutdown());
    gate->release();
    am.waitForDownload();
    EXPECT_EQ(listRequests(), 1u);
    // The check went on once allowed again and saved its list.
    EXPECT_TRUE(cached("announce.plist"));
}

TEST_F(AnnounceCheckTest, TraversalNamesRejectTheListAndWriteNothingOutside) {
    serveImage("evil.png", red);
    serveList(Value::array({row({"HPVe", "Am1"}), row({"HFUr", "img/"}),
                            row({"Fi", "a", "../evil.png", hex8(crcOf(red))}),
                            row({"SetP", "durezEnable", "1"})}));
    check();
    EXPECT_EQ(server.requestCount("/iphone/cmd/img/evil.png"), 0u);
    EXPECT_FALSE(fs::exists(cacheDir().parent_path() / ("evil.png." + hex8(crcOf(red)))));
    EXPECT_FALSE(cached("announce.plist"));
    EXPECT_EQ(am.amPropertyAsIntForKey("durezEnable", 0), 0);
}

TEST_F(AnnounceCheckTest, TheCacheIsPrivateAndDeletingItEmptiesIt) {
    check();
    EXPECT_EQ(fs::status(cacheDir()).permissions() & fs::perms::all, fs::perms::owner_all);
    fs::permissions(cacheDir(), fs::perms::all);
    EXPECT_EQ(fs::status(*am.prepareCacheDir()).permissions() & fs::perms::all,
              fs::perms::owner_all);
    writeCache("x.png.00000001", "x");
    ASSERT_TRUE(cached("status.plist"));
    am.processAmUrl("movuroute://app/announceManager/deleteCacheFiles");
    EXPECT_FALSE(cached("status.plist"));
    EXPECT_FALSE(cached("announce.plist"));
    EXPECT_FALSE(cached("x.png.00000001"));
}

TEST_F(AnnounceCheckTest, ABannerIsRebuiltAfterACheckSavedANewList) {
    serveImage("a.png", red);
    serveList(Value::array({row({"HPVe", "Am1"}), row({"HFUr", "img/"}), row({"HVSi", "320", "50"}),
                            fileRow("a", "a.png", red), row({"UI", "0", "0", "a"})}));
    check();
    auto parent = platform::ui::View::create(platform::Rect(0, 0, 320, 480));
    am.showBannerOn(parent, nullptr, {160, 480}, 0, 1);
    EXPECT_FALSE(am.bannerIsDirty());
    auto first = am.bannerView();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->subviews().at(0)->frame(), platform::Rect(0, 0, 40, 30));

    serveList(Value::array({row({"HPVe", "Am1"}), row({"HFUr", "img/"}), row({"HVSi", "300", "40"}),
                            fileRow("a", "a.png", red), row({"UI", "5", "5", "a"})}));
    check();
    am.showBannerOn(parent, nullptr, {160, 480}, 0, 1);
    ASSERT_TRUE(am.bannerView());
    EXPECT_NE(am.bannerView(), first);
    EXPECT_FALSE(first->superview());
    EXPECT_EQ(am.bannerView()->bounds(), platform::Rect(0, 0, 300, 40));
    EXPECT_EQ(server.requestCount("/iphone/cmd/img/a.png"), 1u);
}

TEST_F(AnnounceCheckTest, ADamagedScheduleNeverStopsChecksForGood) {
    double t = wallNow();
    ASSERT_TRUE(platform::PropertyList::writeFile(
        cacheDir() / "status.plist", Value::dictionary({{"previousCheckAt", t - 10},
                                                        {"nextCheckAfter", 1e300},
                                                        {"popupAdDoneSerial", true},
                                                        {"amProperties", "not a dictionary"}})));
    check();
    EXPECT_EQ(listRequests(), 0u);
    EXPECT_EQ(am.nextCheckAfter(), t - 10 + AnnounceInfo::kMaxCheckInterval + 86400);
    EXPECT_EQ(am.popupAdDoneSerial(), 0);
    scope.clock().setWallSeconds(t + AnnounceInfo::kMaxCheckInterval + 86400);
    check();
    EXPECT_EQ(listRequests(), 1u);

    // A status file that is not a property list is ignored as a whole.
    writeCache("status.plist", "garbage");
    scope.clock().setWallSeconds(t + 2 * AnnounceInfo::kMaxCheckInterval);
    check();
    EXPECT_EQ(listRequests(), 2u);
}
