#pragma once

// A real HTTP server on 127.0.0.1 for tests. It binds an ephemeral port, answers the routes the
// test adds (at any time, also while requests are running), records every request it saw, and
// shuts down cleanly even when a handler is still parked on a gate.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <httplib.h>

#include "platform/testing/TestGate.h"

namespace platform::testing {

// What the server saw of one request, copied so a test can inspect it after the fact.
struct RecordedRequest {
    std::string method;
    std::string path;    // without the query
    std::string target;  // as sent, with the query
    httplib::Headers headers;
    httplib::Params params;
    std::string body;

    // Header value by case-insensitive name; empty when absent.
    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
    std::string param(const std::string& name) const;
};

class TestHttpServer {
  public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    enum class Scheme { Http, Https };

    // Starts at once; check isRunning() (it fails only when no loopback port can be bound).
    // An https server presents a fresh self-signed certificate for 127.0.0.1, which no client
    // trusts: it is there to exercise certificate failures.
    explicit TestHttpServer(Scheme scheme = Scheme::Http);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    bool isRunning() const { return running_; }
    int port() const { return port_; }
    // "http://127.0.0.1:<port>" (or "https://...") followed by `path` (which should start
    // with "/").
    std::string url(std::string_view path = "/") const;

    // Routes match the path exactly (the query is ignored); a later route for the same method
    // and path replaces the earlier one. Method "*" answers every method. Unknown paths get 404.
    void route(const std::string& method, const std::string& path, Handler handler);
    void get(const std::string& path, Handler handler) { route("GET", path, std::move(handler)); }
    void post(const std::string& path, Handler handler) { route("POST", path, std::move(handler)); }

    // Canned answers for the common cases.
    void text(const std::string& path, std::string body, int status = 200,
              std::string contentType = "text/plain");
    void redirect(const std::string& path, std::string location, int status = 302);
    // Answers `body` only after `gate` is released; nothing at all reaches the client before.
    void stalled(const std::string& path, std::shared_ptr<TestGate> gate, std::string body = "ok");
    // Streams `chunks` with chunked transfer encoding; when a gate is given the stream stops
    // after the first `chunksBeforeGate` chunks until it is released.
    void chunked(const std::string& path, std::vector<std::string> chunks,
                 std::shared_ptr<TestGate> gate = nullptr, std::size_t chunksBeforeGate = 1);

    // A gate the server abandons when it stops, so no handler outlives the test.
    std::shared_ptr<TestGate> makeGate();

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requestsFor(const std::string& path) const;
    std::size_t requestCount(const std::string& path) const;
    // Blocks until the server has seen `count` requests in total or `limit` passes.
    bool waitForRequests(std::size_t count,
                         std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

    // Stops accepting, abandons every gate and joins the server thread. Idempotent.
    void stop();

  private:
    void dispatch(const httplib::Request& req, httplib::Response& res);
    void track(const std::shared_ptr<TestGate>& gate);

    std::unique_ptr<httplib::Server> server_;
    Scheme scheme_;
    std::thread thread_;
    int port_ = -1;
    bool running_ = false;
    std::atomic<bool> listenEnded_ = false;

    mutable std::mutex mutex_;
    mutable std::condition_variable requestSeen_;
    std::map<std::pair<std::string, std::string>, Handler> routes_;
    std::vector<RecordedRequest> log_;
    std::vector<std::shared_ptr<TestGate>> gates_;
};

}  // namespace platform::testing
