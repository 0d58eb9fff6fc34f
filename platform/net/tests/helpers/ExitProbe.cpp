// A program that returns from main while its pool threads still start, run and drop loads, as
// the game or a test binary does with pings still going out. ProcessExitTest starts it with
// the servers it talks to and reads its exit status: 0 when its exit went cleanly (the
// sanitizers end it with 1, or 23 for leaks, otherwise).
//
//   exit_probe late <ping-url> <silent-url>   loads made on a pool thread after everything the
//                                             network code keeps for the process would be gone
//   exit_probe pings <ping-url>               pool threads pinging while main returns
//   exit_probe tls <https-url>                a blocking fetch over TLS after the exit began
//
// It links nothing but the network code, so the transfer library and the TLS library under
// it come up as in the game: with the first request, long after the program started.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/base/LogSink.h"
#include "platform/base/Url.h"
#include "platform/net/Connection.h"
#include "platform/net/FetchSync.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/SerialQueue.h"

namespace {

using platform::Connection;
using platform::SerialQueue;

constexpr int kLateWorkHung = 40;
constexpr int kLateFetchFailed = 41;
constexpr int kSetUpFailed = 42;

// Runs its work on a pool thread from inside the exit and waits for it. Made before anything
// of the network code, it is destroyed after all of that, and after the exit handlers
// registered meanwhile: as late as a pool thread can come.
class LateWork {
  public:
    ~LateWork() {
        if (!work) return;
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        platform::GlobalQueue::async([&] {
            work();
            std::lock_guard lock(mutex);
            done = true;
            cv.notify_one();
        });
        std::unique_lock lock(mutex);
        if (!cv.wait_for(lock, std::chrono::seconds(30), [&] { return done; }))
            std::_Exit(kLateWorkHung);
    }
    std::function<void()> work;
};

LateWork& lateWork() {
    static LateWork late;
    return late;
}

platform::UrlRequest requestTo(const std::string& url) {
    auto parsed = platform::Url::parse(url);
    if (!parsed) std::_Exit(kSetUpFailed);
    return platform::UrlRequest(*parsed);
}

Connection::Poster posterFor(const std::shared_ptr<SerialQueue>& queue) {
    return [queue](std::function<void()> task) { queue->async(std::move(task)); };
}

void late(const std::string& ping, const std::string& silent) {
    lateWork();
    // One load still running when the process ends, started from a queue as the pinger does;
    // everything the network code keeps for the process is made from here on.
    auto early = std::make_shared<SerialQueue>("exit.early");
    Connection::sendAsynchronousRequest(requestTo(silent), nullptr, -1, posterFor(early));
    early->sync([] {});
    lateWork().work = [ping, silent] {
        auto queue = std::make_shared<SerialQueue>("exit.late");
        Connection::sendAsynchronousRequest(requestTo(silent), nullptr, -1, posterFor(queue));
        auto dropped = Connection::sendAsynchronousRequestDiscardingBody(requestTo(ping), nullptr,
                                                                         0, posterFor(queue));
        // Both first hops go to the network worker; then one is cancelled, which drops it
        // there as well.
        queue->sync([] {});
        queue->sync([dropped] { dropped->cancel(); });
        queue->sync([] {});
        // A blocking fetch with the process's cookies, as an announcement check makes.
        if (platform::fetchSync(requestTo(ping)).statusCode() != 204) std::_Exit(kLateFetchFailed);
        platform::LogSink::write("exit probe: the late work is done");
    };
}

// Static: answers may still be counted while the exit runs.
std::atomic<int> answered = 0;

void pings(const std::string& ping) {
    for (int sender = 0; sender < 4; ++sender) {
        platform::GlobalQueue::async([ping] {
            auto queue = std::make_shared<SerialQueue>("exit.pinger");
            for (int n = 0; n < 2000; ++n) {
                Connection::sendAsynchronousRequestDiscardingBody(
                    requestTo(ping), [](const auto&, const auto&) { ++answered; }, 0,
                    posterFor(queue));
            }
        });
    }
    // Returns while they send, once the first answers show transfers under way.
    while (answered.load() < 8) std::this_thread::yield();
}

bool refusedForItsCertificate(const platform::FetchResult& result) {
    return result.error && result.error->is(platform::kUrlErrorDomain,
                                            platform::kUrlErrorServerCertificateUntrusted);
}

void tls(const std::string& url) {
    lateWork();
    // The test server's certificate is one no client trusts: the handshake runs to its end
    // and the certificate is refused, which shows the TLS library at work.
    if (!refusedForItsCertificate(platform::fetchSync(requestTo(url)))) std::_Exit(kSetUpFailed);
    lateWork().work = [url] {
        const auto result = platform::fetchSync(requestTo(url));
        if (refusedForItsCertificate(result)) return;
        std::fprintf(stderr, "exit probe: the late TLS fetch ended with %s\n",
                     result.error ? result.error->description().c_str() : "no error");
        std::_Exit(kLateFetchFailed);
    };
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "late" && argc == 4) {
        late(argv[2], argv[3]);
    } else if (mode == "pings" && argc == 3) {
        pings(argv[2]);
    } else if (mode == "tls" && argc == 3) {
        tls(argv[2]);
    } else {
        std::fprintf(stderr, "usage: exit_probe late|pings|tls <url> [<silent-url>]\n");
        return kSetUpFailed;
    }
    return 0;
}
