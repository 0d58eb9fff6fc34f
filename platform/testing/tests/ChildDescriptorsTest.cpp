// Every descriptor the program opens is close-on-exec: a child it starts (WebKit's web
// processes, the URL opener) must not hold our sockets and files, or a connection stays open
// and a file stays busy for as long as the child lives.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/net/FetchSync.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/FileLock.h"
#include "platform/testing/TempDir.h"
#include "platform/testing/TestHttpServer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// What the test process itself inherited from whoever started it (a shell, the test runner):
// not ours, so not counted against us.
std::set<std::string> inheritedByUs() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        const std::string name = entry.path().filename().string();
        const int flags = ::fcntl(std::stoi(name), F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC)) names.insert(name);
    }
    return names;
}

std::string describe(const fs::path& link) {
    std::error_code error;
    fs::path target = fs::read_symlink(link, error);
    return error ? std::string("?") : target.string();
}

// The child's descriptors other than 0, 1 and 2, each with what it points at.
struct ChildDescriptors {
    bool started = false;
    std::string failure;
    std::vector<std::string> extra;
};

// Starts /bin/cat on two pipes of ours and lists its descriptors once it has echoed a byte: by
// then exec has finished, and with it the closing of every close-on-exec descriptor.
ChildDescriptors descriptorsOfAChild(const std::set<std::string>& ignored) {
    ChildDescriptors result;
    int toChild[2], fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0) return {false, "pipe2 failed", {}};
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        ::close(toChild[0]);
        ::close(toChild[1]);
        return {false, "pipe2 failed", {}};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    char program[] = "/bin/cat";
    char* argv[] = {program, nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    char echoed = 0;
    if (spawned != 0) {
        result.failure = "posix_spawn failed";
    } else if (::write(toChild[1], "x", 1) != 1 || ::read(fromChild[0], &echoed, 1) != 1 ||
               echoed != 'x') {
        result.failure = "cat did not echo";
    } else {
        result.started = true;
        const fs::path folder = "/proc/" + std::to_string(pid) + "/fd";
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name == "0" || name == "1" || name == "2" || ignored.count(name)) continue;
            result.extra.push_back(name + " -> " + describe(entry.path()));
        }
    }
    ::close(toChild[1]);
    ::close(fromChild[0]);
    if (spawned == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return result;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += "  " + line + "\n";
    return text;
}

TEST(ChildDescriptors, AChildStartedMidFetchAndMidWriteInheritsNothingOfOurs) {
    const std::set<std::string> notOurs = inheritedByUs();
    platform::testing::TempDir dir;
    // A lock on a settings file, held across the whole scene as a read-change-write would.
    platform::FileLock lock(dir / "settings.plist");
    ASSERT_TRUE(lock.held());

    // A fetch held open half-way: the transfer library's socket and its poll wake-up on the
    // fetching thread, and the loopback server's listening and accepted sockets.
    platform::testing::TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    auto gate = server.makeGate();
    server.stalled("/held", gate, "late");
    auto request = platform::UrlRequest::withString(server.url("/held"));
    ASSERT_TRUE(request);
    std::string fetched;
    std::thread fetcher([&] { fetched = platform::fetchSync(*request).bodyText(); });
    ASSERT_TRUE(gate->waitForArrivals(1));

    // And a file half-written by the atomic writer: the child starts while its temporary file
    // is open.
    ChildDescriptors child;
    std::string error;
    EXPECT_TRUE(platform::AtomicFile::write(
        dir / "scores.plist",
        [&](const platform::AtomicFile::Put& put) {
            child = descriptorsOfAChild(notOurs);
            return put("scores");
        },
        &error))
        << error;

    gate->release();
    fetcher.join();
    EXPECT_EQ(fetched, "late");

    ASSERT_TRUE(child.started) << child.failure;
    EXPECT_TRUE(child.extra.empty()) << "the child inherited:\n" << joined(child.extra);
}

}  // namespace
