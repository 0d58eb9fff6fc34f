#pragma once

// Our loopback ad server. It serves the SDK core page, answers the page's calls and the ad
// URLs per ad unit as scripted (AdScenario), takes the pings, reports and token requests the
// SDK sends back to it, and records every request in a log that tests read and wait on.
//
// It listens on 127.0.0.1 only, on the given port or a free one, from construction until
// stop() or destruction; requests are served on its own threads. Every setter may be called
// at any time from any thread and applies to the requests that arrive after it. Stopping
// lets go of every stalled answer (their clients get 503) and joins the server's threads.
// Whatever a request carries is untrusted: malformed calls get 400, unknown paths 404, and
// nothing a client sends can stop the server or reach a page unescaped.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/ad_server/AdScenario.h"
#include "tools/ad_server/RequestLog.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace platform::testing {
class TestGate;
enum class MediaAnswerKind;
struct MediaAnswerCounts;
}  // namespace platform::testing

namespace tools::adserver {

// The page's address on the server, as the SDK asks for it.
inline constexpr const char* kCorePagePath = "/mads/static/sdk/native/sdk-core-v40.html";
// Where the page hands the calls it receives (CoreCalls.h).
inline constexpr const char* kCoreCallPath = "/mads/sdk-core/call";
// The support page that rewrites native ad objects.
inline constexpr const char* kNativePagePath = "/mads/static/mad/sdk/native/native_ads.html";

// How the native support page answers the SDK's preprocessing call.
enum class NativePageMode {
    Answer,   // "nativeAdPreProcess" with the configuration
    Silent,   // nothing at all
    NotJson,  // "nativeAdPreProcess" whose "success" is no JSON
};

class AdServer {
  public:
    // The size of the video at "/media/video.mp4": 5 MB.
    static constexpr std::size_t kMediaBytes = 5 * 1000 * 1000;

    // 0 takes a free port. Check isRunning(): it fails only when the port cannot be bound.
    explicit AdServer(int port = 0);
    ~AdServer();
    AdServer(const AdServer&) = delete;
    AdServer& operator=(const AdServer&) = delete;

    bool isRunning() const { return running_; }
    int port() const { return port_; }
    // "http://127.0.0.1:<port>": what MOVUROUTE_AD_SERVER (and the other vendor hosts) take.
    std::string origin() const;
    std::string url(const std::string& path) const { return origin() + path; }
    std::string pageUrl() const { return url(kCorePagePath); }
    // A loopback origin on which every connection is refused, for as long as the server runs.
    std::string refusedOrigin() const;

    // The scenario of one ad unit ("slotname"), and of every unit without one of its own
    // (a banner, by default).
    void setScenario(const std::string& slotname, AdScenario scenario);
    void setDefaultScenario(AdScenario scenario);
    void clearScenarios();
    AdScenario scenarioFor(const std::string& slotname) const;

    // What the page answers to RADE_getSdkConstants; nullopt makes it never answer.
    void setConstants(std::optional<std::map<std::string, std::string>> constants);
    std::optional<std::map<std::string, std::string>> constants() const;
    // The constants a fresh server answers with, pointing the SDK back at this server.
    std::map<std::string, std::string> defaultConstants() const;

    // The page's next call is answered with "requestReload" too (once).
    void requestReloadOnNextCall();

    // The page itself: answered with this status (200: the page), and held back on a gate.
    void setPageStatus(int status);
    // Whether the MRAID implementation scripts are served (404 without them).
    void setServesMraidScripts(bool serves);
    // A playable clip (WebM) for "/media/clip.webm", which a `precache` ad with `play` fetches
    // and plays; 404 until one is given.
    void setMediaClip(std::string bytes);
    // What the answers of one kind at kServedMediaPath did.
    std::shared_ptr<platform::testing::MediaAnswerCounts> mediaAnswers(
        platform::testing::MediaAnswerKind kind);
    void stallPage(std::shared_ptr<platform::testing::TestGate> gate);

    // The MRAID creatives' held picture ("/mads/mraid/held.png") answered only once the gate
    // lets it go, so a creative's page stays loading for as long as a test likes.
    void stallMraidHeldPicture(std::shared_ptr<platform::testing::TestGate> gate);

    // The native support page: how it answers, and held back on a gate.
    void setNativePageMode(NativePageMode mode);
    void stallNativePage(std::shared_ptr<platform::testing::TestGate> gate);

    // The token endpoint's answer; by default 200 with a new "access_token" per request and
    // "expires_in" 3600.
    void setTokenAnswer(int status, std::string body);
    void resetTokenAnswer();

    // The next `count` conversion reports are recorded and answered 500, as a busy server
    // would; later ones get 204.
    void failConversions(int count);

    // A gate the server lets go of when it stops (for AdScenario::stalledOn and stallPage).
    std::shared_ptr<platform::testing::TestGate> makeGate();
    // What every request of kSlowPath waits on: its arrivals count the requests held now.
    const std::shared_ptr<platform::testing::TestGate>& slowGate() const { return slowGate_; }

    RequestLog& log() { return log_; }
    const RequestLog& log() const { return log_; }

    // Idempotent.
    void stop();

  private:
    void handle(const httplib::Request& req, httplib::Response& res);
    LoggedRequest record(const httplib::Request& req, RequestKind kind) const;
    void servePage(const httplib::Request& req, httplib::Response& res);
    void serveNativePage(const httplib::Request& req, httplib::Response& res);
    void serveNativeImage(const httplib::Request& req, httplib::Response& res);
    void serveCoreCall(const httplib::Request& req, httplib::Response& res);
    void serveAd(const httplib::Request& req, httplib::Response& res, bool fetched);
    void serveToken(const httplib::Request& req, httplib::Response& res);
    void serveKindedMedia(const httplib::Request& req, httplib::Response& res);
    void servePing(const httplib::Request& req, httplib::Response& res, RequestKind kind);
    void track(const std::shared_ptr<platform::testing::TestGate>& gate);
    bool waitOn(const std::shared_ptr<platform::testing::TestGate>& gate);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = -1;
    int refusedPort_ = -1;
    int refusedSocket_ = -1;
    bool running_ = false;
    std::atomic<bool> listenEnded_ = false;
    std::atomic<int> nextAd_ = 1;
    std::atomic<int> nextToken_ = 1;
    std::atomic<int> conversionFailures_ = 0;

    mutable std::mutex mutex_;
    std::map<std::string, AdScenario> scenarios_;
    AdScenario defaultScenario_;
    std::optional<std::map<std::string, std::string>> constants_;
    bool reloadOnNextCall_ = false;
    int pageStatus_ = 200;
    bool servesMraidScripts_ = true;
    std::shared_ptr<const std::string> mediaClip_;
    std::map<platform::testing::MediaAnswerKind,
             std::shared_ptr<platform::testing::MediaAnswerCounts>>
        mediaAnswers_;
    std::shared_ptr<platform::testing::TestGate> pageGate_;
    NativePageMode nativePageMode_ = NativePageMode::Answer;
    std::shared_ptr<platform::testing::TestGate> nativePageGate_;
    std::shared_ptr<platform::testing::TestGate> mraidHeldPictureGate_;
    std::optional<std::pair<int, std::string>> tokenAnswer_;
    std::vector<std::shared_ptr<platform::testing::TestGate>> gates_;
    bool stopping_ = false;
    // Never released: only the server's stop lets its waiters go.
    std::shared_ptr<platform::testing::TestGate> slowGate_;

    RequestLog log_;
};

}  // namespace tools::adserver
