// A process that ends while its pool threads still start, run or drop loads (pings going out as
// a test or the game returns from main) ends cleanly: nothing the network code reaches is freed
// under those threads, and the TLS library stays whole for them. Each case is a run of the exit
// probe (tests/helpers/ExitProbe.cpp), which links only the network code, so that the libraries
// come up in it as they do in the game; the sanitizers judge its whole exit, leaks included.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/testing/TestHttpServer.h"

extern char** environ;

using platform::testing::TestHttpServer;

namespace {

struct ProbeRun {
    int status = -1;  // the exit status; -1 when it did not exit on its own
    std::string output;
};

ProbeRun runProbe(const std::vector<std::string>& arguments) {
    ProbeRun run;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    std::vector<std::string> words{MOVU_NET_EXIT_PROBE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    if (spawned != 0) return run;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

// A loopback port whose connections the kernel completes and nobody answers: a load to it is
// still running whenever the probe ends.
class SilentPort {
  public:
    SilentPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(fd_, 16) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~SilentPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/silent"; }
    bool ok() const { return port_ > 0; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace

TEST(ProcessExit, LoadsStartedAndDroppedOnAPoolThreadAfterTheNetworkStaticsWouldBeGone) {
    TestHttpServer server;
    server.text("/ping", "", 204);
    SilentPort silent;
    ASSERT_TRUE(silent.ok());
    // Deterministic: the late loads come after every static of the network code was made,
    // so they would find each one destroyed.
    const auto run = runProbe({"late", server.url("/ping"), silent.url()});
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("the late work is done"), std::string::npos) << run.output;
    // The cancelled ping may have gone out before its cancel; the fetch must have.
    EXPECT_GE(server.requestCount("/ping"), 1u);
}

TEST(ProcessExit, PingsStillGoingOutFromPoolThreadsWhenMainReturns) {
    TestHttpServer server;
    server.text("/ping", "", 204);
    // Where each run's exit meets the pings is up to timing; a few runs meet them at several
    // points.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const auto run = runProbe({"pings", server.url("/ping")});
        ASSERT_EQ(run.status, 0) << "run " << attempt << ":\n" << run.output;
    }
}

TEST(ProcessExit, ABlockingFetchOverTlsDuringTheExitFindsTheTlsLibraryWhole) {
    TestHttpServer server(TestHttpServer::Scheme::Https);
    server.text("/ping", "", 204);
    const auto run = runProbe({"tls", server.url("/ping")});
    EXPECT_EQ(run.status, 0) << run.output;
}
