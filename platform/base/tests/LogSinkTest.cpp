#include "platform/base/LogSink.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
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

namespace {

// What the lines written by `write` put on stderr.
std::string stderrOf(const std::function<void()>& write) {
    std::FILE* file = std::tmpfile();
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(::fileno(file), STDERR_FILENO);
    write();
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

}  // namespace

TEST(LogSink, DetailLinesReachCapturesButStderrOnlyWhenAskedFor) {
    {
        LogSink::Capture capture;
        LogSink::writeDetail("step by step");
        EXPECT_TRUE(capture.contains("step by step"));
    }
    ::unsetenv("MOVUROUTE_LOG_DETAIL");
    EXPECT_EQ(stderrOf([] {
                  LogSink::writeDetail("quiet detail");
                  LogSink::write("plain line");
              }),
              "plain line\n");
    ::setenv("MOVUROUTE_LOG_DETAIL", "1", 1);
    EXPECT_EQ(stderrOf([] { LogSink::writeDetail("asked-for detail"); }), "asked-for detail\n");
    ::unsetenv("MOVUROUTE_LOG_DETAIL");
}

TEST(LogSink, StderrGetsControlCharactersEscapedWhileCapturesKeepTheText) {
    // A server's text with a terminal escape and a carriage return that would hide the line.
    const std::string sent = "ad \x1b[2J\rfake\x7f end\tcol\nnext";
    EXPECT_EQ(stderrOf([&] { LogSink::write(sent); }),
              "ad \\x1b[2J\\x0dfake\\x7f end\tcol\nnext\n");
    EXPECT_EQ(LogSink::terminalSafe("caf\xc3\xa9"), "caf\xc3\xa9");  // UTF-8 untouched
    LogSink::Capture capture;
    LogSink::write(sent);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{sent});
}
