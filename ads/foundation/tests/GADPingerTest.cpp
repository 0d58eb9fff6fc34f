#include "ads/foundation/GADPinger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADSettingsKeys.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/base/LogSink.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

namespace keys = settings_keys;
using platform::Value;
using platform::testing::runMainLoopUntil;
using platform::testing::TestHttpServer;

constexpr const char* kGroup = "group";

class GADPingerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.text("/ok", "", 204);
        server.text("/same", "", 304);
        server.text("/missing", "", 404);
        server.text("/big", std::string(200 * 1024, 'b'), 200);
    }

    // Pings and waits for the answer.
    std::optional<bool> ping(const std::string& url) {
        std::atomic<int> result{-1};
        pinger->pingURLString(url, [&](bool success) { result = success ? 1 : 0; });
        if (!runMainLoopUntil([&] { return result.load() >= 0; })) return std::nullopt;
        return result.load() == 1;
    }

    std::int64_t countOf(const std::string& url) {
        auto group = pinger->retryStore().group(kGroup);
        auto found = group.find(url);
        return found == group.end() ? -1 : found->second[keys::kRetryCount].integerValue();
    }

    // Waits until every ping sent has been answered.
    bool answered() {
        return runMainLoopUntil([&] { return pinger->pingsInFlight() == 0; });
    }

    testing::AdsTestScope scope;
    TestHttpServer server;
    std::shared_ptr<GADPinger> pinger = GADPinger::create();
};

TEST_F(GADPingerTest, OnlyA2xxAnswerWithoutTransportErrorSucceeds) {
    EXPECT_EQ(ping(server.url("/ok")), true);
    EXPECT_EQ(ping(server.url("/same")), false);
    EXPECT_EQ(ping(server.url("/missing")), false);
    // A long body is cut; the status decides.
    EXPECT_EQ(ping(server.url("/big")), true);
    EXPECT_EQ(ping("http://127.0.0.1:1/refused"), false);
    const auto requests = server.requests().size();
    EXPECT_EQ(ping(""), false);
    EXPECT_EQ(ping("not a url"), false);
    EXPECT_EQ(server.requests().size(), requests);
    // Without a completion nothing is sent.
    pinger->pingURLString(server.url("/ok"), nullptr);
    pinger->sync([] {});
    EXPECT_EQ(server.requestCount("/ok"), 1u);
}

TEST_F(GADPingerTest, StoringKeepsCountsAndStopsAtTheMaximum) {
    EXPECT_EQ(pinger->maximumRetryURLCount(), 10);
    EXPECT_EQ(pinger->URLRetryCount(), 3);
    EXPECT_EQ(pinger->pingInterval(), 60);
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(
            pinger->storeRetryURLString(server.url("/missing?n=" + std::to_string(i)), kGroup));
    }
    // The eleventh is pinged once, never stored.
    const std::string eleventh = server.url("/missing?n=10");
    pinger->pingWithRetryGroupKey(kGroup, *platform::Url::parse(eleventh), eleventh);
    ASSERT_TRUE(server.waitForRequests(1));
    pinger->sync([] {});
    EXPECT_EQ(countOf(eleventh), -1);
    EXPECT_EQ(pinger->retryStore().group(kGroup).size(), 10u);
    EXPECT_EQ(pinger->retryStore().groupKeys(), std::vector<std::string>{kGroup});

    // Storing again leaves the count as it is.
    const std::string first = server.url("/missing?n=0");
    platform::UserDefaults::standard().setObject(
        kGroup, Value::dictionary({{first, Value::dictionary({{keys::kRetryCount, 1}})}}));
    EXPECT_TRUE(pinger->storeRetryURLString(first, kGroup));
    EXPECT_EQ(countOf(first), 1);
    // Texts that cannot be stored.
    EXPECT_FALSE(pinger->storeRetryURLString("", kGroup));
    EXPECT_FALSE(pinger->storeRetryURLString(first, ""));
    EXPECT_FALSE(pinger->storeRetryURLString(first, keys::kRetryGroupKeys));
}

TEST_F(GADPingerTest, ARecordCountsDownOverTicksAndGoes) {
    const std::string url = server.url("/missing?tick");
    ASSERT_TRUE(pinger->storeRetryURLString(url, kGroup));
    pinger->start();
    pinger->start();  // once
    std::size_t seen = 0;
    for (std::int64_t left = 2; left >= 0; --left) {
        scope.advance(59);
        pinger->sync([] {});
        EXPECT_EQ(server.requests().size(), seen) << "before the tick";
        scope.advance(1);
        ASSERT_TRUE(server.waitForRequests(++seen));
        ASSERT_TRUE(answered());
        EXPECT_EQ(countOf(url), left);
    }
    // The tick that finds it at 0 forgets it, without a ping.
    scope.advance(60);
    pinger->sync([] {});
    EXPECT_EQ(countOf(url), -1);
    EXPECT_EQ(server.requests().size(), seen);
    // The empty group stays.
    EXPECT_EQ(pinger->retryStore().groupKeys(), std::vector<std::string>{kGroup});
}

TEST_F(GADPingerTest, AnInFlightRecordKeepsItsCountAndSuccessRemovesIt) {
    auto gate = server.makeGate();
    server.stalled("/slow", gate, "");
    const std::string url = server.url("/slow");
    pinger->pingWithRetryGroupKey(kGroup, *platform::Url::parse(url), url);
    ASSERT_TRUE(gate->waitForArrivals(1));
    // Another program (or the next launch) reading the file finds the record already.
    {
        platform::UserDefaults reader(platform::UserDefaults::standardFilePath());
        auto group = reader.dictionaryForKey(kGroup);
        ASSERT_TRUE(group);
        EXPECT_EQ((*group)[url][keys::kRetryCount].integerValue(), 3);
    }
    // A tick meanwhile neither sends it again nor counts it down.
    pinger->pingRetryURLs();
    pinger->sync([] {});
    EXPECT_EQ(countOf(url), 3);
    EXPECT_EQ(server.requestCount("/slow"), 1u);

    gate->release();
    ASSERT_TRUE(runMainLoopUntil([&] {
        pinger->sync([] {});
        return countOf(url) == -1;
    }));
    platform::UserDefaults reader(platform::UserDefaults::standardFilePath());
    EXPECT_EQ(reader.dictionaryForKey(kGroup), Value::Dictionary{});
}

TEST_F(GADPingerTest, ThreadsStoringDuringPassesLoseNothing) {
    // Records that never run out, so every pass rewrites the group while threads add to it.
    platform::UserDefaults::standard().setInteger(keys::kUrlTimeToLive, 1000000);
    platform::UserDefaults::standard().setInteger(keys::kMaximumRetryURLCount, 1000);
    pinger = GADPinger::create();
    std::atomic<bool> stop{false};
    std::thread passes([&] {
        for (int pass = 0; pass < 20 && !stop; ++pass) {
            pinger->pingRetryURLs();
            pinger->sync([] {});
        }
    });
    std::vector<std::thread> storers;
    for (int t = 0; t < 4; ++t) {
        storers.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                // Refused connections: the passes' pings all fail, so records stay.
                pinger->storeRetryURLString(
                    "http://127.0.0.1:1/" + std::to_string(t) + "/" + std::to_string(i), kGroup);
            }
        });
    }
    for (auto& storer : storers) storer.join();
    stop = true;
    passes.join();
    EXPECT_EQ(pinger->retryStore().group(kGroup).size(), 40u);
    platform::UserDefaults reader(platform::UserDefaults::standardFilePath());
    EXPECT_EQ(reader.dictionaryForKey(kGroup)->size(), 40u);
    EXPECT_TRUE(answered());
}

TEST_F(GADPingerTest, StoredRecordsAreReadWithCare) {
    EXPECT_EQ(GADRetryStore::groupKeysFrom(Value("a")), std::vector<std::string>{});
    EXPECT_EQ(
        GADRetryStore::groupKeysFrom(Value::array({"a", 7, "", "a", keys::kRetryGroupKeys, "b"})),
        (std::vector<std::string>{"a", "b"}));

    const Value::Dictionary group{
        {"count-2", Value::dictionary({{keys::kRetryCount, 2}})},
        {"count-text", Value::dictionary({{keys::kRetryCount, "1"}})},
        {"count-0", Value::dictionary({{keys::kRetryCount, 0}})},
        {"count-negative", Value::dictionary({{keys::kRetryCount, -4}})},
        {"count-missing", Value::dictionary()},
        {"not-a-record", Value("x")},
        {"in-flight", Value::dictionary({{keys::kRetryCount, 0}})},
    };
    auto pass =
        GADRetryStore::pass(group, [](const std::string& url) { return url == "in-flight"; });
    EXPECT_TRUE(pass.changed);
    EXPECT_EQ(pass.toPing, (std::vector<std::string>{"count-2", "count-text"}));
    EXPECT_EQ(pass.group,
              (Value::Dictionary{{"count-2", Value::dictionary({{keys::kRetryCount, 1}})},
                                 {"count-text", Value::dictionary({{keys::kRetryCount, 0}})},
                                 {"in-flight", Value::dictionary({{keys::kRetryCount, 0}})}}));
    EXPECT_FALSE(
        GADRetryStore::pass({{"in-flight", Value(1)}}, [](auto&) { return true; }).changed);

    // Beyond its maximum a group is cut (the first records stay), and no count is above the
    // retries a new record gets.
    pass = GADRetryStore::pass(group, {}, 2, 1);
    EXPECT_EQ(pass.overMaximum, 5u);
    EXPECT_EQ(pass.toPing, std::vector<std::string>{"count-2"});
    EXPECT_EQ(pass.group,
              (Value::Dictionary{{"count-2", Value::dictionary({{keys::kRetryCount, 0}})}}));
    const Value::Dictionary plenty{{"a", Value::dictionary({{keys::kRetryCount, 1000000}})},
                                   {"b", Value::dictionary({{keys::kRetryCount, 1}})},
                                   {"c", Value::dictionary({{keys::kRetryCount, 1}})}};
    pass = GADRetryStore::pass(plenty, {}, 2, 3);
    EXPECT_EQ(pass.overMaximum, 1u);
    EXPECT_EQ(pass.toPing, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(pass.group, (Value::Dictionary{{"a", Value::dictionary({{keys::kRetryCount, 2}})},
                                             {"b", Value::dictionary({{keys::kRetryCount, 0}})}}));
    EXPECT_TRUE(GADRetryStore::pass(plenty, {}, -1, 3).group.empty());

    // Keys and groups of the wrong kind are passed over, and nothing is written for them.
    auto& defaults = platform::UserDefaults::standard();
    defaults.setObject(keys::kRetryGroupKeys, Value::array({"number", "missing", 3}));
    defaults.setObject("number", Value(5));
    pinger->pingRetryURLs();
    pinger->sync([] {});
    EXPECT_EQ(defaults.objectForKey("number"), Value(5));
    EXPECT_FALSE(defaults.hasKey("missing"));
}

TEST_F(GADPingerTest, APlantedCrowdOfRetriesIsCutToTheGroupsMaximum) {
    // 20,000 records in the crash reports' group, each with more tries than a new one gets,
    // as a damaged or edited file could hold them at the next start.
    Value::Dictionary planted;
    for (int i = 0; i < 20000; ++i) {
        planted.emplace(server.url("/missing?n=" + std::to_string(100000 + i)),
                        Value::dictionary({{keys::kRetryCount, 1000000}}));
    }
    auto& defaults = platform::UserDefaults::standard();
    defaults.setObject(keys::kRetryGroupKeys, Value::array({keys::kCrashReporting}));
    defaults.setObject(keys::kCrashReporting, Value(std::move(planted)));
    ASSERT_TRUE(defaults.synchronize());
    platform::LogSink::Capture logs;

    pinger = GADPinger::create();
    pinger->pingRetryURLs();
    pinger->sync([] {});
    ASSERT_TRUE(answered());
    EXPECT_EQ(server.requestCount("/missing"), 10u);
    GADLogFlush();
    EXPECT_TRUE(
        logs.contains("Retry group /zivivu/ads/crash_reporting held 19990 records more "
                      "than its maximum of 10; they were dropped."));
    // What is left is on disk, with the counts a new record would have had after one try.
    platform::UserDefaults reader(platform::UserDefaults::standardFilePath());
    const auto group = reader.dictionaryForKey(keys::kCrashReporting);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->size(), 10u);
    for (const auto& [url, record] : *group)
        EXPECT_EQ(record[keys::kRetryCount].integerValue(), 2) << url;

    // Storing into a group read back over its maximum cuts it too, and finds no room.
    Value::Dictionary crowd;
    for (int i = 0; i < 50; ++i)
        crowd.emplace("http://127.0.0.1:1/" + std::to_string(i), Value::dictionary());
    defaults.setObject(kGroup, Value(std::move(crowd)));
    EXPECT_FALSE(pinger->storeRetryURLString("http://127.0.0.1:1/new", kGroup));
    EXPECT_EQ(pinger->retryStore().group(kGroup).size(), 10u);
    GADLogFlush();
    EXPECT_TRUE(logs.contains("Retry group group held 40 records more than its maximum of 10"));
}

}  // namespace
}  // namespace ads
