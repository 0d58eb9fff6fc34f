#include "platform/testing/TestHttpServer.h"

#include <future>

#include <gtest/gtest.h>

using platform::testing::TestHttpServer;

namespace {

httplib::Client clientFor(const TestHttpServer& server) {
    httplib::Client client("127.0.0.1", server.port());
    client.set_read_timeout(10, 0);
    return client;
}

}  // namespace

TEST(TestHttpServer, AnswersRoutesAndRecordsWhatItSaw) {
    TestHttpServer server;
    ASSERT_TRUE(server.isRunning());
    EXPECT_EQ(server.url("/a"), "http://127.0.0.1:" + std::to_string(server.port()) + "/a");

    server.post("/echo", [](const httplib::Request& req, httplib::Response& res) {
        res.status = 201;
        res.set_header("X-Seen", req.get_header_value("X-Token"));
        res.set_content("got " + req.body, "text/plain");
    });
    server.text("/plain", "hello");

    auto client = clientFor(server);
    auto posted =
        client.Post("/echo?x=1", httplib::Headers{{"X-Token", "t1"}}, "payload", "text/plain");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 201);
    EXPECT_EQ(posted->body, "got payload");
    EXPECT_EQ(posted->get_header_value("X-Seen"), "t1");

    auto plain = client.Get("/plain");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->body, "hello");

    auto missing = client.Get("/nowhere");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);

    auto log = server.requests();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "/echo");
    EXPECT_EQ(log[0].target, "/echo?x=1");
    EXPECT_EQ(log[0].param("x"), "1");
    EXPECT_EQ(log[0].header("x-token"), "t1");
    EXPECT_FALSE(log[0].hasHeader("X-Absent"));
    EXPECT_EQ(log[0].body, "payload");
    EXPECT_EQ(server.requestCount("/plain"), 1u);
    EXPECT_EQ(server.requestCount("/nowhere"), 1u);
}

TEST(TestHttpServer, LaterRouteReplacesEarlierAndMethodsAreSeparate) {
    TestHttpServer server;
    server.text("/r", "first");
    server.text("/r", "second");
    server.post("/r", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("posted", "text/plain");
    });
    auto client = clientFor(server);
    EXPECT_EQ(client.Get("/r")->body, "second");
    EXPECT_EQ(client.Post("/r", "", "text/plain")->body, "posted");
}

TEST(TestHttpServer, GateHoldsTheAnswerUntilReleased) {
    TestHttpServer server;
    auto gate = server.makeGate();
    server.stalled("/slow", gate, "late");

    auto answer = std::async(std::launch::async, [&] {
        auto client = clientFor(server);
        auto res = client.Get("/slow");
        return res ? res->body : std::string("no answer");
    });
    ASSERT_TRUE(gate->waitForArrivals(1));
    EXPECT_EQ(answer.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    gate->release();
    EXPECT_EQ(answer.get(), "late");
}

TEST(TestHttpServer, ChunkedStreamPausesAtTheGate) {
    TestHttpServer server;
    auto gate = server.makeGate();
    server.chunked("/stream", {"ab", "cd", "ef"}, gate, 2);

    auto answer = std::async(std::launch::async, [&] {
        auto client = clientFor(server);
        auto res = client.Get("/stream");
        return res ? res->body : std::string("no answer");
    });
    ASSERT_TRUE(gate->waitForArrivals(1));
    gate->release();
    EXPECT_EQ(answer.get(), "abcdef");
}

TEST(TestHttpServer, StopsCleanlyWithAHandlerStillParked) {
    auto server = std::make_unique<TestHttpServer>();
    auto gate = server->makeGate();
    server->stalled("/never", gate);
    int port = server->port();

    auto answer = std::async(std::launch::async, [port] {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(10, 0);
        auto res = client.Get("/never");
        return res ? res->status : -1;
    });
    ASSERT_TRUE(gate->waitForArrivals(1));
    server->stop();
    EXPECT_FALSE(server->isRunning());
    // The parked handler gave up instead of answering normally.
    EXPECT_NE(answer.get(), 200);
    server.reset();
}

TEST(TestHttpServer, WaitForRequestsSeesRequestsFromOtherThreads) {
    TestHttpServer server;
    server.text("/x", "x");
    EXPECT_FALSE(server.waitForRequests(1, std::chrono::milliseconds(0)));
    auto done = std::async(std::launch::async, [&] { return clientFor(server).Get("/x")->body; });
    EXPECT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(done.get(), "x");
}

TEST(TestHttpServer, HttpsServerPresentsASelfSignedCertificate) {
    TestHttpServer server(TestHttpServer::Scheme::Https);
    ASSERT_TRUE(server.isRunning());
    EXPECT_EQ(server.url("/s").rfind("https://127.0.0.1:", 0), 0u);
    server.text("/s", "secret");

    httplib::SSLClient trusting("127.0.0.1", server.port());
    trusting.enable_server_certificate_verification(false);
    auto answer = trusting.Get("/s");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body, "secret");

    httplib::SSLClient checking("127.0.0.1", server.port());
    checking.enable_server_certificate_verification(true);
    EXPECT_FALSE(checking.Get("/s"));
}
