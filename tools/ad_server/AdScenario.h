#pragma once

// What the ad server does for one ad unit ("slotname"): how the core page answers a request
// for it, and what the ad URL then serves. Tests build scenarios in code; the program reads
// them from text (parseAdScenario).

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/ad_server/HostileCreatives.h"

namespace platform::testing {
class TestGate;
}

namespace tools::adserver {

// What the ad URL answers.
enum class AdKind {
    Banner,            // a coloured box whose link goes to a click URL (an interstitial
                       // request gets the interstitial creative)
    Interstitial,      // a full-screen creative with a visible close link
    NoFill,            // 200 with an empty body (with the refresh rate, when set)
    HttpStatus,        // the scenario's status with a short text body
    Mediation,         // "x-rade-mediation" with a JSON mediation configuration
    MediationNotJson,  // "x-rade-mediation" over an HTML body
    CustomRendering,   // the banner creative with "x-rade-custom-rendering-allowed"
    ScriptAd,          // an ad network's script tag (only the fetched answer can say so)
    Native,            // "x-rade-ad-format: native" with a native ad object
    Purchase,          // a full-screen creative offering the scenario's product: its "Buy"
                       // button asks for an in-app purchase whose reports come back here
    Links,             // a full-screen page with one link per way out of an ad: the web, out
                       // of the app, the store sheet, browser, web app, expand, mail,
                       // message, call, a click ping and close
    Precache,          // a full-screen page that downloads the server's video ahead as soon as
                       // it has loaded and prints the download's events
};

// How a script ad (AdKind::ScriptAd) ends, some time after its page has loaded.
enum class ScriptEnding {
    Draw,            // draws a coloured link over the whole ad
    Passback,        // navigates to the ad's passback URL
    PassbackScheme,  // navigates to a "passback:" URL
    Never,           // draws nothing and never passes back
};

// What a native ad's pictures ("/mads/native_image") answer.
enum class NativeImage {
    Png,          // a small PNG
    Missing,      // 404 with a short text page
    Empty,        // 200 with no body
    Oversized,    // 200 with 5 MiB (more than the SDK takes)
    Undecodable,  // 200 with a text that is no picture
};

// How the core page answers the SDK's call for this unit.
enum class PageAnswer {
    AdUrl,         // "loadAdURL" with the ad URL on the server
    FetchedAd,     // "fetchHttpRequest" for the ad object, then "loadAd" with it
    Invalid,       // "invalidRequest"
    Errors,        // "loadAdURL" carrying "errors"
    Silent,        // nothing at all
    RefusedAdUrl,  // "loadAdURL" with an ad URL on a loopback port that refuses connections
    // A hostile core page:
    FetchFlood,  // "loadAdURL" with the ad URL, and "fetchHttpRequest" for a large body many
                 // times over (fetchFloodCount of fetchFloodBytes each, ids "flood-...")
};

// The fetch ids of a flood begin so; the page's answers to them get no answer of their own.
inline constexpr const char* kFetchFloodIdPrefix = "flood-";
// The largest body "/mads/large_body" serves.
inline constexpr std::size_t kMaxLargeBodyBytes = 64 * 1024 * 1024;

struct AdScenario {
    AdKind kind = AdKind::Banner;
    PageAnswer answer = PageAnswer::AdUrl;
    int status = 200;                        // HttpStatus
    std::optional<double> refreshRate;       // "x-rade-refresh-rate" / "refresh_rate"
    std::string adSize;                      // "x-rade-ad-size" / "ad_size", e.g. "320x50"
    std::optional<std::string> debugDialog;  // default: names the unit and the ad number
    std::string orientation;                 // "x-rade-orientation" / "orientation"
    std::string color;                       // "#rgb" or "#rrggbb"; empty: a colour per ad
    std::string html;                        // replaces the generated creative when not empty
    // FetchedAd: the body the page receives instead of the ad object (any text at all, so a
    // test can hand the SDK something that is not an object).
    std::optional<std::string> fetchedAdBody;
    std::string requestScenario = "online_request";  // "request_scenario" of "loadAdURL"
    std::string errors = "The ad server found no ad for this request.";
    std::string productId = "coins";   // Purchase: the store product the ad offers
    bool autoClickProtection = false;  // "enable_auto_click_protection" = "1"
    bool requestReload = false;        // the page also sends "requestReload" with its answer
    bool manualImpressions = false;    // adds "x-rade-manual-tracking-urls"
    // Whether the ad carries active-view settings ("x-rade-activeview" / "active_view"), as
    // our ads always do; other servers leave them out.
    bool activeViewSettings = true;
    ScriptEnding scriptEnding = ScriptEnding::Draw;  // ScriptAd
    double scriptDelay = 0.3;                        // ScriptAd: seconds after the page loaded
    // Mediation: one network per adapter class name, in order (ids "1", "2", ...); empty: one
    // network of the SDK's own adapter. A "GADMAdapterHTML" network carries the script ad's
    // page as its HTML (ending as scriptEnding says) and the ad's passback URL. The
    // per-network time-out in milliseconds.
    std::vector<std::string> mediationAdapters;
    int mediationTimeoutMillis = 10000;
    // Mediation: the ad unit every network names as its "pubid" (the SDK's own adapter loads
    // it, the ad URL adapter asks the page for it); empty: the unit itself.
    std::string mediationPubId;
    // Mediation: no ping templates of the server's, so the SDK pings its defaults ("/imp",
    // "/clk", "/nofill" here).
    bool mediationDefaultPings = false;
    // Mediation: a rewarded video configuration instead (ad type "interstitial", "rewards"
    // [{"rb_type": "coins", "rb_amount": 10}], video start and complete pings back here) whose
    // one network is the demo's rewarded video adapter, playing this many seconds; it fills
    // unless told otherwise.
    std::optional<double> rewardedVideoSeconds;
    bool rewardedVideoFills = true;
    // Mediation: the custom event a network of the custom-event adapter stands for; its "data"
    // names the publisher's class, "parameter" and "label" beside "pubid".
    struct CustomEvent {
        std::string className;
        std::string parameter;
        std::string label;
    };
    std::optional<CustomEvent> customEvent;
    // Mediation: whether each network carries an "ad" of its own (the unit's creative), which
    // the SDK's own adapter renders without a fetch.
    bool mediationEntryAd = false;
    // Precache: the page fetches "/media/clip.webm" (AdServer::setMediaClip) and, once it is
    // in, plays it from the "cachedSrc" it was told, reporting the player's events.
    bool precachePlays = false;
    int nativeTemplate = 1;  // Native: 1 content, 2 app install, 3 custom template
    NativeImage nativeImage = NativeImage::Png;
    std::vector<std::pair<std::string, std::string>> extraHeaders;
    // What the generated banner or full-screen creative also does to its web process.
    Hostility hostility = Hostility::None;
    // When set, the ad URL holds its answer until the gate is released (make it with
    // AdServer::makeGate so the server can let it go when it stops).
    std::shared_ptr<platform::testing::TestGate> stall;
    // FetchFlood: how many fetches the page asks for in one turn, and each body's bytes
    // ("/mads/large_body").
    int fetchFloodCount = 200;
    std::size_t fetchFloodBytes = 7'000'000;

    static AdScenario banner();
    static AdScenario interstitial();
    static AdScenario noFill(std::optional<double> refreshRate = std::nullopt);
    static AdScenario httpStatus(int status);
    static AdScenario emptyBody();
    static AdScenario mediation();
    static AdScenario mediation(std::vector<std::string> adapters, int timeoutMillis = 10000);
    static AdScenario mediationWithoutJson();
    // What the server answers the ad unit kRewardedUnit unless a test says otherwise.
    static AdScenario rewarded(double seconds = 5, bool fills = true);
    static AdScenario customRendering();
    static AdScenario scriptAd();
    static AdScenario native();
    static AdScenario links();
    static AdScenario precache();
    static AdScenario purchase(std::string productId = "coins");
    static AdScenario answered(PageAnswer answer);  // a banner behind the given page answer
    // Hostile mediation scenarios:
    // the yielding-spin banner: one network, the HTML adapter, whose transparent page draws
    // nothing and spins 2.5 s at a time, yielding 5 ms (Hostility::YieldingSpin); the
    // network's time-out in milliseconds
    static AdScenario yieldingSpinBanner(int timeoutMillis = 30000);
    // A banner behind a page that asks native code to fetch `count` bodies of `bytes` at once.
    static AdScenario fetchFlood(int count = 200, std::size_t bytes = 7'000'000);

    AdScenario& withAnswer(PageAnswer a) {
        answer = a;
        return *this;
    }
    AdScenario& withRefreshRate(double seconds) {
        refreshRate = seconds;
        return *this;
    }
    AdScenario& withAdSize(std::string size) {
        adSize = std::move(size);
        return *this;
    }
    AdScenario& withDebugDialog(std::string text) {
        debugDialog = std::move(text);
        return *this;
    }
    AdScenario& withOrientation(std::string o) {
        orientation = std::move(o);
        return *this;
    }
    AdScenario& withMediationPubId(std::string unit) {
        mediationPubId = std::move(unit);
        return *this;
    }
    AdScenario& withColor(std::string c) {
        color = std::move(c);
        return *this;
    }
    AdScenario& withHtml(std::string h) {
        html = std::move(h);
        return *this;
    }
    AdScenario& withFetchedAdBody(std::string b) {
        fetchedAdBody = std::move(b);
        return *this;
    }
    AdScenario& withRequestScenario(std::string s) {
        requestScenario = std::move(s);
        return *this;
    }
    AdScenario& withHeader(std::string name, std::string value) {
        extraHeaders.emplace_back(std::move(name), std::move(value));
        return *this;
    }
    AdScenario& withAutoClickProtection() {
        autoClickProtection = true;
        return *this;
    }
    AdScenario& withReloadRequest() {
        requestReload = true;
        return *this;
    }
    AdScenario& withManualImpressions() {
        manualImpressions = true;
        return *this;
    }
    AdScenario& withoutActiveViewSettings() {
        activeViewSettings = false;
        return *this;
    }
    AdScenario& endingScriptWith(ScriptEnding ending, std::optional<double> delay = std::nullopt) {
        scriptEnding = ending;
        if (delay) scriptDelay = *delay;
        return *this;
    }
    AdScenario& playingThePrecachedClip() {
        precachePlays = true;
        return *this;
    }
    AdScenario& withNativeTemplate(int id) {
        nativeTemplate = id;
        return *this;
    }
    AdScenario& withNativeImage(NativeImage image) {
        nativeImage = image;
        return *this;
    }
    AdScenario& withCustomEvent(std::string className, std::string parameter, std::string label) {
        customEvent = CustomEvent{std::move(className), std::move(parameter), std::move(label)};
        return *this;
    }
    AdScenario& withHostility(Hostility h) {
        hostility = h;
        return *this;
    }
    AdScenario& stalledOn(std::shared_ptr<platform::testing::TestGate> gate) {
        stall = std::move(gate);
        return *this;
    }
};

// The ad unit the rewarded video demonstration asks for.
inline constexpr const char* kRewardedUnit = "rewarded";
// The adapter class the rewarded video configuration names (tools/ad_server/demo).
inline constexpr const char* kDemoRewardedAdapter = "MovuDemoRewardedVideoAdapter";

std::string_view adKindName(AdKind kind);
std::string_view pageAnswerName(PageAnswer answer);
std::string_view nativeImageName(NativeImage image);

// A scenario from text: a kind, then comma-separated options.
//   kinds:   banner, interstitial, nofill, status:<code>, empty, mediation,
//            mediation-not-json, rewarded, custom, script, native, links, precache, purchase
//   options: answer=url|fetch|invalid|errors|silent|refused|flood, refresh=<seconds>,
//            size=<w>x<h>, debug=<text>, color=#rrggbb, orientation=<word>,
//            scenario=<request_scenario>, autoclick, reload, manual, noactiveview, stall,
//            header=<name>:<value>, adapter=<class> (once per mediated network, in order),
//            timeout=<milliseconds> (per mediated network), pubid=<unit> (of every mediated
//            network), entry-ad (each network carries its ad), defaultpings; for script ads
//            (and "GADMAdapterHTML" networks) passback, passback-scheme, never,
//            delay=<seconds>; for native ads
//            template=1|2|3, image=png|missing|empty|oversized|undecodable; for purchase ads
//            product=<store product id>; for precache ads play (fetch the server's clip and
//            play it from where it was cached); for generated banners and full-screen
//            creatives (and "GADMAdapterHTML" networks) hostile=<name> (hostilityNames(),
//            HostileCreatives.h); for answer=flood
//            flood=<fetches> (1 to 10000) and flood-bytes=<bytes of each body> (up to 64 MiB)
// "stall" holds every ad of the unit until the server stops. Nothing else is accepted: an
// unknown word, a bad number or a status outside 100..599 answers nullopt with the reason.
std::optional<AdScenario> parseAdScenario(std::string_view text, std::string* error = nullptr);
// Every ad kind parseAdScenario takes, as the usage text names them ("status:<code>" for the
// statuses).
std::vector<std::string> adKindNames();

// A colour the creative may use as it stands: "#" and 3 or 6 hex digits.
bool isCssHexColor(std::string_view color);

}  // namespace tools::adserver
