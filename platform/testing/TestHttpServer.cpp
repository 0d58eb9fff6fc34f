#include "platform/testing/TestHttpServer.h"

#include <utility>

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "platform/testing/ServerSockets.h"

namespace platform::testing {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A throwaway certificate for 127.0.0.1, valid for a day. The server copies what it needs,
// so both parts are freed when this goes.
struct SelfSignedCertificate {
    EVP_PKEY* key = nullptr;
    X509* x509 = nullptr;

    SelfSignedCertificate() {
        key = EVP_EC_gen("P-256");
        x509 = X509_new();
        if (!key || !x509) return;
        X509_set_version(x509, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(x509), 1);
        X509_gmtime_adj(X509_getm_notBefore(x509), -60);
        X509_gmtime_adj(X509_getm_notAfter(x509), 24 * 3600);
        X509_set_pubkey(x509, key);
        X509_NAME* name = X509_get_subject_name(x509);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(x509, name);
        X509V3_CTX context;
        X509V3_set_ctx_nodb(&context);
        X509V3_set_ctx(&context, x509, x509, nullptr, nullptr, 0);
        if (X509_EXTENSION* san =
                X509V3_EXT_conf_nid(nullptr, &context, NID_subject_alt_name, "IP:127.0.0.1")) {
            X509_add_ext(x509, san, -1);
            X509_EXTENSION_free(san);
        }
        if (X509_sign(x509, key, EVP_sha256()) == 0) {
            X509_free(x509);
            x509 = nullptr;
        }
    }
    ~SelfSignedCertificate() {
        X509_free(x509);
        EVP_PKEY_free(key);
    }
    bool valid() const { return key && x509; }
};

}  // namespace

std::string RecordedRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringCase(key, name)) return value;
    }
    return {};
}

bool RecordedRequest::hasHeader(const std::string& name) const {
    for (const auto& entry : headers) {
        if (equalsIgnoringCase(entry.first, name)) return true;
    }
    return false;
}

std::string RecordedRequest::param(const std::string& name) const {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

TestHttpServer::TestHttpServer(Scheme scheme) : scheme_(scheme) {
    if (scheme == Scheme::Https) {
        SelfSignedCertificate certificate;
        if (certificate.valid()) {
            server_ = std::make_unique<httplib::SSLServer>(certificate.x509, certificate.key);
        }
        if (!server_ || !server_->is_valid()) return;
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    // One catch-all per method, dispatching through our own table: httplib's handler lists
    // must not change while it serves, ours may.
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        dispatch(req, res);
    };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    server_->Put(".*", handler);
    server_->Patch(".*", handler);
    server_->Delete(".*", handler);
    server_->Options(".*", handler);
    // One request per connection: httplib notices a shutdown only between keep-alive waits
    // (a second each), and a client's idle pooled connection would hold up every stop().
    server_->set_keep_alive_max_count(1);
    server_->set_keep_alive_timeout(1);
    makeServerSocketsCloseOnExec(*server_);

    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) return;
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        listenEnded_ = true;
    });
    // The socket is already listening, so clients could connect now; we wait for the accept
    // loop only because httplib's stop() is a no-op until that loop has begun.
    while (!server_->is_running() && !listenEnded_) std::this_thread::yield();
    if (listenEnded_) return;
    running_ = true;
}

TestHttpServer::~TestHttpServer() {
    stop();
}

std::string TestHttpServer::url(std::string_view path) const {
    const char* prefix = scheme_ == Scheme::Https ? "https://127.0.0.1:" : "http://127.0.0.1:";
    return prefix + std::to_string(port_) + std::string(path);
}

void TestHttpServer::route(const std::string& method, const std::string& path, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_[{method, path}] = std::move(handler);
}

void TestHttpServer::text(const std::string& path, std::string body, int status,
                          std::string contentType) {
    route("*", path,
          [body = std::move(body), status, contentType = std::move(contentType)](
              const httplib::Request&, httplib::Response& res) {
              res.status = status;
              res.set_content(body, contentType.c_str());
          });
}

void TestHttpServer::redirect(const std::string& path, std::string location, int status) {
    route(
        "*", path,
        [location = std::move(location), status](const httplib::Request&, httplib::Response& res) {
            res.status = status;
            res.set_header("Location", location);
            res.set_content("moved", "text/plain");
        });
}

void TestHttpServer::stalled(const std::string& path, std::shared_ptr<TestGate> gate,
                             std::string body) {
    track(gate);
    route("*", path,
          [gate = std::move(gate), body = std::move(body)](const httplib::Request&,
                                                           httplib::Response& res) {
              if (!gate->wait()) {
                  res.status = 503;
                  return;
              }
              res.set_content(body, "text/plain");
          });
}

void TestHttpServer::chunked(const std::string& path, std::vector<std::string> chunks,
                             std::shared_ptr<TestGate> gate, std::size_t chunksBeforeGate) {
    if (gate) track(gate);
    route("*", path,
          [chunks = std::move(chunks), gate = std::move(gate), chunksBeforeGate](
              const httplib::Request&, httplib::Response& res) {
              res.set_chunked_content_provider(
                  "application/octet-stream",
                  [chunks, gate, chunksBeforeGate, next = std::size_t{0}](
                      std::size_t, httplib::DataSink& sink) mutable {
                      if (gate && next == chunksBeforeGate && !gate->wait()) return false;
                      if (next >= chunks.size()) {
                          sink.done();
                          return true;
                      }
                      const std::string& chunk = chunks[next++];
                      return sink.write(chunk.data(), chunk.size());
                  });
          });
}

std::shared_ptr<TestGate> TestHttpServer::makeGate() {
    auto gate = std::make_shared<TestGate>();
    track(gate);
    return gate;
}

void TestHttpServer::track(const std::shared_ptr<TestGate>& gate) {
    std::lock_guard lock(mutex_);
    for (const auto& known : gates_) {
        if (known == gate) return;
    }
    gates_.push_back(gate);
}

void TestHttpServer::dispatch(const httplib::Request& req, httplib::Response& res) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        log_.push_back(
            RecordedRequest{req.method, req.path, req.target, req.headers, req.params, req.body});
        auto it = routes_.find({req.method, req.path});
        if (it == routes_.end()) it = routes_.find({"*", req.path});
        // HEAD reaches us through the GET catch-all; answer it like GET, as servers do.
        if (it == routes_.end() && req.method == "HEAD") it = routes_.find({"GET", req.path});
        if (it != routes_.end()) handler = it->second;
    }
    requestSeen_.notify_all();
    if (!handler) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }
    handler(req, res);
}

std::vector<RecordedRequest> TestHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::vector<RecordedRequest> TestHttpServer::requestsFor(const std::string& path) const {
    std::lock_guard lock(mutex_);
    std::vector<RecordedRequest> out;
    for (const auto& r : log_) {
        if (r.path == path) out.push_back(r);
    }
    return out;
}

std::size_t TestHttpServer::requestCount(const std::string& path) const {
    return requestsFor(path).size();
}

bool TestHttpServer::waitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return requestSeen_.wait_for(lock, limit, [&] { return log_.size() >= count; });
}

void TestHttpServer::stop() {
    std::vector<std::shared_ptr<TestGate>> gates;
    {
        std::lock_guard lock(mutex_);
        gates = gates_;
    }
    for (auto& gate : gates) gate->abandon();
    if (running_ && server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    running_ = false;
}

}  // namespace platform::testing
