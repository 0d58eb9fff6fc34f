// The WebKit tests' view of the engine's processes: a child counts when it is ours and named
// as WebKit names its processes, and what it holds and burns is read while it lives.

#include "platform/testing/WebProcesses.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include <gtest/gtest.h>

namespace {

using platform::testing::cpuSeconds;
using platform::testing::networkProcesses;
using platform::testing::residentKilobytes;
using platform::testing::webProcesses;

// A child under WebKit's network process name that burns `seconds` of CPU, then waits to be
// killed. The parent learns through the pipe that it has burnt them.
pid_t burningChild(double seconds, int ready) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_NAME, "WebKitNetworkProcess");
    const std::clock_t end = std::clock() + static_cast<std::clock_t>(seconds * CLOCKS_PER_SEC);
    while (std::clock() < end) {
    }
    const char done = 1;
    (void)!write(ready, &done, 1);
    for (;;) pause();
}

TEST(WebProcessesTest, FindsOnlyOurChildrenByTheirEngineNameAndReadsTheirCostWhileTheyLive) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = burningChild(0.3, pipeEnds[1]);
    ASSERT_GT(child, 0);
    char done = 0;
    ASSERT_EQ(read(pipeEnds[0], &done, 1), 1);

    const auto found = networkProcesses();
    EXPECT_EQ(std::count(found.begin(), found.end(), child), 1);
    const auto pages = webProcesses();
    EXPECT_EQ(std::count(pages.begin(), pages.end(), child), 0);
    EXPECT_GE(cpuSeconds({child}), 0.25);
    EXPECT_GT(residentKilobytes({child}), 0);

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    // Gone: it counts nothing, and is no longer found.
    EXPECT_EQ(cpuSeconds({child}), 0);
    EXPECT_EQ(residentKilobytes({child}), 0);
    const auto after = networkProcesses();
    EXPECT_EQ(std::count(after.begin(), after.end(), child), 0);
}

}  // namespace
