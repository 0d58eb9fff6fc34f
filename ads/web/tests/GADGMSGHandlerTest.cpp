#include "ads/web/GADGMSGHandler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/net/UrlRequest.h"

namespace ads {
namespace {

std::atomic<int> tablesBuilt{0};

class CountingHandler : public GADGMSGHandler {
  public:
    const GADGMSGActionTable* actionBlockDictionary() const override {
        static const GADGMSGActionTable table = [] {
            ++tablesBuilt;
            return GADGMSGActionTable{
                {"log", action(&CountingHandler::log)},
                {"close", action(&CountingHandler::close)},
            };
        }();
        return &table;
    }

    void log(const GADGMSGActionInfo& info) {
        seen.push_back("log:" + info.note->parameter("string").value_or("-"));
        hadView = info.adView != nullptr;
    }
    void close(const GADGMSGActionInfo&) { seen.push_back("close"); }

    std::vector<std::string> seen;
    bool hadView = true;
};

// Declares no table of its own, so it runs its parent's actions.
class InheritingHandler : public CountingHandler {};

class PlainHandler : public GADGMSGHandler {};

std::shared_ptr<const GADNotification> note(const char* name) {
    return GADNotification::create(name, {{"string", platform::Value("hi")}});
}

TEST(GADGMSGHandlerTest, RunsTheActionOfItsClassTableOrAnswersNo) {
    CountingHandler handler;
    EXPECT_TRUE(handler.handleNotification(note("log"), nullptr));
    EXPECT_TRUE(handler.handleNotification(note("close"), nullptr));
    // Unknown and differently cased names, and no message at all, run nothing.
    EXPECT_FALSE(handler.handleNotification(note("Log"), nullptr));
    EXPECT_FALSE(handler.handleNotification(note("open"), nullptr));
    EXPECT_FALSE(handler.handleNotification(nullptr, nullptr));
    EXPECT_EQ(handler.seen, (std::vector<std::string>{"log:hi", "close"}));
    EXPECT_FALSE(handler.hadView);

    InheritingHandler child;
    EXPECT_TRUE(child.handleNotification(note("close"), nullptr));
    EXPECT_EQ(child.seen, (std::vector<std::string>{"close"}));

    PlainHandler plain;
    EXPECT_EQ(plain.actionBlockDictionary(), nullptr);
    EXPECT_FALSE(plain.handleNotification(note("log"), nullptr));
}

TEST(GADGMSGHandlerTest, OneTablePerClassBuiltOnceWhoeverAsksFirst) {
    std::vector<std::thread> threads;
    std::vector<const GADGMSGActionTable*> tables(8);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        threads.emplace_back([&tables, i] {
            CountingHandler handler;
            tables[i] = handler.actionBlockDictionary();
        });
    }
    for (auto& t : threads) t.join();
    for (const auto* table : tables) EXPECT_EQ(table, tables.front());
    EXPECT_EQ(InheritingHandler().actionBlockDictionary(), tables.front());
    EXPECT_EQ(tablesBuilt.load(), 1);
}

TEST(GADGMSGHandlerTest, RequestsReachTheTableOnlyAsGmsgMessages) {
    CountingHandler handler;
    auto request = [](const char* url) { return *platform::UrlRequest::withString(url); };
    EXPECT_TRUE(handler.handleRequest(request("GMSG://x/log?string=a%20b"), nullptr));
    EXPECT_FALSE(handler.handleRequest(request("https://x/log?string=web"), nullptr));
    EXPECT_FALSE(handler.handleRequest(request("gmsg://log"), nullptr));
    EXPECT_FALSE(handler.handleRequest(request("gmsg://x/vibrate"), nullptr));
    EXPECT_EQ(handler.seen, (std::vector<std::string>{"log:a b"}));
}

}  // namespace
}  // namespace ads
