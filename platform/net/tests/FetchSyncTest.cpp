#include "platform/net/FetchSync.h"

#include <future>
#include <limits>

#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "platform/net/CookieJar.h"
#include "platform/net/UrlError.h"
#include "platform/testing/TestHttpServer.h"

using nettest::requestTo;
using nettest::urlOf;
using platform::FetchOptions;
using platform::fetchSync;
using platform::UrlRequest;
using platform::testing::TestHttpServer;

namespace {

UrlRequest requestFor(const TestHttpServer& server, const std::string& path, double timeout = 10) {
    UrlRequest request = requestTo(server.url(path));
    request.setTimeoutInterval(timeout);
    return request;
}

}  // namespace

TEST(FetchSync, GetCarriesHeadersAndAnswersHeadLengthAndBody) {
    TestHttpServer server;
    server.get("/hello", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("X-Echo", req.get_header_value("X-Token"));
        res.set_content("hello world", "text/plain; charset=utf-8");
    });
    UrlRequest request = requestFor(server, "/hello");
    request.setValueForHttpHeaderField("t-42", "X-Token");

    auto result = fetchSync(request);
    ASSERT_TRUE(result.ok()) << result.errorText();
    EXPECT_EQ(result.statusCode(), 200);
    EXPECT_EQ(result.bodyText(), "hello world");
    EXPECT_EQ(result.expectedContentLength(), 11);
    EXPECT_EQ(result.finalUrl().absoluteString(), server.url("/hello"));
    EXPECT_EQ(result.response->headers.value("x-echo"), "t-42");
    EXPECT_EQ(result.response->mimeType, "text/plain");
    EXPECT_EQ(result.response->textEncodingName, "utf-8");

    auto seen = server.requestsFor("/hello");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header("User-Agent"), UrlRequest::defaultUserAgent());
}

TEST(FetchSync, PostSendsMethodBodyAndContentType) {
    TestHttpServer server;
    server.post("/submit", [](const httplib::Request& req, httplib::Response& res) {
        res.status = 201;
        res.set_content("stored " + req.body, "text/plain");
    });
    UrlRequest request = requestFor(server, "/submit");
    request.setHttpMethod("POST");
    request.setHttpBody(std::string_view("{\"a\":1}"));
    request.setValueForHttpHeaderField("application/json", "Content-Type");
    request.setValueForHttpHeaderField("999", "Content-Length");  // wrong, and ignored
    request.setUserAgent("TestAgent/2");

    auto result = fetchSync(request);
    ASSERT_TRUE(result.ok()) << result.errorText();
    EXPECT_EQ(result.statusCode(), 201);
    EXPECT_EQ(result.bodyText(), "stored {\"a\":1}");
    auto seen = server.requestsFor("/submit");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "POST");
    EXPECT_EQ(seen[0].header("Content-Type"), "application/json");
    EXPECT_EQ(seen[0].header("User-Agent"), "TestAgent/2");
    EXPECT_EQ(seen[0].header("Content-Length"), "7");
}

TEST(FetchSync, OtherMethodsAndHead) {
    TestHttpServer server;
    server.route("PUT", "/item", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("put " + req.body, "text/plain");
    });
    server.text("/doc", "0123456789");

    UrlRequest put = requestFor(server, "/item");
    put.setHttpMethod("PUT");
    put.setHttpBody(std::string_view("x"));
    EXPECT_EQ(fetchSync(put).bodyText(), "put x");

    UrlRequest head = requestFor(server, "/doc");
    head.setHttpMethod("HEAD");
    auto result = fetchSync(head);
    ASSERT_TRUE(result.ok()) << result.errorText();
    EXPECT_EQ(result.statusCode(), 200);
    EXPECT_TRUE(result.body.empty());
    EXPECT_EQ(result.expectedContentLength(), 10);

    UrlRequest getWithBody = requestFor(server, "/doc");
    getWithBody.setHttpBody(std::string_view("stray"));
    ASSERT_TRUE(fetchSync(getWithBody).ok());
    EXPECT_EQ(server.requestsFor("/doc").back().method, "GET");
    EXPECT_EQ(server.requestsFor("/doc").back().body, "");

    UrlRequest bad = requestFor(server, "/doc");
    bad.setHttpMethod("GET /evil HTTP/1.1\r\n");
    EXPECT_FALSE(fetchSync(bad).ok());
    EXPECT_EQ(server.requestCount("/evil"), 0u);
}

TEST(FetchSync, FollowsRedirectsAndReportsTheFinalUrl) {
    TestHttpServer server;
    server.redirect("/start", "/middle");                 // relative
    server.redirect("/middle", server.url("/end"), 301);  // absolute
    server.text("/end", "arrived");

    auto result = fetchSync(requestFor(server, "/start"));
    ASSERT_TRUE(result.ok()) << result.errorText();
    EXPECT_EQ(result.statusCode(), 200);
    EXPECT_EQ(result.bodyText(), "arrived");
    EXPECT_EQ(result.finalUrl().absoluteString(), server.url("/end"));
    EXPECT_EQ(server.requests().size(), 3u);

    FetchOptions noFollow;
    noFollow.followRedirects = false;
    auto first = fetchSync(requestFor(server, "/start"), noFollow);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.statusCode(), 302);
    EXPECT_EQ(first.response->headers.value("Location"), "/middle");
    EXPECT_EQ(first.finalUrl().absoluteString(), server.url("/start"));
}

TEST(FetchSync, RedirectMethodRules) {
    TestHttpServer server;
    server.redirect("/see-other", "/target", 303);
    server.redirect("/temporary", "/target", 307);
    server.redirect("/found", "/target", 302);
    server.route("*", "/target", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.method + ":" + req.body, "text/plain");
    });
    auto post = [&](const std::string& path) {
        UrlRequest request = requestFor(server, path);
        request.setHttpMethod("POST");
        request.setHttpBody(std::string_view("data"));
        request.setValueForHttpHeaderField("secret", "Authorization");
        return fetchSync(request).bodyText();
    };
    EXPECT_EQ(post("/see-other"), "GET:");
    EXPECT_EQ(post("/found"), "GET:");
    EXPECT_EQ(post("/temporary"), "POST:data");
    // Same host: the credentials stay.
    auto seen = server.requestsFor("/target");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen.back().header("Authorization"), "secret");
}

TEST(FetchSync, CredentialsAreNotCarriedToAnotherHost) {
    TestHttpServer server;
    // "localhost" and "127.0.0.1" are different hosts on the same loopback server.
    server.redirect("/away", "http://localhost:" + std::to_string(server.port()) + "/there");
    server.text("/there", "there");
    UrlRequest request = requestFor(server, "/away");
    request.setValueForHttpHeaderField("secret", "Authorization");
    auto result = fetchSync(request);
    ASSERT_TRUE(result.ok()) << result.errorText();
    auto seen = server.requestsFor("/there");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen[0].hasHeader("Authorization"));
}

TEST(FetchSync, RedirectLoopsAndNonWebTargetsFail) {
    TestHttpServer server;
    server.redirect("/loop", "/loop");
    server.redirect("/file", "file:///etc/passwd");

    auto loop = fetchSync(requestFor(server, "/loop"));
    ASSERT_TRUE(loop.error);
    EXPECT_TRUE(loop.error->is(platform::kUrlErrorDomain, platform::kUrlErrorHTTPTooManyRedirects));
    EXPECT_EQ(platform::failingUrlOf(*loop.error), server.url("/loop"));
    EXPECT_EQ(server.requestCount("/loop"), std::size_t(platform::kMaxHttpRedirects + 1));

    auto file = fetchSync(requestFor(server, "/file"));
    ASSERT_TRUE(file.error);
    EXPECT_TRUE(file.error->is(platform::kUrlErrorDomain, platform::kUrlErrorUnsupportedURL));
    EXPECT_EQ(platform::failingUrlOf(*file.error), "file:///etc/passwd");
}

TEST(FetchSync, NotFoundIsAResponseWithItsBody) {
    TestHttpServer server;
    server.text("/gone", "no such page", 404);
    auto result = fetchSync(requestFor(server, "/gone"));
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.statusCode(), 404);
    EXPECT_EQ(result.bodyText(), "no such page");
}

TEST(FetchSync, RefusedConnectionIsAnErrorCarryingTheUrl) {
    std::string url;
    {
        TestHttpServer server;
        url = server.url("/nobody-home");
    }  // the port is closed again
    auto result = fetchSync(requestTo(url));
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(
        result.error->is(platform::kUrlErrorDomain, platform::kUrlErrorCannotConnectToHost));
    EXPECT_EQ(platform::failingUrlOf(*result.error), url);
    EXPECT_EQ(result.error->localizedDescription(), "Could not connect to the server.");
    ASSERT_TRUE(result.error->underlying);
    EXPECT_EQ(result.error->underlying->domain, platform::kCurlErrorDomain);
    EXPECT_FALSE(result.response);
}

TEST(FetchSync, UntrustedCertificateIsRefused) {
    TestHttpServer server(TestHttpServer::Scheme::Https);
    ASSERT_TRUE(server.isRunning());
    server.text("/secure", "should not be read");
    auto result = fetchSync(requestTo(server.url("/secure")));
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(
        result.error->is(platform::kUrlErrorDomain, platform::kUrlErrorServerCertificateUntrusted));
    EXPECT_EQ(platform::failingUrlOf(*result.error), server.url("/secure"));
    EXPECT_TRUE(result.body.empty());
    EXPECT_EQ(server.requestCount("/secure"), 0u);
}

TEST(FetchSync, BadAndUnsupportedUrlsFailWithoutNetwork) {
    EXPECT_FALSE(UrlRequest::withString("not a url"));
    auto bad = fetchSync(UrlRequest());
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(bad.error->code, platform::kUrlErrorBadURL);
    auto ftp = fetchSync(requestTo("ftp://127.0.0.1/file"));
    ASSERT_TRUE(ftp.error);
    EXPECT_EQ(ftp.error->code, platform::kUrlErrorUnsupportedURL);
    EXPECT_EQ(platform::failingUrlOf(*ftp.error), "ftp://127.0.0.1/file");
}

TEST(FetchSync, IdleTimeOutBeforeTheHeadAndInsideTheBody) {
    TestHttpServer server;
    auto gate = server.makeGate();
    server.stalled("/silent", gate);
    server.chunked("/trickle", {"first part", "never sent"}, gate, 1);

    auto silent = fetchSync(requestFor(server, "/silent", 0.2));
    ASSERT_TRUE(silent.error);
    EXPECT_TRUE(silent.error->is(platform::kUrlErrorDomain, platform::kUrlErrorTimedOut));
    EXPECT_EQ(platform::failingUrlOf(*silent.error), server.url("/silent"));
    EXPECT_FALSE(silent.response);

    auto trickle = fetchSync(requestFor(server, "/trickle", 0.2));
    ASSERT_TRUE(trickle.error);
    EXPECT_EQ(trickle.error->code, platform::kUrlErrorTimedOut);
    ASSERT_TRUE(trickle.response);
    EXPECT_EQ(trickle.statusCode(), 200);
    EXPECT_EQ(trickle.bodyText(), "first part");
    gate->release();
}

TEST(FetchSync, UnboundedTimeOutsWaitInsteadOfFailingAtOnce) {
    TestHttpServer server;
    server.get("/slow", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("late but here", "text/plain");
    });
    for (double timeout : {std::numeric_limits<double>::infinity(), 1e300}) {
        auto result = fetchSync(requestFor(server, "/slow", timeout));
        ASSERT_TRUE(result.ok()) << timeout << ": " << result.errorText();
        EXPECT_EQ(result.bodyText(), "late but here");
    }
}

TEST(FetchSync, BodyCutShortIsALostConnection) {
    TestHttpServer server;
    server.get("/cut", [](const httplib::Request&, httplib::Response& res) {
        // Promise ten bytes, send four, then hang up.
        res.set_content_provider(10, "text/plain",
                                 [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (offset > 0) return false;
                                     return sink.write("abcd", 4);
                                 });
    });
    auto result = fetchSync(requestFor(server, "/cut"));
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(
        result.error->is(platform::kUrlErrorDomain, platform::kUrlErrorNetworkConnectionLost));
    ASSERT_TRUE(result.response);
    EXPECT_EQ(result.expectedContentLength(), 10);
    EXPECT_EQ(result.bodyText(), "abcd");
}

TEST(FetchSync, CancelFromAnotherThreadEndsAWaitingLoad) {
    TestHttpServer server;
    auto gate = server.makeGate();
    server.stalled("/forever", gate);
    FetchOptions options;
    options.cancelled = std::make_shared<std::atomic<bool>>(false);
    auto load = std::async(std::launch::async,
                           [&] { return fetchSync(requestFor(server, "/forever", 60), options); });
    ASSERT_TRUE(gate->waitForArrivals(1));
    options.cancelled->store(true);
    ASSERT_EQ(load.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    auto result = load.get();
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(result.error->is(platform::kUrlErrorDomain, platform::kUrlErrorCancelled));
    EXPECT_EQ(platform::failingUrlOf(*result.error), server.url("/forever"));

    // A flag already set stops the load before anything is sent.
    auto before = fetchSync(requestFor(server, "/forever"), options);
    ASSERT_TRUE(before.error);
    EXPECT_EQ(before.error->code, platform::kUrlErrorCancelled);
    EXPECT_EQ(server.requestCount("/forever"), 1u);
    gate->release();
}

TEST(FetchSync, ByteCapStopsAnnouncedAndStreamedBodies) {
    TestHttpServer server;
    server.text("/ten", "0123456789");
    server.chunked("/stream", {"01234", "56789", "abcde"});

    FetchOptions cap;
    cap.maxBytes = 10;
    EXPECT_TRUE(fetchSync(requestFor(server, "/ten"), cap).ok());  // exactly at the cap

    cap.maxBytes = 9;
    auto announced = fetchSync(requestFor(server, "/ten"), cap);
    ASSERT_TRUE(announced.error);
    EXPECT_TRUE(announced.error->is(platform::kUrlErrorDomain,
                                    platform::kUrlErrorDataLengthExceedsMaximum));
    EXPECT_TRUE(announced.body.empty());

    auto streamed = fetchSync(requestFor(server, "/stream"), cap);
    ASSERT_TRUE(streamed.error);
    EXPECT_EQ(streamed.error->code, platform::kUrlErrorDataLengthExceedsMaximum);
    EXPECT_LE(streamed.body.size(), 9u);
}

TEST(FetchSync, UnsafeHeaderValuesAreNotSentAndNoCachePolicyAsksCachesToRevalidate) {
    TestHttpServer server;
    server.text("/h", "ok");
    UrlRequest request = requestFor(server, "/h");
    request.setValueForHttpHeaderField("a\r\nX-Injected: yes", "X-Note");
    request.setValueForHttpHeaderField("fine", "X-Other");
    request.setCachePolicy(platform::UrlRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData);
    ASSERT_TRUE(fetchSync(request).ok());
    auto seen = server.requestsFor("/h");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen[0].hasHeader("X-Injected"));
    EXPECT_FALSE(seen[0].hasHeader("X-Note"));
    EXPECT_EQ(seen[0].header("X-Other"), "fine");
    EXPECT_EQ(seen[0].header("Cache-Control"), "no-cache");
    EXPECT_EQ(seen[0].header("Pragma"), "no-cache");
}
