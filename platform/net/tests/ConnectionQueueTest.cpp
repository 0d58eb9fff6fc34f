#include <chrono>
#include <future>
#include <memory>

#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "platform/net/Connection.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/testing/TestHttpServer.h"

using nettest::requestTo;
using platform::Connection;
using platform::SerialQueue;
using platform::testing::TestHttpServer;

// A caller that lives on its own serial queue hears from the connection there, without the
// main loop running at all.
TEST(ConnectionQueue, CompletionRunsOnTheNamedQueue) {
    TestHttpServer server;
    server.redirect("/from", "/to");
    server.text("/to", "queued answer");
    auto queue = std::make_shared<SerialQueue>("net.test.queue");

    struct Outcome {
        bool onQueue = false;
        long status = 0;
        std::string body;
        std::string finalUrl;
    };
    std::promise<Outcome> done;
    queue->async([&] {
        Connection::sendAsynchronousRequest(
            requestTo(server.url("/from")),
            [&](const auto& response, const Connection::Bytes& body, const auto& error) {
                Outcome outcome;
                outcome.onQueue = queue->isCurrent();
                outcome.status = response ? response->statusCode : -1;
                outcome.body.assign(body.begin(), body.end());
                outcome.finalUrl = response ? response->url.absoluteString() : "";
                EXPECT_FALSE(error);
                done.set_value(outcome);
            },
            -1, [queue](std::function<void()> task) { queue->async(std::move(task)); });
    });
    auto future = done.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    Outcome outcome = future.get();
    EXPECT_TRUE(outcome.onQueue);
    EXPECT_EQ(outcome.status, 200);
    EXPECT_EQ(outcome.body, "queued answer");
    EXPECT_EQ(outcome.finalUrl, server.url("/to"));
    // The first sync waits out the completion's task, the second the release of the one-shot
    // connection that it queued, so nothing outlives the test.
    queue->sync([] {});
    queue->sync([] {});
}
