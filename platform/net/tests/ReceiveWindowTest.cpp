#include "platform/net/ReceiveWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "NetTestSupport.h"
#include "platform/net/Connection.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace {

using platform::Connection;
using platform::ReceiveWindow;
using platform::SerialQueue;
using platform::testing::TestHttpServer;

constexpr std::int64_t kWindow = 256 * 1024;
// The most the library hands over in one call.
constexpr std::int64_t kChunk = 16 * 1024;

char patternAt(std::size_t offset) {
    return static_cast<char>('a' + offset % 23);
}

// `bytes` of a pattern in 64 KiB blocks, chunked (no length); a negative size never ends.
// With a gate, only the first block goes before the gate is released.
void serve(TestHttpServer& server, const std::string& path, std::int64_t bytes,
           std::shared_ptr<platform::testing::TestGate> gate = nullptr) {
    server.get(path, [bytes, gate](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "application/octet-stream", [bytes, gate](std::size_t offset, httplib::DataSink& sink) {
                if (gate && offset > 0 && !gate->wait()) return false;
                if (bytes >= 0 && offset >= std::size_t(bytes)) {
                    sink.done();
                    return true;
                }
                std::size_t size = 64 * 1024;
                if (bytes >= 0) size = std::min(size, std::size_t(bytes) - offset);
                std::string block(size, '\0');
                for (std::size_t i = 0; i < size; ++i) block[i] = patternAt(offset + i);
                return sink.write(block.data(), block.size());
            });
    });
}

// Hears the connection on its own serial queue and keeps what came; the test reads it under
// the lock. Every call also wakes the main loop the test waits on.
class QueueRecorder : public platform::ConnectionDelegate {
  public:
    void connectionDidReceiveResponse(Connection&, const platform::UrlResponse& r) override {
        std::lock_guard lock(mutex);
        status = r.statusCode;
        wake();
    }
    void connectionDidReceiveData(Connection&, const std::vector<std::uint8_t>& data) override {
        std::lock_guard lock(mutex);
        body.append(data.begin(), data.end());
        if (kept) kept(data.size());
        wake();
    }
    void connectionDidFinishLoading(Connection&) override {
        std::lock_guard lock(mutex);
        done = true;
        wake();
    }
    void connectionDidFailWithError(Connection&, const platform::Error& e) override {
        std::lock_guard lock(mutex);
        error = e;
        done = true;
        wake();
    }
    static void wake() {
        platform::MainLoop::main().post([] {});
    }
    std::size_t bodySize() {
        std::lock_guard lock(mutex);
        return body.size();
    }
    bool finished() {
        std::lock_guard lock(mutex);
        return done;
    }

    std::mutex mutex;
    long status = 0;
    std::string body;
    bool done = false;
    std::optional<platform::Error> error;
    // Hears how many bytes came, on the queue.
    std::function<void(std::size_t)> kept;
};

struct QueuedLoad {
    std::shared_ptr<SerialQueue> queue = std::make_shared<SerialQueue>("net.test.window");
    std::shared_ptr<QueueRecorder> recorder = std::make_shared<QueueRecorder>();
    std::shared_ptr<Connection> connection;

    QueuedLoad(const std::string& url, std::shared_ptr<ReceiveWindow> window,
               std::function<void(std::size_t)> kept = nullptr) {
        recorder->kept = std::move(kept);
        connection = Connection::create(nettest::requestTo(url), recorder);
        connection->setReceiveWindow(std::move(window));
        connection->setDelegateQueue(
            [queue = queue](std::function<void()> task) { queue->async(std::move(task)); });
        queue->sync([this] { connection->start(); });
    }
    ~QueuedLoad() {
        queue->sync([this] { connection->cancel(); });
        queue->sync([] {});
    }
};

// The whole body came, every byte in its place, and no error.
void expectThePattern(QueueRecorder& recorder, std::int64_t bodyBytes) {
    std::lock_guard lock(recorder.mutex);
    EXPECT_FALSE(recorder.error);
    ASSERT_EQ(recorder.body.size(), std::size_t(bodyBytes));
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < recorder.body.size(); ++i)
        wrong += recorder.body[i] != patternAt(i);
    EXPECT_EQ(wrong, 0u);
}

TEST(ReceiveWindow, AFastServerWaitsForASlowDelegateAndNoByteIsLostOnTheWay) {
    TestHttpServer server;
    const std::int64_t bodyBytes = 3 * 1024 * 1024;
    auto rest = server.makeGate();
    serve(server, "/body", bodyBytes, rest);
    auto window = std::make_shared<ReceiveWindow>(kWindow);
    QueuedLoad load(server.url("/body"), window);

    // The delegate's queue is held up once the first block is in, and the rest of the body
    // comes: the transfer pauses with the window full instead of reading on.
    ASSERT_TRUE(platform::testing::runMainLoopUntil(
        [&] { return load.recorder->bodySize() == 64 * 1024; }));
    auto gate = std::make_shared<platform::testing::TestGate>();
    load.queue->async([gate] { gate->wait(); });
    rest->release();
    ASSERT_TRUE(
        platform::testing::runMainLoopUntil([&] { return window->waitingBytes() >= kWindow; }));
    // With the queue held, the next bytes find the window full, if the last ones did not.
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return window->pauses() > 0; }));
    EXPECT_LE(window->waitingBytes(), kWindow + kChunk);
    EXPECT_LT(window->receivedBytes(), bodyBytes);

    gate->release();
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return load.recorder->finished(); }));
    expectThePattern(*load.recorder, bodyBytes);
    EXPECT_EQ(window->receivedBytes(), bodyBytes);
    EXPECT_LE(window->peakWaitingBytes(), kWindow + kChunk);
    EXPECT_EQ(window->waitingBytes(), 0);
}

// A delegate that keeps what it is given for a reader of its own holds the transfer back by
// it while its queue is idle: the transfer pauses at the window and reads on as the reader
// takes, with no new request.
TEST(ReceiveWindow, ADelegateHoldingWhatItWasGivenPausesTheTransferUntilItsReaderTakes) {
    TestHttpServer server;
    const std::int64_t bodyBytes = 3 * 1024 * 1024;
    serve(server, "/body", bodyBytes);
    auto window = std::make_shared<ReceiveWindow>(kWindow);
    auto held = std::make_shared<std::atomic<std::int64_t>>(0);
    QueuedLoad load(server.url("/body"), window, [window, held](std::size_t bytes) {
        window->hold(bytes);
        *held += std::int64_t(bytes);
    });

    // Paused with a window's worth held, give or take the chunk that was on its way: it
    // counts twice while the delegate takes it.
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return window->pauses() > 0; }));
    EXPECT_GE(window->waitingBytes(), kWindow - kChunk);
    EXPECT_LE(std::int64_t(load.recorder->bodySize()), kWindow + kChunk);
    EXPECT_FALSE(load.recorder->finished());

    // The reader takes all it holds whenever the loop turns.
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] {
        if (const std::int64_t taken = held->exchange(0); taken > 0)
            window->release(std::size_t(taken));
        return load.recorder->finished();
    }));
    window->release(std::size_t(held->exchange(0)));
    expectThePattern(*load.recorder, bodyBytes);
    EXPECT_GT(window->pauses(), 1);
    EXPECT_LE(window->peakWaitingBytes(), kWindow + 2 * kChunk);
    EXPECT_EQ(window->waitingBytes(), 0);
    EXPECT_EQ(server.requestCount("/body"), 1u);
}

TEST(ReceiveWindow, AHeadOnlyLoadReadsLittleMoreOfAnEndlessBodyThanItsLimit) {
    // A ping's answer from a fast server: without a window the network would read on at its
    // own speed while the loop works through what it already brought.
    TestHttpServer server;
    serve(server, "/endless", -1);
    const std::int64_t limit = 64 * 1024;
    std::optional<long> status;
    std::shared_ptr<ReceiveWindow> window;
    std::int64_t readAtTheEnd = -1;
    auto load = Connection::sendAsynchronousRequestDiscardingBody(
        nettest::requestTo(server.url("/endless")),
        [&](const std::optional<platform::UrlResponse>& response,
            const std::optional<platform::Error>& error) {
            EXPECT_FALSE(error);
            if (response) status = response->statusCode;
            readAtTheEnd = window->receivedBytes();
        },
        limit);
    window = load->receiveWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return readAtTheEnd >= 0; }));
    EXPECT_EQ(status, 200);
    // What the loop took (the limit and the chunk that passed it), and what waited for it.
    EXPECT_LE(readAtTheEnd, limit + Connection::kDiscardWindowBytes + 2 * kChunk);
}

TEST(ReceiveWindow, TheLimitStopsAnEndlessBodyWhereItArrivesAndLeavesAnnouncedLengthsAlone) {
    TestHttpServer server;
    serve(server, "/endless", -1);
    const std::int64_t limit = 1024 * 1024 + 5;
    auto window = std::make_shared<ReceiveWindow>(kWindow, limit);
    {
        QueuedLoad load(server.url("/endless"), window);
        ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return load.recorder->finished(); }));
        std::lock_guard lock(load.recorder->mutex);
        ASSERT_TRUE(load.recorder->error);
        EXPECT_TRUE(load.recorder->error->is(platform::kUrlErrorDomain,
                                             platform::kUrlErrorDataLengthExceedsMaximum));
        EXPECT_LE(load.recorder->body.size(), std::size_t(limit));
        EXPECT_GT(load.recorder->body.size(), std::size_t(limit - kChunk));
        EXPECT_EQ(window->receivedBytes(), std::int64_t(load.recorder->body.size()));
    }

    // A length over the limit announced in the head is the delegate's to judge.
    server.text("/announced", std::string(2000, 'x'));
    auto small = std::make_shared<ReceiveWindow>(kWindow, 1000);
    QueuedLoad load(server.url("/announced"), small);
    ASSERT_TRUE(platform::testing::runMainLoopUntil([&] { return load.recorder->finished(); }));
    std::lock_guard lock(load.recorder->mutex);
    EXPECT_EQ(load.recorder->status, 200);
    ASSERT_TRUE(load.recorder->error);
    EXPECT_TRUE(load.recorder->error->is(platform::kUrlErrorDomain,
                                         platform::kUrlErrorDataLengthExceedsMaximum));
    EXPECT_LE(load.recorder->body.size(), 1000u);
}

}  // namespace
