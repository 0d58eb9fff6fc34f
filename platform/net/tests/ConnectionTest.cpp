#include "platform/net/Connection.h"

#include <functional>

#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

using nettest::requestTo;
using nettest::urlOf;
using platform::Connection;
using platform::ConnectionDelegate;
using platform::Error;
using platform::UrlRequest;
using platform::UrlResponse;
using platform::testing::TestHttpServer;

namespace {

// Writes down everything a connection says, in order.
class Recorder : public ConnectionDelegate {
  public:
    std::function<std::optional<UrlRequest>(Connection&, const UrlRequest&, const UrlResponse*)>
        onWillSend;
    std::function<void(Connection&)> onResponse;
    std::function<void(Connection&)> onData;

    std::optional<UrlRequest> connectionWillSendRequest(Connection& c, const UrlRequest& request,
                                                        const UrlResponse* redirect) override {
        events.push_back(redirect ? "redirect " + std::to_string(redirect->statusCode) + " " +
                                        request.url().absoluteString()
                                  : "send " + request.url().absoluteString());
        if (onWillSend) return onWillSend(c, request, redirect);
        return request;
    }
    void connectionDidReceiveResponse(Connection& c, const UrlResponse& r) override {
        events.push_back("response " + std::to_string(r.statusCode));
        response = r;
        if (onResponse) onResponse(c);
    }
    void connectionDidReceiveData(Connection& c, const std::vector<std::uint8_t>& data) override {
        events.push_back("data");
        body.append(data.begin(), data.end());
        if (onData) onData(c);
    }
    void connectionDidFinishLoading(Connection&) override {
        events.push_back("finish");
        done = true;
    }
    void connectionDidFailWithError(Connection&, const Error& e) override {
        events.push_back("fail " + std::to_string(e.code));
        error = e;
        done = true;
    }

    // The events with consecutive "data" entries merged, since chunking is the network's.
    std::vector<std::string> summary() const {
        std::vector<std::string> out;
        for (const auto& e : events) {
            if (e == "data" && !out.empty() && out.back() == "data") continue;
            out.push_back(e);
        }
        return out;
    }

    std::vector<std::string> events;
    std::optional<UrlResponse> response;
    std::string body;
    std::optional<Error> error;
    bool done = false;
};

class ConnectionTest : public ::testing::Test {
  protected:
    bool pumpUntil(const std::function<bool()>& condition) {
        return platform::testing::runMainLoopUntil(condition);
    }

    // Lets every event the worker already has in hand reach the loop: a fresh request behind
    // them on the same worker completes only after they were posted.
    void drainWorker() {
        bool finished = false;
        auto barrier = Connection::sendAsynchronousRequest(
            requestTo(server.url("/barrier")),
            [&](const auto&, const auto&, const auto&) { finished = true; });
        ASSERT_TRUE(pumpUntil([&] { return finished; }));
        scope.runUntilIdle();
    }

    std::shared_ptr<Connection> start(const std::shared_ptr<Recorder>& recorder,
                                      UrlRequest request) {
        auto connection = Connection::create(std::move(request), recorder);
        connection->start();
        return connection;
    }

    UrlRequest requestFor(const std::string& path, double timeout = 10) {
        UrlRequest request = requestTo(server.url(path));
        request.setTimeoutInterval(timeout);
        return request;
    }

    void SetUp() override { server.text("/barrier", "b"); }

    platform::MainLoopTestScope scope;
    TestHttpServer server;
};

}  // namespace

TEST_F(ConnectionTest, GetDeliversResponseDataAndFinishInOrderOnTheMainLoop) {
    server.get("/page", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("X-Echo", req.get_header_value("X-Token"));
        res.set_content("page body", "text/html");
    });
    auto recorder = std::make_shared<Recorder>();
    UrlRequest request = requestFor("/page");
    request.setValueForHttpHeaderField("abc", "X-Token");
    auto connection = start(recorder, request);
    // Nothing is said synchronously, not even the first question.
    EXPECT_TRUE(recorder->events.empty());

    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    EXPECT_EQ(recorder->summary(), (std::vector<std::string>{"send " + server.url("/page"),
                                                             "response 200", "data", "finish"}));
    EXPECT_EQ(recorder->body, "page body");
    EXPECT_EQ(recorder->response->url.absoluteString(), server.url("/page"));
    EXPECT_EQ(recorder->response->headers.value("x-echo"), "abc");
    EXPECT_EQ(recorder->response->expectedContentLength, 9);
    EXPECT_FALSE(connection->isRunning());
}

TEST_F(ConnectionTest, PostAndARequestChangedBeforeItIsSent) {
    server.post("/form", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.get_header_value("X-Added") + ":" + req.body, "text/plain");
    });
    auto recorder = std::make_shared<Recorder>();
    recorder->onWillSend = [](Connection&, const UrlRequest& r, const UrlResponse*) {
        UrlRequest changed = r;
        changed.setValueForHttpHeaderField("yes", "X-Added");
        return std::optional<UrlRequest>(changed);
    };
    UrlRequest request = requestFor("/form");
    request.setHttpMethod("POST");
    request.setHttpBody(std::string_view("a=1&b=2"));
    auto connection = start(recorder, request);
    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    EXPECT_EQ(recorder->body, "yes:a=1&b=2");
    EXPECT_EQ(connection->currentRequest().valueForHttpHeaderField("X-Added"), "yes");
    EXPECT_EQ(connection->originalRequest().valueForHttpHeaderField("X-Added"), "");
}

TEST_F(ConnectionTest, RefusingTheFirstRequestCancelsWithoutTraffic) {
    server.text("/never", "x");
    auto recorder = std::make_shared<Recorder>();
    recorder->onWillSend = [](Connection&, const UrlRequest&, const UrlResponse*) {
        return std::optional<UrlRequest>();
    };
    auto connection = start(recorder, requestFor("/never"));
    drainWorker();
    EXPECT_EQ(recorder->events.size(), 1u);
    EXPECT_TRUE(connection->isCancelled());
    EXPECT_EQ(server.requestCount("/never"), 0u);
}

TEST_F(ConnectionTest, RedirectIsAskedOfTheDelegateAndFollowed) {
    server.redirect("/old", "/new", 301);
    server.text("/new", "new place");
    auto recorder = std::make_shared<Recorder>();
    auto connection = start(recorder, requestFor("/old"));
    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    EXPECT_EQ(recorder->summary(), (std::vector<std::string>{"send " + server.url("/old"),
                                                             "redirect 301 " + server.url("/new"),
                                                             "response 200", "data", "finish"}));
    EXPECT_EQ(recorder->body, "new place");  // nothing of the redirect's own body
    EXPECT_EQ(recorder->response->url.absoluteString(), server.url("/new"));
    EXPECT_EQ(connection->currentRequest().url().absoluteString(), server.url("/new"));
}

TEST_F(ConnectionTest, RefusedRedirectIsDeliveredAsTheResponse) {
    server.redirect("/old", "/new");
    server.text("/new", "new place");
    auto recorder = std::make_shared<Recorder>();
    recorder->onWillSend = [](Connection&, const UrlRequest& r, const UrlResponse* redirect) {
        return redirect ? std::optional<UrlRequest>() : std::optional<UrlRequest>(r);
    };
    auto connection = start(recorder, requestFor("/old"));
    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    EXPECT_EQ(recorder->summary(), (std::vector<std::string>{"send " + server.url("/old"),
                                                             "redirect 302 " + server.url("/new"),
                                                             "response 302", "data", "finish"}));
    EXPECT_EQ(recorder->body, "moved");
    EXPECT_EQ(recorder->response->headers.value("Location"), "/new");
    EXPECT_EQ(server.requestCount("/new"), 0u);
}

TEST_F(ConnectionTest, CancelInsideTheRedirectQuestionStopsEverything) {
    server.redirect("/old", "itms-apps://store/app");
    auto recorder = std::make_shared<Recorder>();
    recorder->onWillSend = [](Connection& c, const UrlRequest& r, const UrlResponse* redirect) {
        if (redirect) c.cancel();
        return std::optional<UrlRequest>(r);
    };
    auto connection = start(recorder, requestFor("/old"));
    ASSERT_TRUE(pumpUntil([&] { return recorder->events.size() == 2; }));
    EXPECT_EQ(recorder->events[1], "redirect 302 itms-apps://store/app");
    drainWorker();
    EXPECT_EQ(recorder->events.size(), 2u);
    EXPECT_TRUE(connection->isCancelled());
}

TEST_F(ConnectionTest, TooManyRedirectsFail) {
    server.redirect("/loop", "/loop");
    auto recorder = std::make_shared<Recorder>();
    auto connection = Connection::create(requestFor("/loop"), recorder);
    connection->setMaxRedirects(3);
    connection->start();
    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    ASSERT_TRUE(recorder->error);
    EXPECT_TRUE(
        recorder->error->is(platform::kUrlErrorDomain, platform::kUrlErrorHTTPTooManyRedirects));
    EXPECT_EQ(server.requestCount("/loop"), 4u);
    EXPECT_FALSE(recorder->response);
}

TEST_F(ConnectionTest, CancelDeliversNothingAfterwards) {
    auto gate = server.makeGate();
    server.chunked("/stream", {"first", "second", "third"}, gate, 1);
    auto recorder = std::make_shared<Recorder>();
    recorder->onData = [](Connection& c) { c.cancel(); };
    auto connection = start(recorder, requestFor("/stream"));
    ASSERT_TRUE(pumpUntil([&] { return !recorder->body.empty(); }));
    gate->release();
    drainWorker();
    EXPECT_EQ(recorder->summary(),
              (std::vector<std::string>{"send " + server.url("/stream"), "response 200", "data"}));
    EXPECT_EQ(recorder->body, "first");
    EXPECT_TRUE(connection->isCancelled());
    connection->cancel();  // a second cancel is harmless
}

TEST_F(ConnectionTest, CancelDropsEventsAlreadyOnTheirWay) {
    server.text("/small", "tiny body");
    auto recorder = std::make_shared<Recorder>();
    // Body and completion are usually posted together with the head; none may arrive.
    recorder->onResponse = [](Connection& c) { c.cancel(); };
    auto connection = start(recorder, requestFor("/small"));
    ASSERT_TRUE(pumpUntil([&] { return recorder->response.has_value(); }));
    drainWorker();
    EXPECT_EQ(recorder->summary(),
              (std::vector<std::string>{"send " + server.url("/small"), "response 200"}));
}

TEST_F(ConnectionTest, DroppingTheConnectionOrItsDelegateStopsTheLoad) {
    auto gate = server.makeGate();
    server.stalled("/slow", gate, "late");

    auto recorder = std::make_shared<Recorder>();
    auto connection = start(recorder, requestFor("/slow"));
    ASSERT_TRUE(pumpUntil([&] { return gate->arrivals() == 1; }));
    connection.reset();

    auto orphanRecorder = std::make_shared<Recorder>();
    auto orphan = start(orphanRecorder, requestFor("/slow"));
    ASSERT_TRUE(pumpUntil([&] { return gate->arrivals() == 2; }));
    std::weak_ptr<Recorder> watch = orphanRecorder;
    orphanRecorder.reset();
    gate->release();
    // With nobody left to tell, the orphan gives up when its answer comes in.
    EXPECT_TRUE(pumpUntil([&] { return orphan->isCancelled(); }));
    EXPECT_TRUE(watch.expired());
    drainWorker();
    EXPECT_EQ(recorder->events.size(), 1u);  // only the first question
}

TEST_F(ConnectionTest, IdleTimeOutFailsWithTheUrl) {
    auto gate = server.makeGate();
    server.stalled("/silent", gate);
    auto recorder = std::make_shared<Recorder>();
    auto connection = start(recorder, requestFor("/silent", 0.2));
    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    ASSERT_TRUE(recorder->error);
    EXPECT_TRUE(recorder->error->is(platform::kUrlErrorDomain, platform::kUrlErrorTimedOut));
    EXPECT_EQ(platform::failingUrlOf(*recorder->error), server.url("/silent"));
    EXPECT_EQ(recorder->error->localizedDescription(), "The request timed out.");
    gate->release();
}

TEST_F(ConnectionTest, ByteCapStopsTheTransferWithItsOwnError) {
    server.text("/big", std::string(1000, 'x'));
    server.chunked("/stream", {"12345", "67890", "abcde"});
    for (const char* path : {"/big", "/stream"}) {
        auto recorder = std::make_shared<Recorder>();
        auto connection = Connection::create(requestFor(path), recorder);
        connection->setMaxBytes(8);
        connection->start();
        ASSERT_TRUE(pumpUntil([&] { return recorder->done; })) << path;
        ASSERT_TRUE(recorder->error) << path;
        EXPECT_TRUE(recorder->error->is(platform::kUrlErrorDomain,
                                        platform::kUrlErrorDataLengthExceedsMaximum));
        EXPECT_EQ(platform::failingUrlOf(*recorder->error), server.url(path));
        EXPECT_LE(recorder->body.size(), 8u) << path;
        EXPECT_EQ(recorder->events.back(),
                  "fail " + std::to_string(platform::kUrlErrorDataLengthExceedsMaximum));
    }
}

TEST_F(ConnectionTest, NotFoundIsAResponseWithItsBody) {
    server.text("/missing", "no such page", 404);
    auto recorder = std::make_shared<Recorder>();
    auto connection = start(recorder, requestFor("/missing"));
    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    EXPECT_FALSE(recorder->error);
    EXPECT_EQ(recorder->response->statusCode, 404);
    EXPECT_EQ(recorder->body, "no such page");
    EXPECT_EQ(recorder->events.back(), "finish");
}

TEST_F(ConnectionTest, RefusedConnectionFailsWithTheFailingUrl) {
    std::string url;
    {
        TestHttpServer closed;
        url = closed.url("/nobody");
    }
    auto recorder = std::make_shared<Recorder>();
    auto connection = start(recorder, requestTo(url));
    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    ASSERT_TRUE(recorder->error);
    EXPECT_TRUE(
        recorder->error->is(platform::kUrlErrorDomain, platform::kUrlErrorCannotConnectToHost));
    EXPECT_EQ(platform::failingUrlOf(*recorder->error), url);
    EXPECT_FALSE(recorder->response);
}

TEST_F(ConnectionTest, BadUrlFailsOnTheLoopToo) {
    auto recorder = std::make_shared<Recorder>();
    auto connection = start(recorder, requestTo("mailto:someone@example.test"));
    ASSERT_TRUE(pumpUntil([&] { return recorder->done; }));
    ASSERT_TRUE(recorder->error);
    EXPECT_EQ(recorder->error->code, platform::kUrlErrorUnsupportedURL);
}

TEST_F(ConnectionTest, OneShotCompletionAndItsCancel) {
    server.text("/data", "payload");
    std::optional<UrlResponse> response;
    std::string body;
    bool called = false;
    Connection::sendAsynchronousRequest(
        requestFor("/data"), [&](const std::optional<UrlResponse>& r, const Connection::Bytes& b,
                                 const std::optional<Error>& e) {
            called = true;
            response = r;
            body.assign(b.begin(), b.end());
            EXPECT_FALSE(e);
        });
    ASSERT_TRUE(pumpUntil([&] { return called; }));
    EXPECT_EQ(response->statusCode, 200);
    EXPECT_EQ(body, "payload");

    bool cancelledCalled = false;
    auto cancelled = Connection::sendAsynchronousRequest(
        requestFor("/data"),
        [&](const auto&, const auto&, const auto&) { cancelledCalled = true; });
    std::weak_ptr<Connection> watch = cancelled;
    cancelled->cancel();
    cancelled.reset();
    drainWorker();
    EXPECT_FALSE(cancelledCalled);
    EXPECT_TRUE(watch.expired());  // the one-shot let go of itself
}

TEST_F(ConnectionTest, HeadOnlyOneShotsStopAtTheirBodyLimit) {
    // Announced and streamed bodies past the limit end the load as finished, with the head.
    server.text("/large", std::string(200 * 1024, 'x'), 202);
    server.chunked("/streamed", {std::string(40 * 1024, 'a'), std::string(40 * 1024, 'b')});
    server.text("/missing", "gone", 404);
    for (const auto& [path, status] :
         {std::pair<const char*, long>{"/large", 202}, {"/streamed", 200}, {"/missing", 404}}) {
        std::optional<UrlResponse> response;
        std::optional<Error> error;
        int calls = 0;
        Connection::sendAsynchronousRequestDiscardingBody(
            requestFor(path),
            [&](const std::optional<UrlResponse>& r, const std::optional<Error>& e) {
                ++calls;
                response = r;
                error = e;
            },
            64 * 1024);
        ASSERT_TRUE(pumpUntil([&] { return calls > 0; })) << path;
        drainWorker();
        EXPECT_EQ(calls, 1) << path;
        EXPECT_FALSE(error) << path;
        ASSERT_TRUE(response) << path;
        EXPECT_EQ(response->statusCode, status) << path;
    }
    // A transport failure comes without a head.
    std::optional<Error> error;
    bool called = false;
    Connection::sendAsynchronousRequestDiscardingBody(
        requestTo("http://127.0.0.1:1/"),
        [&](const std::optional<UrlResponse>& r, const std::optional<Error>& e) {
            called = true;
            EXPECT_FALSE(r);
            error = e;
        },
        -1);
    ASSERT_TRUE(pumpUntil([&] { return called; }));
    EXPECT_TRUE(error);
}

TEST_F(ConnectionTest, OneShotAbandonedWithItsLoopIsNeitherCalledNorLeaked) {
    auto gate = server.makeGate();
    server.stalled("/parked", gate);
    // Shared, because the answer may still reach a later test's loop in the same process.
    auto called = std::make_shared<bool>(false);
    Connection::sendAsynchronousRequest(
        requestFor("/parked"), [called](const auto&, const auto&, const auto&) { *called = true; });
    ASSERT_TRUE(pumpUntil([&] { return gate->arrivals() == 1; }));
    // The test ends here: the server gives up on the request and the loop is reset with the
    // answer undelivered. The process-wide registry still holds the connection, which the
    // leak checker verifies at exit.
    EXPECT_FALSE(*called);
}
