#include "platform/base/LogSink.h"

#include <gtest/gtest.h>

#include <thread>

using platform::LogSink;

TEST(LogSink, CaptureSeesWholeMessagesFromManyThreads) {
    LogSink::Capture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) LogSink::writef("thread %d line %d end", t, i);
        });
    }
    for (auto& th : threads) th.join();
    auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 800u);
    for (const auto& l : lines) {
        EXPECT_EQ(l.rfind("thread ", 0), 0u) << l;
        EXPECT_EQ(l.substr(l.size() - 4), " end") << l;
    }
}

TEST(LogSink, TrailingNewlineIsNotDoubledAndCapturesNest) {
    LogSink::Capture outer;
    LogSink::write("one\n");
    {
        LogSink::Capture inner;
        LogSink::write("[tag] text\ndetail");
        EXPECT_EQ(inner.lines(), std::vector<std::string>{"[tag] text\ndetail"});
    }
    LogSink::write("two");
    EXPECT_EQ(outer.lines(), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(outer.contains("tw"));
    outer.clear();
    EXPECT_EQ(outer.count(), 0u);
}
