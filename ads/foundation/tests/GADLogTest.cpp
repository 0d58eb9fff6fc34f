#include "ads/foundation/GADLog.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/GADLogger.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/GlobalQueue.h"

namespace ads {
namespace {

using platform::LogSink;

TEST(GADLogTest, FormatsAtTheCallAndWritesOnTheLoggingQueue) {
    LogSink::Capture capture;
    std::string name = "banner";
    GADLog("%s loaded in %d ms", name.c_str(), 12);
    // The text was made at the call: changing the argument afterwards changes nothing.
    name = "changed";
    GADLogText("100% literal, %s stays");
    GADLogger::sharedInstance().logPublicMessage("Invalid Request: {}");
    GADLogFlush();
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"banner loaded in 12 ms", "100% literal, %s stays",
                                        "<Zivivu> Invalid Request: {}"}));
}

TEST(GADLogTest, LinesKeepTheOrderOfTheirCallsAcrossThreads) {
    LogSink::Capture capture;
    constexpr int kThreads = 4;
    constexpr int kLines = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) GADLog("t%d %d", t, i);
        });
    }
    for (auto& thread : threads) thread.join();
    // A line logged after another thread's line (here: after that thread finished) comes
    // after it.
    GADLog("last");
    GADLogFlush();
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines + 1));
    EXPECT_EQ(lines.back(), "last");
    for (int t = 0; t < kThreads; ++t) {
        int next = 0;
        const std::string prefix = "t" + std::to_string(t) + " ";
        for (const auto& line : lines) {
            if (line.rfind(prefix, 0) != 0) continue;
            EXPECT_EQ(line, prefix + std::to_string(next)) << "thread " << t;
            ++next;
        }
        EXPECT_EQ(next, kLines);
    }
}

TEST(GADLogTest, LoggingNeverWaitsForTheConsole) {
    LogSink::Capture capture;
    std::promise<void> release;
    auto released = release.get_future().share();
    // The console is stuck: the writer waits inside the sink...
    LogSink::Handler previous;
    previous = LogSink::setHandler([released, &previous](const std::string& line) {
        released.wait();
        previous(line);
    });
    GADLog("first");
    // ...and the caller still logs on without waiting.
    for (int i = 0; i < 10; ++i) GADLog("more %d", i);
    release.set_value();
    GADLogFlush();
    LogSink::setHandler(previous);
    EXPECT_TRUE(capture.contains("first"));
    EXPECT_TRUE(capture.contains("more 9"));
}

}  // namespace
}  // namespace ads
