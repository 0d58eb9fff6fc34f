#include "ads/web/GADAdViewDelegate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/MainLoopTestScope.h"
#include "platform/runtime/NotificationCenter.h"
#include "platform/testing/RunMainLoopUntil.h"

namespace ads {
namespace {

using platform::Url;
using platform::Value;

// Everything the handlers ran and every fallback notification, in the order they happened.
using Journal = std::vector<std::string>;

class TestDelegate : public GADAdViewDelegate {
  public:
    TestDelegate() : GADAdViewDelegate(Private{}) {}
    using GADAdViewDelegate::addGMSGHandler;
};

// Knows "log" and "video"; "add" appends a handler that knows "later".
class FirstHandler : public GADGMSGHandler {
  public:
    FirstHandler(Journal& journal, std::weak_ptr<TestDelegate> delegate)
        : journal_(journal), delegate_(std::move(delegate)) {}
    const GADGMSGActionTable* actionBlockDictionary() const override {
        static const GADGMSGActionTable table{
            {"log", action(&FirstHandler::record)},
            {"video", action(&FirstHandler::record)},
            {"add", action(&FirstHandler::add)},
        };
        return &table;
    }
    void record(const GADGMSGActionInfo& info) {
        journal_.push_back("first:" + info.note->name() + info.note->parameter("i").value_or(""));
    }
    void add(const GADGMSGActionInfo& info);

  private:
    Journal& journal_;
    std::weak_ptr<TestDelegate> delegate_;
};

// Knows "video" too, which the first handler always takes, and "close".
class SecondHandler : public GADGMSGHandler {
  public:
    explicit SecondHandler(Journal& journal) : journal_(journal) {}
    const GADGMSGActionTable* actionBlockDictionary() const override {
        static const GADGMSGActionTable table{
            {"video", action(&SecondHandler::record)},
            {"close", action(&SecondHandler::record)},
            {"later", action(&SecondHandler::record)},
        };
        return &table;
    }
    void record(const GADGMSGActionInfo& info) {
        journal_.push_back("second:" + info.note->name());
    }

  private:
    Journal& journal_;
};

void FirstHandler::add(const GADGMSGActionInfo& info) {
    record(info);
    if (auto delegate = delegate_.lock()) {
        delegate->addGMSGHandler(std::make_shared<SecondHandler>(journal_));
    }
}

class GADAdViewDelegateTest : public ::testing::Test {
  protected:
    GADAdViewDelegateTest() {
        observation_ = platform::NotificationCenter::defaultCenter().observe(
            "", nullptr, [this](const platform::Notification& n) {
                if (n.name.rfind("UI", 0) == 0) return;
                journal.push_back("posted:" + n.name + " " + n.userInfo.description());
                objects.push_back(n.object);
            });
    }

    void send(const std::string& url) { delegate->handleGMSGURL(*Url::parse(url), nullptr); }
    bool waitForEntries(std::size_t count) {
        return platform::testing::runMainLoopUntil([&] { return journal.size() >= count; });
    }

    platform::MainLoopTestScope scope;
    Journal journal;
    std::vector<const void*> objects;
    std::shared_ptr<TestDelegate> delegate = std::make_shared<TestDelegate>();
    platform::NotificationCenter::Observation observation_;
};

TEST_F(GADAdViewDelegateTest, TheFirstHandlerThatKnowsTheActionTakesIt) {
    EXPECT_TRUE(delegate->gmsgHandlers().empty());
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    delegate->addGMSGHandler(std::make_shared<SecondHandler>(journal));
    delegate->addGMSGHandler(nullptr);
    EXPECT_EQ(delegate->gmsgHandlers().size(), 2u);

    send("gmsg://x/video");
    send("gmsg://x/close");
    send("gmsg://x/log?i=1");
    ASSERT_TRUE(waitForEntries(3));
    EXPECT_EQ(journal, (Journal{"first:video", "second:close", "first:log1"}));
}

TEST_F(GADAdViewDelegateTest, AnActionNoHandlerKnowsIsPostedNamedAfterIt) {
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    send("gmsg://x/showOverlay?height=50&html=%3Cb%3E");
    send("gmsg://x/Log");
    ASSERT_TRUE(waitForEntries(2));
    EXPECT_EQ(journal, (Journal{R"(posted:showOverlay {
    height = 50;
    html = "<b>";
})",
                                "posted:Log {\n}"}));
    EXPECT_EQ(objects, (std::vector<const void*>{nullptr, nullptr}));
}

TEST_F(GADAdViewDelegateTest, AUrlWithoutAnActionRunsAndPostsNothing) {
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    // Messages keep their order, so once the last one has arrived the others have been seen.
    send("gmsg://log");
    send("gmsg://x/");
    send("https://x/log");
    send("gmsg://x/log?i=9");
    ASSERT_TRUE(waitForEntries(1));
    scope.runUntilIdle();
    EXPECT_EQ(journal, (Journal{"first:log9"}));
}

TEST_F(GADAdViewDelegateTest, AHandlerAddedDuringDispatchSeesOnlyLaterMessages) {
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    // Both arrive before any dispatch: the second travels with the list as it was.
    send("gmsg://x/add");
    send("gmsg://x/later");
    ASSERT_TRUE(waitForEntries(2));
    EXPECT_EQ(journal, (Journal{"first:add", "posted:later {\n}"}));
    EXPECT_EQ(delegate->gmsgHandlers().size(), 2u);

    send("gmsg://x/later");
    ASSERT_TRUE(waitForEntries(3));
    EXPECT_EQ(journal.back(), "second:later");
}

TEST_F(GADAdViewDelegateTest, ABurstArrivesInTheOrderSent) {
    delegate->addGMSGHandler(std::make_shared<FirstHandler>(journal, delegate));
    Journal expected;
    for (int i = 0; i < 100; ++i) {
        // Every tenth message has no handler: the notifications keep their order too.
        if (i % 10 == 9) {
            send("gmsg://x/unknown" + std::to_string(i));
            expected.push_back("posted:unknown" + std::to_string(i) + " {\n}");
        } else {
            send("gmsg://x/log?i=" + std::to_string(i));
            expected.push_back("first:log" + std::to_string(i));
        }
    }
    ASSERT_TRUE(waitForEntries(100));
    Journal handled, posted, expectedHandled, expectedPosted;
    for (const auto& e : journal) (e.rfind("posted:", 0) == 0 ? posted : handled).push_back(e);
    for (const auto& e : expected) {
        (e.rfind("posted:", 0) == 0 ? expectedPosted : expectedHandled).push_back(e);
    }
    EXPECT_EQ(handled, expectedHandled);
    EXPECT_EQ(posted, expectedPosted);
}

}  // namespace
}  // namespace ads
