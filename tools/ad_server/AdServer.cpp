#include "tools/ad_server/AdServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <utility>

#include <httplib.h>

#include "platform/testing/MediaAnswers.h"
#include "platform/testing/ServerSockets.h"
#include "platform/testing/TestGate.h"
#include "tools/ad_server/AdResponses.h"
#include "tools/ad_server/CoreCalls.h"
#include "tools/ad_server/EmbeddedPages.h"
#include "tools/ad_server/FrameCreatives.h"
#include "tools/ad_server/HostileCreatives.h"
#include "tools/ad_server/MraidCreatives.h"
#include "tools/ad_server/TextEscaping.h"

namespace tools::adserver {

namespace {

using Json = nlohmann::ordered_json;

// Page calls, reports and token requests are small; nothing legitimate comes near this.
constexpr std::size_t kMaxBody = 1 << 20;
// Stalled answers each hold a thread; tests stall a few at a time.
constexpr std::size_t kThreads = 16;

int numberParam(const httplib::Request& req, const char* name) {
    auto it = req.params.find(name);
    if (it == req.params.end()) return 0;
    int value = 0;
    const std::string& text = it->second;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return (ec == std::errc() && end == text.data() + text.size() && value > 0) ? value : 0;
}

// A socket bound to a loopback port but never listening: every connection to it is refused
// at once, and no other program can take the port while we hold it.
int bindRefusingSocket(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

void answer(httplib::Response& res, int status, const std::string& body,
            const char* contentType = "text/plain; charset=UTF-8") {
    res.status = status;
    res.set_content(body, contentType);
}

// With "leave=1", a site that tries to leave for another program by itself: once loaded it
// follows a "movuroute://landing/<n>" link 20 times at once and then every 100 ms, without
// anybody touching it, counting in window.movuLeft.
constexpr const char* kLeavingScript =
    "<p><a id=\"out\" href=\"movuroute://landing/0\">Open the app</a></p>\n<script>\n"
    "window.movuLeft = 0;\nfunction leave() {\n  var out = document.getElementById('out');\n"
    "  out.href = 'movuroute://landing/' + (++window.movuLeft);\n  out.click();\n}\n"
    "for (var i = 0; i < 20; i++) leave();\nsetInterval(leave, 100);\n</script>\n";

// The advertiser's site: a page with a link to its second page and a small form, so a
// browser showing it has somewhere to go and something to send, and a link to an address that
// moved to a file (as a hostile site's would).
std::string landingPage(const httplib::Request& req) {
    const std::string slot = percentEncode(req.get_param_value("slot"));
    const std::string ad = percentEncode(req.get_param_value("ad"));
    const std::string page = req.get_param_value("page") == "2" ? "2" : "1";
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">\n"
           "<title>Movuroute test advertiser</title>\n</head>\n"
           "<body style=\"font: 16px sans-serif; margin: 24px; background: #fff8e0\">\n"
           "<h1>Movuroute test advertiser</h1>\n<p>Page " +
           page +
           ". This page stands in for the advertiser's site of a test ad from the local ad "
           "server.</p>\n<p><a id=\"next\" href=\"/landing?slot=" +
           slot + "&amp;ad=" + ad +
           "&amp;page=2\">The second page</a></p>\n<p><a id=\"file\" "
           "href=\"/landing/to_file?slot=" +
           slot + "&amp;ad=" + ad +
           "\">A page that moved to a file</a></p>\n"
           "<form id=\"form\" action=\"/landing/form\" method=\"get\">\n"
           "<input type=\"hidden\" name=\"slot\" value=\"" +
           slot + "\">\n<input type=\"hidden\" name=\"ad\" value=\"" + ad +
           "\">\n<input name=\"q\" value=\"tilt\">\n"
           "<button id=\"send\" type=\"submit\">Send</button>\n</form>\n" +
           (req.get_param_value("leave") == "1" ? kLeavingScript : "") + "</body>\n</html>\n";
}

// "/media/video.mp4": kMediaBytes of a repeating pattern, with "Content-Length" unless the
// query says "length=none", and "Content-Disposition" naming the query's "name" when given.
void serveMedia(const httplib::Request& req, httplib::Response& res) {
    res.status = 200;
    if (req.has_param("name")) {
        std::string name = req.get_param_value("name");
        for (char& c : name) {
            if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
        }
        res.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
    }
    auto provide = [](std::size_t offset, httplib::DataSink& sink) {
        static const std::string block = [] {
            std::string b(64 * 1024, '\0');
            for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>('a' + i % 26);
            return b;
        }();
        const std::size_t left = AdServer::kMediaBytes - offset;
        if (left == 0) {
            sink.done();
            return true;
        }
        return sink.write(block.data(), std::min(left, block.size()));
    };
    if (req.get_param_value("length") == "none") {
        // No length: the body goes chunked, and its reader learns the size at the end.
        res.set_chunked_content_provider("video/mp4", provide);
    } else {
        res.set_content_provider(
            AdServer::kMediaBytes, "video/mp4",
            [provide](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                return provide(offset, sink);
            });
    }
}

// kAttachmentPath: a desktop entry sent to be saved. Endless, it is the same text again and
// again, until the reader goes, the server stops or kEndlessAttachmentBytes have gone.
void serveAttachment(const httplib::Request& req, httplib::Response& res,
                     std::function<bool()> stopping) {
    static const std::string entry =
        "[Desktop Entry]\nType=Application\nName=Movuroute test attachment\nExec=true\n";
    res.status = 200;
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Disposition",
                   std::string("attachment; filename=\"") + kAttachmentFileName + "\"");
    if (req.get_param_value("endless") != "1") {
        res.set_content(entry, "application/x-desktop");
        return;
    }
    res.set_chunked_content_provider(
        "application/x-desktop",
        [stopping = std::move(stopping)](std::size_t offset, httplib::DataSink& sink) {
            static const std::string block = [] {
                std::string b;
                while (b.size() < 64 * 1024) b += "# " + entry;
                return b;
            }();
            if (offset >= kEndlessAttachmentBytes || stopping()) {
                sink.done();
                return true;
            }
            return sink.write(block.data(), block.size());
        });
}

// "/mads/large_body?bytes=N": N bytes of markup-like text (at most kMaxLargeBodyBytes), with
// its length, made as it is sent so the server holds none of it.
void serveLargeBody(const httplib::Request& req, httplib::Response& res) {
    std::size_t bytes = 0;
    const std::string text = req.get_param_value("bytes");
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), bytes);
    if (ec != std::errc() || end != text.data() + text.size() || bytes > kMaxLargeBodyBytes) {
        return answer(res, 400, "bytes needs 0 to 67108864\n");
    }
    res.set_header("Cache-Control", "no-store");
    // httplib waits for a provider of no bytes for ever.
    if (bytes == 0) return answer(res, 200, "", "text/html; charset=utf-8");
    res.status = 200;
    res.set_content_provider(bytes, "text/html; charset=utf-8",
                             [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 static const std::string block = [] {
                                     std::string b;
                                     while (b.size() < 64 * 1024)
                                         b += "<p>movuroute large body</p>\n";
                                     return b;
                                 }();
                                 const std::size_t at = offset % block.size();
                                 return sink.write(block.data() + at,
                                                   std::min(length, block.size() - at));
                             });
}

}  // namespace

AdServer::AdServer(int port) {
    refusedSocket_ = bindRefusingSocket(refusedPort_);
    server_ = std::make_unique<httplib::Server>();
    server_->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    server_->set_payload_max_length(kMaxBody);
    // One request per connection: httplib notices a stop only between keep-alive waits, and
    // a web view's idle pooled connection would hold up every stop().
    server_->set_keep_alive_max_count(1);
    server_->set_keep_alive_timeout(1);
    platform::testing::makeServerSocketsCloseOnExec(*server_);
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        handle(req, res);
    };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    server_->Put(".*", handler);
    server_->Patch(".*", handler);
    server_->Delete(".*", handler);
    server_->Options(".*", handler);

    if (port == 0) {
        port_ = server_->bind_to_any_port("127.0.0.1");
    } else if (port > 0 && port < 65536 && server_->bind_to_port("127.0.0.1", port)) {
        port_ = port;
    }
    if (port_ <= 0) return;
    slowGate_ = makeGate();
    constants_ = defaultConstants();
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        listenEnded_ = true;
    });
    // httplib's stop() does nothing until its accept loop has begun.
    while (!server_->is_running() && !listenEnded_) std::this_thread::yield();
    if (listenEnded_) return;
    running_ = true;
}

AdServer::~AdServer() {
    stop();
    if (refusedSocket_ >= 0) ::close(refusedSocket_);
}

std::string AdServer::origin() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::string AdServer::refusedOrigin() const {
    return "http://127.0.0.1:" + std::to_string(refusedPort_);
}

void AdServer::setScenario(const std::string& slotname, AdScenario scenario) {
    if (scenario.stall) track(scenario.stall);
    std::lock_guard lock(mutex_);
    scenarios_[slotname] = std::move(scenario);
}

void AdServer::setDefaultScenario(AdScenario scenario) {
    if (scenario.stall) track(scenario.stall);
    std::lock_guard lock(mutex_);
    defaultScenario_ = std::move(scenario);
}

void AdServer::clearScenarios() {
    std::lock_guard lock(mutex_);
    scenarios_.clear();
    defaultScenario_ = AdScenario{};
}

AdScenario AdServer::scenarioFor(const std::string& slotname) const {
    std::lock_guard lock(mutex_);
    auto it = scenarios_.find(slotname);
    if (it == scenarios_.end() && slotname == kRewardedUnit) return AdScenario::rewarded();
    return it == scenarios_.end() ? defaultScenario_ : it->second;
}

void AdServer::setConstants(std::optional<std::map<std::string, std::string>> constants) {
    std::lock_guard lock(mutex_);
    constants_ = std::move(constants);
}

std::optional<std::map<std::string, std::string>> AdServer::constants() const {
    std::lock_guard lock(mutex_);
    if (!constants_) return std::nullopt;
    return constants_;
}

std::map<std::string, std::string> AdServer::defaultConstants() const {
    return {
        {"bad_ad_report_path", url("/s/reportAd")},
        {"as_domains", "127.0.0.1"},
        {"whitelisted_ad_request_domains", "[\"127.0.0.1\"]"},
        {"clickthrough_confirm_schemes", "{\"tel\":\"Call\",\"facetime\":\"FaceTime\"}"},
        {"refresh_intervals",
         "{\"active_view_sampling_interval\":0.4,\"swipe_to_view_sampling_interval\":0.5}"},
        {"active_view_unload_cache_size", "3"},
        {"use_new_web_views_for_active_view", "0"},
        {"mraid_disable_redirect", "0"},
        // Every run against this server reports its timings, so tests can see them.
        {"csi_reporting_probability", "1"},
        {"ping_interval", "60"},
        {"url_time_to_live", "3"},
        {"maximum_retry_url_count", "10"},
        {"ad_key_parent_view_count", "20"},
        {"content_queue_maximum_capacity", "10"},
        {"traversal_interval", "10"},
        {"deeplinkplus_enabled", "1"},
        {"enable_signed_in_ads", "0"},
    };
}

void AdServer::requestReloadOnNextCall() {
    std::lock_guard lock(mutex_);
    reloadOnNextCall_ = true;
}

void AdServer::setPageStatus(int status) {
    std::lock_guard lock(mutex_);
    pageStatus_ = status;
}

void AdServer::setServesMraidScripts(bool serves) {
    std::lock_guard lock(mutex_);
    servesMraidScripts_ = serves;
}

std::shared_ptr<platform::testing::MediaAnswerCounts> AdServer::mediaAnswers(
    platform::testing::MediaAnswerKind kind) {
    std::lock_guard lock(mutex_);
    auto& counts = mediaAnswers_[kind];
    if (!counts) counts = std::make_shared<platform::testing::MediaAnswerCounts>();
    return counts;
}

void AdServer::serveKindedMedia(const httplib::Request& req, httplib::Response& res) {
    const std::string name = req.get_param_value("kind");
    if (name == "redirect") {
        res.status = 302;
        res.set_header("Location", url(kServedMediaPath) + "?kind=ranges");
        return;
    }
    const auto kind = platform::testing::mediaAnswerKindNamed(name);
    if (!kind) return answer(res, 400, "no such kind\n");
    std::shared_ptr<const std::string> clip;
    {
        std::lock_guard lock(mutex_);
        clip = mediaClip_;
    }
    if (!clip) return answer(res, 404, "no clip\n");
    platform::testing::answerMedia(*kind, std::move(clip), req, res, mediaAnswers(*kind));
}

void AdServer::setMediaClip(std::string bytes) {
    std::lock_guard lock(mutex_);
    mediaClip_ = std::make_shared<const std::string>(std::move(bytes));
}

void AdServer::stallPage(std::shared_ptr<platform::testing::TestGate> gate) {
    if (gate) track(gate);
    std::lock_guard lock(mutex_);
    pageGate_ = std::move(gate);
}

void AdServer::stallMraidHeldPicture(std::shared_ptr<platform::testing::TestGate> gate) {
    if (gate) track(gate);
    std::lock_guard lock(mutex_);
    mraidHeldPictureGate_ = std::move(gate);
}

void AdServer::setTokenAnswer(int status, std::string body) {
    std::lock_guard lock(mutex_);
    tokenAnswer_ = std::make_pair(status, std::move(body));
}

void AdServer::failConversions(int count) {
    conversionFailures_.store(count);
}

void AdServer::resetTokenAnswer() {
    std::lock_guard lock(mutex_);
    tokenAnswer_.reset();
}

std::shared_ptr<platform::testing::TestGate> AdServer::makeGate() {
    auto gate = std::make_shared<platform::testing::TestGate>();
    track(gate);
    return gate;
}

void AdServer::track(const std::shared_ptr<platform::testing::TestGate>& gate) {
    bool abandonNow = false;
    {
        std::lock_guard lock(mutex_);
        for (const auto& known : gates_) {
            if (known == gate) return;
        }
        gates_.push_back(gate);
        abandonNow = stopping_;
    }
    if (abandonNow) gate->abandon();
}

bool AdServer::waitOn(const std::shared_ptr<platform::testing::TestGate>& gate) {
    return !gate || gate->wait();
}

void AdServer::stop() {
    std::vector<std::shared_ptr<platform::testing::TestGate>> gates;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        gates = gates_;
    }
    for (auto& gate : gates) gate->abandon();
    if (running_ && server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    running_ = false;
}

LoggedRequest AdServer::record(const httplib::Request& req, RequestKind kind) const {
    LoggedRequest r;
    r.kind = kind;
    r.method = req.method;
    r.path = req.path;
    r.target = req.target;
    for (const auto& [name, value] : req.params) r.params.emplace(name, value);
    for (const auto& [name, value] : req.headers) r.headers.emplace_back(name, value);
    r.body = req.body;
    r.slotname = r.param("slotname");
    if (r.slotname.empty()) r.slotname = r.param("slot");
    r.ad = numberParam(req, "ad");
    return r;
}

void AdServer::handle(const httplib::Request& req, httplib::Response& res) {
    const std::string& path = req.path;
    if (path == kCorePagePath) return servePage(req, res);
    if (path == kCoreCallPath) return serveCoreCall(req, res);
    if (path == "/mads/gma") return serveAd(req, res, false);
    if (path == "/mads/fetched_ad") return serveAd(req, res, true);
    if (path == "/oauth2/v3/token") return serveToken(req, res);
    if (path == kNativePagePath) return serveNativePage(req, res);
    if (path == "/mads/native_image") return serveNativeImage(req, res);
    if (auto asset = mraidAsset(path)) {
        log_.add(record(req, RequestKind::MraidAsset));
        bool serves = true;
        std::shared_ptr<platform::testing::TestGate> gate;
        {
            std::lock_guard lock(mutex_);
            serves = servesMraidScripts_ || path.rfind("/mads/mraid/", 0) == 0;
            if (path == kMraidHeldPicturePath) gate = mraidHeldPictureGate_;
        }
        if (!waitOn(gate)) return answer(res, 503, "stopping\n");
        if (!serves) return answer(res, 404, "No MRAID scripts here.\n", "text/plain");
        return answer(res, 200, asset->body, asset->contentType.c_str());
    }
    if (path == "/mads/imp") return servePing(req, res, RequestKind::Impression);
    if (path == "/mads/manual_imp") return servePing(req, res, RequestKind::ManualImpression);
    if (path == "/mads/clk") return servePing(req, res, RequestKind::ClickTracking);
    if (path == "/mads/creative_event") return servePing(req, res, RequestKind::CreativeEvent);
    if (path == "/mads/passback") return servePing(req, res, RequestKind::Passback);
    if (path == "/mads/mediation_ping") return servePing(req, res, RequestKind::MediationPing);
    if (path == "/mads/viewable") return servePing(req, res, RequestKind::Viewable);
    // The SDK's default mediation templates, for configurations that name none.
    if (path == "/imp" || path == "/clk" || path == "/nofill") {
        return servePing(req, res, RequestKind::MediationPing);
    }
    if (path == "/csi") return servePing(req, res, RequestKind::PerformanceReport);
    if (path == "/adpage/gen_204") return servePing(req, res, RequestKind::CrashReport);
    if (path == "/iap/report") return servePing(req, res, RequestKind::PurchaseReport);
    if (path == "/adpage/conversion/") {
        servePing(req, res, RequestKind::Conversion);
        int left = conversionFailures_.load();
        while (left > 0 && !conversionFailures_.compare_exchange_weak(left, left - 1)) {
        }
        if (left > 0) answer(res, 500, "busy\n");
        return;
    }
    if (path == "/s/reportAd") {
        log_.add(record(req, RequestKind::BadAdReport));
        return answer(res, 200, "{}", "application/json");
    }
    if (path.rfind("/aclk/", 0) == 0 || path == "/aclk") {
        LoggedRequest r = record(req, RequestKind::Click);
        log_.add(r);
        // Only ever on to our own landing page: "adurl" is whatever the client sent.
        res.status = 302;
        res.set_header("Location", url("/landing?slot=" + percentEncode(r.slotname) +
                                       "&ad=" + std::to_string(r.ad)));
        return;
    }
    if (path == kFileRedirectPath || path == "/landing/to_file") {
        log_.add(record(req, RequestKind::FileRedirect));
        res.status = 302;
        res.set_header("Location", kFileRedirectTarget);
        return;
    }
    if (path == kAttachmentPath) {
        log_.add(record(req, RequestKind::Attachment));
        return serveAttachment(req, res, [this] {
            std::lock_guard lock(mutex_);
            return stopping_;
        });
    }
    if (path == kSlowPath) {
        log_.add(record(req, RequestKind::Slow));
        if (!waitOn(slowGate_)) return answer(res, 503, "stopping\n");
        return answer(res, 200, "late\n", "text/plain");
    }
    if (path == "/landing" || path == "/landing/form") {
        log_.add(record(req, RequestKind::Landing));
        return answer(res, 200, landingPage(req), "text/html; charset=utf-8");
    }
    if (path == "/media/video.mp4") {
        log_.add(record(req, RequestKind::Media));
        return serveMedia(req, res);
    }
    if (path == "/media/clip.webm") {
        log_.add(record(req, RequestKind::Media));
        std::shared_ptr<const std::string> clip;
        {
            std::lock_guard lock(mutex_);
            clip = mediaClip_;
        }
        if (!clip) return answer(res, 404, "no clip\n");
        return answer(res, 200, *clip, "video/webm");
    }
    if (path == kServedMediaPath) {
        log_.add(record(req, RequestKind::Media));
        return serveKindedMedia(req, res);
    }
    if (path == kBusyWorkerPath) {
        log_.add(record(req, RequestKind::WorkerScript));
        res.set_header("Cache-Control", "no-store");
        // A shared worker's port says hello on connect, as honest ones do; the work is the
        // same for every kind of worker.
        return answer(res, 200,
                      "onconnect = function (e) { e.ports[0].postMessage('busy'); };\n"
                      "(function work() {\n"
                      "  var end = Date.now() + 450;\n"
                      "  while (Date.now() < end) {}\n"
                      "  setTimeout(work, 50);\n"
                      "})();\n",
                      "text/javascript");
    }
    if (path == kFramePagePath) {
        log_.add(record(req, RequestKind::FramePage));
        res.set_header("Cache-Control", "no-store");
        return answer(res, 200, framePage(req.get_param_value("n")), "text/html; charset=utf-8");
    }
    if (path == kLinksFramePath) {
        log_.add(record(req, RequestKind::FramePage));
        res.set_header("Cache-Control", "no-store");
        return answer(res, 200, linksFramePage(), "text/html; charset=utf-8");
    }
    if (path == "/mads/large_body") {
        log_.add(record(req, RequestKind::LargeBody));
        return serveLargeBody(req, res);
    }
    log_.add(record(req, RequestKind::Unknown));
    answer(res, 404, "not found\n");
}

void AdServer::servePage(const httplib::Request& req, httplib::Response& res) {
    log_.add(record(req, RequestKind::PageLoad));
    std::shared_ptr<platform::testing::TestGate> gate;
    int status;
    {
        std::lock_guard lock(mutex_);
        gate = pageGate_;
        status = pageStatus_;
    }
    if (!waitOn(gate)) return answer(res, 503, "stopping\n");
    res.set_header("Cache-Control", "no-store");
    if (status != 200) return answer(res, status, "The core page is switched off.\n");
    answer(res, 200, std::string(corePageHtml()), "text/html; charset=utf-8");
}

void AdServer::setNativePageMode(NativePageMode mode) {
    std::lock_guard lock(mutex_);
    nativePageMode_ = mode;
}

void AdServer::stallNativePage(std::shared_ptr<platform::testing::TestGate> gate) {
    if (gate) track(gate);
    std::lock_guard lock(mutex_);
    nativePageGate_ = std::move(gate);
}

void AdServer::serveNativePage(const httplib::Request& req, httplib::Response& res) {
    log_.add(record(req, RequestKind::NativePage));
    std::shared_ptr<platform::testing::TestGate> gate;
    NativePageMode mode;
    {
        std::lock_guard lock(mutex_);
        gate = nativePageGate_;
        mode = nativePageMode_;
    }
    if (!waitOn(gate)) return answer(res, 503, "stopping\n");
    res.set_header("Cache-Control", "no-store");
    // The page reads how to answer from its body's "data-preprocess".
    std::string html(nativePageHtml());
    const std::string body = "<body data-preprocess=\"answer\">";
    if (const auto at = html.find(body);
        at != std::string::npos && mode != NativePageMode::Answer) {
        html.replace(at, body.size(),
                     mode == NativePageMode::Silent ? "<body data-preprocess=\"silent\">"
                                                    : "<body data-preprocess=\"not-json\">");
    }
    answer(res, 200, html, "text/html; charset=utf-8");
}

void AdServer::serveNativeImage(const httplib::Request& req, httplib::Response& res) {
    LoggedRequest r = record(req, RequestKind::NativeImage);
    const AdScenario scenario = scenarioFor(r.slotname);
    log_.add(std::move(r));
    const HttpAnswer a = nativeImageAnswer(scenario);
    answer(res, a.status, a.body, a.contentType.c_str());
}

void AdServer::serveCoreCall(const httplib::Request& req, httplib::Response& res) {
    LoggedRequest r = record(req, RequestKind::CoreCall);
    std::optional<CoreCall> call = req.method == "POST" ? parseCoreCall(req.body) : std::nullopt;
    if (!call) {
        log_.add(std::move(r));
        return answer(res, 400, "expected {\"function\": ..., \"args\": [...]}\n");
    }
    CoreCallContext context;
    context.origin = origin();
    context.refusedOrigin = refusedOrigin();
    context.scenarioFor = [this](const std::string& slotname) { return scenarioFor(slotname); };
    {
        std::lock_guard lock(mutex_);
        context.constants = constants_;
        context.requestReload = reloadOnNextCall_;
        reloadOnNextCall_ = false;
    }
    CoreAnswer reply = answerCoreCall(*call, context);
    r.function = call->function;
    r.event = reply.event;
    if (r.slotname.empty()) r.slotname = reply.slotname;
    log_.add(std::move(r));
    res.set_header("Cache-Control", "no-store");
    answer(res, 200, jsonText(Json{{"messages", reply.messages}}), "application/json");
}

void AdServer::serveAd(const httplib::Request& req, httplib::Response& res, bool fetched) {
    LoggedRequest r = record(req, fetched ? RequestKind::FetchedAdRequest : RequestKind::AdRequest);
    AdContext context;
    context.origin = origin();
    context.slotname = r.slotname;
    context.ad = nextAd_++;
    context.interstitialRequest = r.param("format") == "interstitial_mb";
    r.ad = context.ad;
    AdScenario scenario = scenarioFor(context.slotname);
    // Recorded before any stall, so a test can wait for the request it is holding.
    log_.add(std::move(r));
    if (!waitOn(scenario.stall)) return answer(res, 503, "stopping\n");
    HttpAnswer a = fetched ? fetchedAdAnswer(scenario, context) : adUrlAnswer(scenario, context);
    for (const auto& [name, value] : a.headers) res.set_header(name.c_str(), value);
    res.set_header("Cache-Control", "no-store");
    res.status = a.status;
    res.set_content(a.body, a.contentType.c_str());
}

void AdServer::serveToken(const httplib::Request& req, httplib::Response& res) {
    log_.add(record(req, RequestKind::TokenRequest));
    std::optional<std::pair<int, std::string>> canned;
    {
        std::lock_guard lock(mutex_);
        canned = tokenAnswer_;
    }
    if (canned) return answer(res, canned->first, canned->second, "application/json");
    Json token = Json::object();
    token["access_token"] = "movu-token-" + std::to_string(nextToken_++);
    token["expires_in"] = 3600;
    token["token_type"] = "Bearer";
    answer(res, 200, jsonText(token), "application/json");
}

void AdServer::servePing(const httplib::Request& req, httplib::Response& res, RequestKind kind) {
    log_.add(record(req, kind));
    res.status = 204;
}

}  // namespace tools::adserver
