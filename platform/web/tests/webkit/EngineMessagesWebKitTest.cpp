// What the engine's libraries say in our process, through GLib, once a view has started it:
// it reaches our log, escaped, out of the engine's budget, and never the process's standard
// error as it is; and in a test, an object used as a type it is not ends the process there.
// Needs a display: scripts/test runs these under xvfb-run.

#include <glib-object.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/LogSink.h"
#include "platform/testing/TempDir.h"
#include "platform/web/tests/webkit/WebKitViewFixture.h"

using namespace platform;
using namespace platform::web;

namespace {

struct EngineMessagesWebKitTest : WebKitViewFixture {
    EngineMessagesWebKitTest() : WebKitViewFixture({100, 100}) {}
};

TEST_F(EngineMessagesWebKitTest, GLibMessagesReachTheLogWithinTheEnginesBudgetAndNeverStderr) {
    server.text("/page.html", "<p>engine started</p>", 200, "text/html");
    loadAndWait("/page.html");

    platform::testing::TempDir folder;
    const std::string path = (folder / "stderr").string();
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    ::dup2(::fileno(file), STDERR_FILENO);
    std::fclose(file);
    LogSink::Capture log;
    // A library that warns in a loop, with text a page may have put there.
    for (int i = 0; i < 300; ++i) g_warning("a warning %d from \x1b[2Ja page", i);
    g_log("Movu-Test", G_LOG_LEVEL_MESSAGE, "a message");
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);

    std::ifstream written(path);
    const std::string raw{std::istreambuf_iterator<char>(written),
                          std::istreambuf_iterator<char>()};
    EXPECT_EQ(raw.find("a warning"), std::string::npos) << raw.substr(0, 500);
    const auto lines = log.lines();
    const auto warnings = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind("GLib warning (no domain): a warning ", 0) == 0;
    });
    // The budget is the engine's, which it may have spent some of already.
    EXPECT_GT(warnings, 0);
    EXPECT_LE(warnings, 100);
    EXPECT_TRUE(log.contains("a warning 0 from \\u001B[2Ja page"))
        << ::testing::PrintToString(lines);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("as many log lines as it may") !=
                                       std::string::npos;
                            }),
              1);
}

// GLib only warns when a cast fails, and the code after it goes on with what it got (GTK took
// a view's offscreen window for an X one at each tap on a field with suggestions): in a test's
// process the warning is the end, where it was raised, as a critical is.
TEST_F(EngineMessagesWebKitTest, AnInvalidCastEndsATestsProcessWhereItIsRaised) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    server.text("/page.html", "<p>engine started</p>", 200, "text/html");
    loadAndWait("/page.html");
    GObject* plain = G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr));
    EXPECT_DEATH((void)G_TYPE_CHECK_INSTANCE_CAST(plain, G_TYPE_INITIALLY_UNOWNED, GObject),
                 "GLib warning \\(GLib-GObject\\): invalid cast from 'GObject' to "
                 "'GInitiallyUnowned'");
    g_object_unref(plain);
}

}  // namespace
