#include "tools/ad_server/AdScenario.h"

#include "tools/ad_server/FrameCreatives.h"
#include "tools/ad_server/MraidCreatives.h"

#include <charconv>
#include <cmath>

#include "platform/testing/TestGate.h"

namespace tools::adserver {

AdScenario AdScenario::banner() {
    return AdScenario{};
}

AdScenario AdScenario::interstitial() {
    AdScenario s;
    s.kind = AdKind::Interstitial;
    return s;
}

AdScenario AdScenario::noFill(std::optional<double> refreshRate) {
    AdScenario s;
    s.kind = AdKind::NoFill;
    s.refreshRate = refreshRate;
    return s;
}

AdScenario AdScenario::httpStatus(int status) {
    AdScenario s;
    s.kind = AdKind::HttpStatus;
    s.status = status;
    return s;
}

AdScenario AdScenario::emptyBody() {
    // A no-fill without any "x-rade-" header at all.
    return noFill(std::nullopt);
}

AdScenario AdScenario::mediation() {
    AdScenario s;
    s.kind = AdKind::Mediation;
    return s;
}

AdScenario AdScenario::mediation(std::vector<std::string> adapters, int timeoutMillis) {
    AdScenario s = mediation();
    s.mediationAdapters = std::move(adapters);
    s.mediationTimeoutMillis = timeoutMillis;
    return s;
}

AdScenario AdScenario::rewarded(double seconds, bool fills) {
    AdScenario s = mediation();
    s.rewardedVideoSeconds = seconds;
    s.rewardedVideoFills = fills;
    return s;
}

AdScenario AdScenario::mediationWithoutJson() {
    AdScenario s;
    s.kind = AdKind::MediationNotJson;
    return s;
}

AdScenario AdScenario::customRendering() {
    AdScenario s;
    s.kind = AdKind::CustomRendering;
    return s;
}

AdScenario AdScenario::scriptAd() {
    // Only an ad object can mark an ad as a network's script, so the page fetches it.
    AdScenario s;
    s.kind = AdKind::ScriptAd;
    s.answer = PageAnswer::FetchedAd;
    return s;
}

AdScenario AdScenario::native() {
    AdScenario s;
    s.kind = AdKind::Native;
    return s;
}

AdScenario AdScenario::purchase(std::string productId) {
    AdScenario s;
    s.kind = AdKind::Purchase;
    s.productId = std::move(productId);
    return s;
}

AdScenario AdScenario::links() {
    AdScenario s;
    s.kind = AdKind::Links;
    return s;
}

AdScenario AdScenario::precache() {
    AdScenario s;
    s.kind = AdKind::Precache;
    return s;
}

AdScenario AdScenario::answered(PageAnswer answer) {
    AdScenario s;
    s.answer = answer;
    return s;
}

AdScenario AdScenario::yieldingSpinBanner(int timeoutMillis) {
    return mediation({"GADMAdapterHTML"}, timeoutMillis)
        .endingScriptWith(ScriptEnding::Never)
        .withHostility(Hostility::YieldingSpin);
}

AdScenario AdScenario::fetchFlood(int count, std::size_t bytes) {
    AdScenario s = answered(PageAnswer::FetchFlood);
    s.fetchFloodCount = count;
    s.fetchFloodBytes = bytes;
    return s;
}

std::string_view adKindName(AdKind kind) {
    switch (kind) {
        case AdKind::Banner:
            return "banner";
        case AdKind::Interstitial:
            return "interstitial";
        case AdKind::NoFill:
            return "nofill";
        case AdKind::HttpStatus:
            return "status";
        case AdKind::Mediation:
            return "mediation";
        case AdKind::MediationNotJson:
            return "mediation-not-json";
        case AdKind::CustomRendering:
            return "custom";
        case AdKind::ScriptAd:
            return "script";
        case AdKind::Native:
            return "native";
        case AdKind::Links:
            return "links";
        case AdKind::Precache:
            return "precache";
        case AdKind::Purchase:
            return "purchase";
    }
    return "banner";
}

std::string_view pageAnswerName(PageAnswer answer) {
    switch (answer) {
        case PageAnswer::AdUrl:
            return "url";
        case PageAnswer::FetchedAd:
            return "fetch";
        case PageAnswer::Invalid:
            return "invalid";
        case PageAnswer::Errors:
            return "errors";
        case PageAnswer::Silent:
            return "silent";
        case PageAnswer::RefusedAdUrl:
            return "refused";
        case PageAnswer::FetchFlood:
            return "flood";
    }
    return "url";
}

std::string_view nativeImageName(NativeImage image) {
    switch (image) {
        case NativeImage::Png:
            return "png";
        case NativeImage::Missing:
            return "missing";
        case NativeImage::Empty:
            return "empty";
        case NativeImage::Oversized:
            return "oversized";
        case NativeImage::Undecodable:
            return "undecodable";
    }
    return "png";
}

bool isCssHexColor(std::string_view color) {
    if (color.size() != 4 && color.size() != 7) return false;
    if (color[0] != '#') return false;
    for (char c : color.substr(1)) {
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return false;
    }
    return true;
}

namespace {

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

std::optional<int> parseInt(std::string_view text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> parseSeconds(std::string_view text) {
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The ad kinds named by one word, in the order the usage text lists them.
struct PlainKind {
    const char* name;
    AdScenario (*make)();
};
constexpr PlainKind kPlainKinds[] = {
    {"banner", [] { return AdScenario::banner(); }},
    {"interstitial", [] { return AdScenario::interstitial(); }},
    {"nofill", [] { return AdScenario::noFill(); }},
    {"empty", [] { return AdScenario::emptyBody(); }},
    {"mediation", [] { return AdScenario::mediation(); }},
    {"mediation-not-json", [] { return AdScenario::mediationWithoutJson(); }},
    {"rewarded", [] { return AdScenario::rewarded(); }},
    {"custom", [] { return AdScenario::customRendering(); }},
    {"script", [] { return AdScenario::scriptAd(); }},
    {"native", [] { return AdScenario::native(); }},
    {"links", [] { return AdScenario::links(); }},
    {"precache", [] { return AdScenario::precache(); }},
    {"purchase", [] { return AdScenario::purchase(); }},
};

bool parseKind(std::string_view word, AdScenario& s, std::string* error) {
    for (const PlainKind& kind : kPlainKinds) {
        if (word == kind.name) {
            s = kind.make();
            return true;
        }
    }
    if (word.substr(0, 6) == "mraid-" && mraidCreative(word.substr(6))) {
        s = AdScenario::banner();
        s.html = *mraidCreative(word.substr(6));
    } else if (word.substr(0, 7) == "frames-" && frameCreative(word.substr(7))) {
        s = AdScenario::banner();
        s.html = *frameCreative(word.substr(7));
    } else if (word.substr(0, 7) == "status:") {
        auto code = parseInt(word.substr(7));
        if (!code || *code < 100 || *code > 599) {
            return fail(error, "status needs a code from 100 to 599: " + std::string(word));
        }
        s = AdScenario::httpStatus(*code);
    } else {
        return fail(error, "unknown ad kind: " + std::string(word));
    }
    return true;
}

bool parseAnswer(std::string_view value, AdScenario& s, std::string* error) {
    for (PageAnswer a :
         {PageAnswer::AdUrl, PageAnswer::FetchedAd, PageAnswer::Invalid, PageAnswer::Errors,
          PageAnswer::Silent, PageAnswer::RefusedAdUrl, PageAnswer::FetchFlood}) {
        if (value == pageAnswerName(a)) {
            s.answer = a;
            return true;
        }
    }
    return fail(error, "unknown page answer: " + std::string(value));
}

bool parseNativeImage(std::string_view value, AdScenario& s, std::string* error) {
    for (NativeImage image : {NativeImage::Png, NativeImage::Missing, NativeImage::Empty,
                              NativeImage::Oversized, NativeImage::Undecodable}) {
        if (value == nativeImageName(image)) {
            s.nativeImage = image;
            return true;
        }
    }
    return fail(error, "unknown native image: " + std::string(value));
}

bool parseSize(std::string_view value) {
    auto x = value.find('x');
    if (x == std::string_view::npos) return false;
    auto w = parseInt(value.substr(0, x));
    auto h = parseInt(value.substr(x + 1));
    return w && h && *w >= 0 && *h >= 0;
}

bool parseOption(std::string_view option, AdScenario& s, std::string* error) {
    auto eq = option.find('=');
    std::string_view name = option.substr(0, eq);
    std::string_view value =
        eq == std::string_view::npos ? std::string_view() : option.substr(eq + 1);
    bool hasValue = eq != std::string_view::npos;
    auto needsValue = [&]() {
        return hasValue || fail(error, "option needs a value: " + std::string(name));
    };
    if (name == "autoclick" && !hasValue)
        s.autoClickProtection = true;
    else if (name == "reload" && !hasValue)
        s.requestReload = true;
    else if (name == "manual" && !hasValue)
        s.manualImpressions = true;
    else if (name == "noactiveview" && !hasValue)
        s.activeViewSettings = false;
    else if (name == "passback" && !hasValue)
        s.scriptEnding = ScriptEnding::Passback;
    else if (name == "passback-scheme" && !hasValue)
        s.scriptEnding = ScriptEnding::PassbackScheme;
    else if (name == "never" && !hasValue)
        s.scriptEnding = ScriptEnding::Never;
    else if (name == "stall" && !hasValue)
        s.stall = std::make_shared<platform::testing::TestGate>();
    else if (name == "answer")
        return needsValue() && parseAnswer(value, s, error);
    else if (name == "delay") {
        if (!needsValue()) return false;
        auto seconds = parseSeconds(value);
        if (!seconds) return fail(error, "delay needs a number of seconds: " + std::string(value));
        s.scriptDelay = *seconds;
    } else if (name == "defaultpings" && !hasValue)
        s.mediationDefaultPings = true;
    else if (name == "entry-ad" && !hasValue)
        s.mediationEntryAd = true;
    else if (name == "play" && !hasValue)
        s.precachePlays = true;
    else if (name == "adapter") {
        if (!needsValue()) return false;
        if (value.empty()) return fail(error, "adapter needs a class name");
        s.mediationAdapters.emplace_back(value);
    } else if (name == "timeout") {
        if (!needsValue()) return false;
        auto millis = parseInt(value);
        if (!millis || *millis <= 0) return fail(error, "bad timeout: " + std::string(value));
        s.mediationTimeoutMillis = *millis;
    } else if (name == "pubid") {
        if (!needsValue()) return false;
        if (value.empty()) return fail(error, "pubid needs an ad unit");
        s.mediationPubId = value;
    } else if (name == "hostile") {
        if (!needsValue()) return false;
        auto hostility = hostilityNamed(value);
        if (!hostility) return fail(error, "unknown hostility: " + std::string(value));
        s.hostility = *hostility;
    } else if (name == "image")
        return needsValue() && parseNativeImage(value, s, error);
    else if (name == "template") {
        if (!needsValue()) return false;
        auto id = parseInt(value);
        if (!id || *id < 1 || *id > 3)
            return fail(error, "template needs 1, 2 or 3: " + std::string(value));
        s.nativeTemplate = *id;
    } else if (name == "refresh") {
        if (!needsValue()) return false;
        auto seconds = parseSeconds(value);
        if (!seconds)
            return fail(error, "refresh needs a number of seconds: " + std::string(value));
        s.refreshRate = *seconds;
    } else if (name == "size") {
        if (!needsValue()) return false;
        if (!parseSize(value))
            return fail(error, "size needs <width>x<height>: " + std::string(value));
        s.adSize = std::string(value);
    } else if (name == "debug") {
        if (!needsValue()) return false;
        s.debugDialog = std::string(value);
    } else if (name == "color") {
        if (!needsValue()) return false;
        if (!isCssHexColor(value))
            return fail(error, "color needs #rgb or #rrggbb: " + std::string(value));
        s.color = std::string(value);
    } else if (name == "orientation") {
        if (!needsValue()) return false;
        s.orientation = std::string(value);
    } else if (name == "scenario") {
        if (!needsValue()) return false;
        s.requestScenario = std::string(value);
    } else if (name == "product") {
        if (!needsValue()) return false;
        s.productId = std::string(value);
    } else if (name == "header") {
        if (!needsValue()) return false;
        auto colon = value.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            return fail(error, "header needs <name>:<value>: " + std::string(value));
        }
        s.extraHeaders.emplace_back(std::string(value.substr(0, colon)),
                                    std::string(value.substr(colon + 1)));
    } else if (name == "flood") {
        // A hostile core page's fetches.
        if (!needsValue()) return false;
        auto count = parseInt(value);
        if (!count || *count < 1 || *count > 10000)
            return fail(error, "flood needs 1 to 10000 fetches: " + std::string(value));
        s.fetchFloodCount = *count;
    } else if (name == "flood-bytes") {
        if (!needsValue()) return false;
        auto bytes = parseInt(value);
        if (!bytes || *bytes < 0 || std::size_t(*bytes) > kMaxLargeBodyBytes)
            return fail(error, "flood-bytes needs 0 to 67108864: " + std::string(value));
        s.fetchFloodBytes = std::size_t(*bytes);
    } else {
        return fail(error, "unknown option: " + std::string(option));
    }
    return true;
}

}  // namespace

std::optional<AdScenario> parseAdScenario(std::string_view text, std::string* error) {
    AdScenario s;
    std::size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        auto comma = text.find(',', start);
        std::string_view part = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (part.empty()) {
            fail(error, first ? "no ad kind given" : "empty option");
            return std::nullopt;
        }
        if (first ? !parseKind(part, s, error) : !parseOption(part, s, error)) return std::nullopt;
        first = false;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return s;
}

std::vector<std::string> adKindNames() {
    std::vector<std::string> names;
    for (const PlainKind& kind : kPlainKinds) names.emplace_back(kind.name);
    names.emplace_back("status:<code>");
    for (const auto& creative : mraidCreativeNames()) names.push_back("mraid-" + creative);
    for (const auto& creative : frameCreativeNames()) names.push_back("frames-" + creative);
    return names;
}

}  // namespace tools::adserver
