#include "tools/ad_server/AdResponses.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "tools/ad_server/HostileCreatives.h"
#include "tools/ad_server/TextEscaping.h"

namespace tools::adserver {

namespace {

using Json = nlohmann::ordered_json;

// Successive ads of a unit differ in colour, so a refresh is visible in a screenshot.
const char* const kPalette[] = {"#2e7dd7", "#d7462e", "#2eaa5a", "#9b3fd1", "#e0a020"};

// The default adapter name of the SDK's own network, so a mediation answer names a class the
// SDK knows.
constexpr const char* kOwnAdapter = "GADMAdapterZivivuDuRezAds";
// The SDK's adapter of custom events, whose networks carry the scenario's custom event.
constexpr const char* kCustomEventsAdapter = "GADMAdapterCustomEvents";

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string adTag(const AdContext& c) {
    return "slot=" + percentEncode(c.slotname) + "&ad=" + std::to_string(c.ad);
}

bool isInterstitial(const AdScenario& s, const AdContext& c) {
    return s.kind == AdKind::Interstitial || (s.kind == AdKind::Banner && c.interstitialRequest);
}

std::string debugText(const AdScenario& s, const AdContext& c) {
    if (s.debugDialog) return *s.debugDialog;
    return "Movuroute test ad " + std::to_string(c.ad) + " for ad unit " + c.slotname;
}

// Tells the server which page events the creative saw (onshow, onhide, ...), so tests can
// check what native code sent to the ad without reading the page.
std::string eventScript(const AdLinks& links) {
    return "<script>(function () {\n"
           "  var events = " +
           scriptJson(links.events) +
           ";\n"
           "  window.RADE_ReceiveMessage = function (name) {\n"
           "    new Image().src = events + '&name=' + encodeURIComponent(String(name));\n"
           "  };\n"
           "})();</script>\n";
}

std::string page(const std::string& title, const std::string& style, const std::string& body) {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1,"
           "user-scalable=no\">\n<title>" +
           title + "</title>\n<style>\n" + style + "</style>\n</head>\n<body>\n" + body +
           "</body>\n</html>\n";
}

Json activeViewConfiguration(const AdLinks& links) {
    return Json{{"viewable_url", links.viewable}};
}

void addTrackingHeaders(HttpAnswer& a, const AdScenario& s, const AdLinks& links) {
    a.headers.emplace_back("x-rade-tracking-urls", links.impression);
    a.headers.emplace_back("x-rade-click-tracking-urls", links.clickTracking);
    if (s.manualImpressions)
        a.headers.emplace_back("x-rade-manual-tracking-urls", links.manualImpression);
    // The core page's viewability rule pings this once the ad has been seen for a second;
    // a scenario's own header of that name stands instead.
    const bool own = std::any_of(s.extraHeaders.begin(), s.extraHeaders.end(), [](const auto& h) {
        std::string name = h.first;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name == "x-rade-activeview";
    });
    if (!own && s.activeViewSettings) {
        a.headers.emplace_back("x-rade-activeview", activeViewConfiguration(links).dump());
    }
}

void addAdHeaders(HttpAnswer& a, const AdScenario& s, const AdContext& c) {
    if (s.refreshRate) a.headers.emplace_back("x-rade-refresh-rate", number(*s.refreshRate));
    if (!s.adSize.empty()) a.headers.emplace_back("x-rade-ad-size", s.adSize);
    if (!s.orientation.empty()) a.headers.emplace_back("x-rade-orientation", s.orientation);
    std::string debug = debugText(s, c);
    if (!debug.empty()) a.headers.emplace_back("x-rade-debug-dialog", debug);
}

void addExtraHeaders(HttpAnswer& a, const AdScenario& s) {
    for (const auto& header : s.extraHeaders) a.headers.push_back(header);
}

void sanitizeHeaders(HttpAnswer& a) {
    for (auto& [name, value] : a.headers) {
        name = headerValue(name);
        value = headerValue(value);
    }
}

Json trackingUrls(const std::string& url) {
    return Json::array({url});
}

}  // namespace

std::string headerValue(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    }
    return out;
}

AdLinks adLinks(const AdContext& c) {
    AdLinks links;
    std::string tag = adTag(c);
    links.impression = c.origin + "/mads/imp?" + tag;
    links.manualImpression = c.origin + "/mads/manual_imp?" + tag;
    links.clickTracking = c.origin + "/mads/clk?" + tag;
    links.landing = c.origin + "/landing?" + tag;
    // The path's second and third segments are the ad's impression ticket, and "ai" asks for
    // the click signal; "adurl" stays last, where the SDK keeps it when it appends.
    links.click = c.origin + "/aclk/ticket/" + std::to_string(c.ad) + "?ai=movu" +
                  std::to_string(c.ad) + "&" + tag + "&adurl=" + percentEncode(links.landing);
    links.events = c.origin + "/mads/creative_event?" + tag;
    links.passback = c.origin + "/mads/passback?" + tag;
    links.mediationPing = c.origin + "/mads/mediation_ping?" + tag;
    links.viewable = c.origin + "/mads/viewable?" + tag;
    return links;
}

std::string creativeColor(const AdScenario& s, int ad) {
    if (isCssHexColor(s.color)) return s.color;
    int count = int(sizeof kPalette / sizeof kPalette[0]);
    int index = ad > 0 ? (ad - 1) % count : 0;
    return kPalette[index];
}

std::string bannerCreative(const AdScenario& s, const AdContext& c) {
    if (!s.html.empty()) return s.html;
    AdLinks links = adLinks(c);
    std::string style =
        "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
        "background: " +
        creativeColor(s, c.ad) +
        "; }\n"
        "#ad { display: flex; align-items: center; justify-content: center; width: 100%; "
        "height: 100%; color: #ffffff; font: bold 14px sans-serif; text-decoration: none; }\n";
    std::string body = "<a id=\"ad\" href=\"" + htmlEscape(links.click) + "\">Test ad " +
                       std::to_string(c.ad) + " &middot; " + htmlEscape(c.slotname) + "</a>\n" +
                       eventScript(links) + hostilePart(s.hostility, c);
    return page("Movuroute test ad", style, body);
}

// What a full-screen creative shows besides its close link: a heading, a line of text and one
// call to action.
struct FullScreenOffer {
    std::string title;
    std::string heading;
    std::string text;  // HTML
    std::string actionId;
    std::string actionHref;
    std::string actionLabel;
    std::string actionPadding;
    std::string actionBackground;
};

std::string fullScreenCreative(const AdScenario& s, const AdContext& c, const FullScreenOffer& o) {
    AdLinks links = adLinks(c);
    // The native close button takes the top-left corner; ours sits top-right.
    std::string style =
        "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
        "background: " +
        creativeColor(s, c.ad) +
        "; color: #ffffff; font: 16px sans-serif; text-align: center; }\n"
        "#close { position: absolute; top: 8px; right: 8px; padding: 8px 12px; color: #ffffff; "
        "background: rgba(0, 0, 0, 0.5); text-decoration: none; font-weight: bold; }\n"
        "h1 { margin: 96px 16px 16px; font-size: 24px; }\n"
        "#" +
        o.actionId + " { display: inline-block; margin-top: 32px; padding: " + o.actionPadding +
        "; color: #000000; background: " + o.actionBackground +
        "; text-decoration: none; font-weight: bold; }\n";
    std::string body = "<a id=\"close\" href=\"gmsg://movuroute/close\">Close</a>\n<h1>" +
                       o.heading + "</h1>\n<p>" + o.text + "</p>\n<a id=\"" + o.actionId +
                       "\" href=\"" + htmlEscape(o.actionHref) + "\">" + o.actionLabel + "</a>\n" +
                       eventScript(links) + hostilePart(s.hostility, c);
    return page(o.title, style, body);
}

std::string interstitialCreative(const AdScenario& s, const AdContext& c) {
    if (!s.html.empty()) return s.html;
    return fullScreenCreative(
        s, c,
        {"Movuroute test interstitial", "Movuroute test interstitial",
         "Ad " + std::to_string(c.ad) + " for " + htmlEscape(c.slotname), "visit", adLinks(c).click,
         "Visit the advertiser", "12px 24px", "#ffffff"});
}

std::string purchaseCreative(const AdScenario& s, const AdContext& c) {
    if (!s.html.empty()) return s.html;
    // The ad's report comes back here with the purchase's facts filled in by the SDK.
    const std::string report =
        c.origin + "/iap/report?" + adTag(c) + "&sku=@sku@&quantity=@quantity@&status=@status@";
    const std::string buy =
        "gmsg://movuroute/open?a=in_app_purchase&product_id=" + percentEncode(s.productId) +
        "&quantity=1&report_urls=" + percentEncode(report);
    return fullScreenCreative(s, c,
                              {"Movuroute test offer", "Movuroute test offer",
                               htmlEscape(s.productId) + " for " + htmlEscape(c.slotname), "buy",
                               buy, "Buy", "12px 32px", "#ffd700"});
}

namespace {

// A full-screen page of a heading and links drawn as white buttons.
std::string fullScreenStyle(const AdScenario& s, const AdContext& c) {
    return "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
           "background: " +
           creativeColor(s, c.ad) +
           "; color: #ffffff; font: 15px sans-serif; }\n"
           "h1 { margin: 48px 16px 8px; font-size: 20px; text-align: center; }\n"
           "a { display: block; margin: 6px 24px; padding: 8px; color: #000000; background: "
           "#ffffff; text-decoration: none; text-align: center; }\n";
}

}  // namespace

std::string linksCreative(const AdScenario& s, const AdContext& c) {
    if (!s.html.empty()) return s.html;
    AdLinks links = adLinks(c);
    std::string ad = std::to_string(c.ad);
    std::string landing = percentEncode(links.landing);
    // The addresses are fictional ("555-01xx" numbers, an ".invalid" domain): a person trying
    // the links reaches nobody.
    const std::pair<std::string, std::string> roads[] = {
        {"Web (the click URL)", links.click},
        // A page shown full screen keeps web links to itself: this one leaves the app.
        {"Outside the app (the click URL)",
         "gmsg://movuroute/open?a=app&u=" + percentEncode(links.click)},
        {"Store sheet", "gmsg://movuroute/open?a=in_app_store&product_id=123&u=" + landing},
        {"In-app browser", "gmsg://movuroute/open?a=browser&u=" + landing},
        {"Web app", "gmsg://movuroute/open?a=webapp&u=" + landing},
        {"Expand", "gmsg://movuroute/open?a=expand"},
        {"Mail", "mailto:ads@movuroute.invalid?subject=Test%20ad%20" + ad +
                     "&body=Written%20from%20a%20test%20ad"},
        {"Message", "sms:+15555550100?body=Test%20ad%20" + ad},
        {"Call", "tel:+15555550100"},
        {"Click ping only", "gmsg://movuroute/click?u=" + percentEncode(links.clickTracking)},
        {"Close", "gmsg://movuroute/close"},
    };
    std::string style = fullScreenStyle(s, c);
    std::string body = "<h1>Test ad " + ad + ": every way out</h1>\n";
    for (const auto& [title, href] : roads) {
        body += "<a href=\"" + htmlEscape(href) + "\">" + htmlEscape(title) + "</a>\n";
    }
    return page("Movuroute test links", style, body + eventScript(links));
}

// The box a network's script draws into: the whole ad.
constexpr const char* kScriptAdPage =
    "<style>html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; }"
    "</style>\n<div id=\"slot\" style=\"width:100%;height:100%\"></div>\n";

std::string precacheCreative(const AdScenario& s, const AdContext& c) {
    if (!s.html.empty()) return s.html;
    AdLinks links = adLinks(c);
    const std::string tag = "?slot=" + percentEncode(c.slotname) + "&ad=" + std::to_string(c.ad);
    const std::string video =
        s.precachePlays ? c.origin + "/media/clip.webm" + tag
                        : c.origin + "/media/video.mp4" + tag + "&name=movuroute-test-ad.mp4";
    const std::string start = "gmsg://movuroute/precache?src=" + percentEncode(video);
    std::string style = fullScreenStyle(s, c) +
                        "pre { margin: 16px 24px; white-space: pre-wrap; word-break: break-all; "
                        "font: 13px monospace; }\n";
    std::string body = "<h1>Test ad " + std::to_string(c.ad) + ": a video fetched ahead</h1>\n";
    body += "<a id=\"start\" href=\"" + htmlEscape(start) + "\">Fetch the video</a>\n";
    body += "<a id=\"abort\" href=\"gmsg://movuroute/precache?abort=1\">Stop</a>\n";
    body += "<a id=\"close\" href=\"gmsg://movuroute/close\">Close</a>\n";
    body += "<pre id=\"log\">waiting</pre>\n";
    // Every event is printed; the first progress and every end also reach the server, with
    // what the event said, so a test reads them from the log. A page that plays the clip
    // hands the player the "cachedSrc" it was told once the download is complete, plays on
    // "canplaythrough", and reports every player event but the time ticks.
    body +=
        "<script>(function () {\n"
        "  var events = " +
        scriptJson(links.events) +
        ";\n"
        "  var plays = " +
        std::string(s.precachePlays ? "true" : "false") +
        ";\n"
        "  var log = document.getElementById('log');\n"
        "  var seen = 0;\n"
        "  function send(url) {\n"
        "    var frame = document.createElement('iframe');\n"
        "    frame.style.display = 'none';\n"
        "    frame.src = url;\n"
        "    document.body.appendChild(frame);\n"
        "  }\n"
        "  function video(query) { send('gmsg://movuroute/video?' + query); }\n"
        "  window.RADE_ReceiveMessage = function (name, info) {\n"
        "    var ping = events + '&name=' + encodeURIComponent(String(name));\n"
        "    if (name === 'onPrecacheEvent' && info) {\n"
        "      seen += 1;\n"
        "      log.textContent = seen + ': ' + info.event + ' ' + info.bytesLoaded + ' of ' +\n"
        "          info.totalBytes + '\\n' + info.cachedSrc;\n"
        "      if (info.event === 'precacheProgress' && info.bytesLoaded > 0) return;\n"
        "      ping += '&event=' + encodeURIComponent(info.event) + '&bytes=' +\n"
        "          info.bytesLoaded + '&total=' + info.totalBytes + '&cached=' +\n"
        "          encodeURIComponent(info.cachedSrc) + '&src=' + encodeURIComponent(info.src);\n"
        "      if (plays && info.event === 'precacheComplete') {\n"
        "        video('action=new&x=0&y=0&w=320&h=180');\n"
        "        video('action=src&src=' + encodeURIComponent(info.cachedSrc));\n"
        "      }\n"
        "    } else if (name === 'onVideoEvent' && info) {\n"
        "      if (info.event === 'timeupdate') return;\n"
        "      log.textContent += '\\nvideo: ' + info.event;\n"
        "      ping += '&video=' + encodeURIComponent(info.event);\n"
        "      if (info.event === 'canplaythrough') video('action=play');\n"
        "    }\n"
        "    new Image().src = ping;\n"
        "  };\n"
        "  window.addEventListener('load', function () { send(" +
        scriptJson(start) +
        "); });\n"
        "})();</script>\n";
    return page("Movuroute test precaching", style, body);
}

std::string scriptAdCreative(const AdScenario& s, const AdContext& c) {
    if (!s.html.empty()) return s.html;
    AdLinks links = adLinks(c);
    // Draws a moment after the page has loaded, as a network's tag would; or gives up.
    std::string act;
    switch (s.scriptEnding) {
        case ScriptEnding::Draw:
            act =
                "var a = document.createElement('a');\n"
                "    a.href = " +
                scriptJson(links.click) +
                ";\n"
                "    a.textContent = 'Script ad " +
                std::to_string(c.ad) +
                "';\n"
                "    a.style.cssText = 'display:block;width:100%;height:100%;color:#fff;"
                "background:" +
                creativeColor(s, c.ad) +
                ";font:bold 14px sans-serif;';\n"
                "    document.getElementById('slot').appendChild(a);";
            break;
        case ScriptEnding::Passback:
            act = "location.href = " + scriptJson(links.passback) + ";";
            break;
        case ScriptEnding::PassbackScheme:
            act = "location.href = " + scriptJson("passback:" + adTag(c)) + ";";
            break;
        case ScriptEnding::Never:
            return kScriptAdPage;
    }
    const long delay = std::lround(std::clamp(s.scriptDelay, 0.0, 3600.0) * 1000);
    return std::string(kScriptAdPage) +
           "<script>\n"
           "  setTimeout(function () {\n    " +
           act + "\n  }, " + std::to_string(delay) + ");\n</script>\n";
}

// The rewarded video demonstration's configuration: the configuration's reward wins over the
// network's, and the network's credentials tell the demo adapter how to play.
Json rewardedConfiguration(const AdScenario& s, const AdContext& c) {
    AdLinks links = adLinks(c);
    std::string ping = links.mediationPing + "&qdata=@gw_qdata@&ping=";
    Json settings = Json::object();
    settings["ad_network_timeout_millis"] = s.mediationTimeoutMillis;
    settings["imp_urls"] = Json::array({ping + "imp"});
    settings["click_urls"] = Json::array({ping + "click"});
    settings["nofill_urls"] = Json::array({ping + "nofill"});
    settings["rewards"] = Json::array({Json{{"rb_type", "coins"}, {"rb_amount", 10}}});
    Json data = Json{{"pubid", c.slotname},
                     {"duration", number(*s.rewardedVideoSeconds)},
                     {"fill", s.rewardedVideoFills ? "1" : "0"},
                     {"landing", links.landing}};
    Json network = Json::object();
    network["id"] = "1";
    network["data"] = data;
    network["imp_urls"] = Json::array({ping + "network-imp"});
    network["clickurl"] = Json::array({ping + "network-click"});
    network["video_start_urls"] = Json::array({ping + "video-start"});
    network["video_complete_urls"] = Json::array({ping + "video-complete"});
    network["adapters"] = Json::array({kDemoRewardedAdapter});
    Json config = Json::object();
    config["ad_type"] = "interstitial";
    config["qdata"] = "movu-" + std::to_string(c.ad);
    config["settings"] = settings;
    config["ad_networks"] = Json::array({network});
    return config;
}

namespace {

// The built-in adapter for HTML creatives carried in the answer: its entry carries the script
// ad's page (drawing, passing back or blank as the scenario's script ending says, ending with
// the scenario's hostile part) and the ad's passback URL, written with a trailing "/" the
// page's own navigation does not have.
constexpr const char* kHtmlAdapter = "GADMAdapterHTML";

void htmlAdapterCredentials(const AdScenario& s, const AdContext& c, Json& data) {
    data["adxtym_html"] = scriptAdCreative(s, c) + hostilePart(s.hostility, c);
    data["adxtym_passback_url"] = c.origin + "/mads/passback/";
}

void customEventCredentials(const AdScenario& s, const AdContext&, Json& data) {
    if (!s.customEvent) return;
    data["class_name"] = s.customEvent->className;
    data["parameter"] = s.customEvent->parameter;
    data["label"] = s.customEvent->label;
}

// The adapters whose network entry carries more than the publisher id, and what each adds.
struct AdapterCredentials {
    std::string_view adapter;
    void (*add)(const AdScenario&, const AdContext&, Json&);
};
constexpr AdapterCredentials kAdapterCredentials[] = {
    {kHtmlAdapter, htmlAdapterCredentials},
    {kCustomEventsAdapter, customEventCredentials},
};

}  // namespace

Json mediationConfiguration(const AdScenario& s, const AdContext& c) {
    if (s.rewardedVideoSeconds) return rewardedConfiguration(s, c);
    AdLinks links = adLinks(c);
    // "@gw_...@" are the SDK's own keyword templates; it fills them in before pinging.
    std::string ping = links.mediationPing + "&qdata=@gw_qdata@&allocid=@gw_allocid@&ping=";
    Json settings = Json::object();
    if (s.refreshRate) settings["refresh"] = *s.refreshRate;
    settings["ad_network_timeout_millis"] = s.mediationTimeoutMillis;
    if (!s.mediationDefaultPings) {
        settings["imp_urls"] = Json::array({ping + "imp&aec=@gw_aec@&adt=@gw_adt@"});
        settings["click_urls"] = Json::array({ping + "click"});
        settings["nofill_urls"] =
            Json::array({ping + "nofill&adlocid=@gw_adlocid@&aec=@gw_aec@&adt=@gw_adt@"});
    }
    std::vector<std::string> adapters = s.mediationAdapters;
    if (adapters.empty()) adapters.push_back(kOwnAdapter);
    Json networks = Json::array();
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        Json network = Json::object();
        network["id"] = std::to_string(i + 1);
        network["data"] = Json{{"pubid", s.mediationPubId.empty() ? c.slotname : s.mediationPubId}};
        for (const AdapterCredentials& credentials : kAdapterCredentials)
            if (adapters[i] == credentials.adapter) credentials.add(s, c, network["data"]);
        if (s.mediationEntryAd) {
            // The creative an ordinary answer of this unit would fetch, handed over whole.
            AdScenario creative = s;
            creative.kind = AdKind::Banner;
            network["ad"] = fetchedAdObject(creative, c);
        }
        network["allocation_id"] = "movu-alloc-" + std::to_string(c.ad);
        network["adapters"] = Json::array({adapters[i]});
        if (!s.mediationDefaultPings) {
            network["imp_urls"] =
                Json::array({ping + "network-imp&network=" + std::to_string(i + 1)});
            network["clickurl"] = Json::array({ping + "network-click"});
        }
        networks.push_back(network);
    }
    Json config = Json::object();
    config["ad_type"] = c.interstitialRequest ? "interstitial" : "banner";
    config["qdata"] = "movu-" + std::to_string(c.ad);
    config["settings"] = settings;
    config["ad_networks"] = networks;
    return config;
}

// A 4 x 4 blue PNG.
const unsigned char kNativePng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x08, 0x06, 0x00, 0x00, 0x00, 0xa9,
    0xf1, 0x9e, 0x7e, 0x00, 0x00, 0x00, 0x12, 0x49, 0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xd0,
    0xab, 0xbd, 0xfe, 0x1f, 0x19, 0x33, 0x90, 0x2e, 0x00, 0x00, 0x3c, 0x47, 0x28, 0x11, 0xf4,
    0xd2, 0xdc, 0x2a, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

Json nativeImage(const AdContext& c, const std::string& name, double scale = 1) {
    Json image = Json::object();
    image["url"] = c.origin + "/mads/native_image?" + adTag(c) + "&name=" + name;
    image["scale"] = scale;
    return image;
}

Json nativeAdObject(const AdScenario& s, const AdContext& c) {
    AdLinks links = adLinks(c);
    Json tracking = Json::object();
    tracking["impression_tracking_urls"] = trackingUrls(links.impression);
    tracking["zivivu_click_tracking_url"] = links.clickTracking;
    tracking["third_party_click_tracking_urls"] = Json::array({links.clickTracking + "&party=3"});
    tracking["click_actions"] = Json::array({Json{{"url", links.click}}});
    Json attribution = Json::object();
    attribution["text"] = "Ad";
    attribution["images"] = Json::array({nativeImage(c, "badge")});
    Json ad = Json::object();
    ad["type"] = "native";
    ad["template_id"] = std::to_string(s.nativeTemplate);
    ad["headline"] = "Movuroute test ad " + std::to_string(c.ad);
    ad["body"] = "A native ad from the local ad server for " + c.slotname + ".";
    ad["call_to_action"] = "Visit";
    ad["images"] = Json::array({nativeImage(c, "image")});
    switch (s.nativeTemplate) {
        case 2:
            ad["app_icon"] = nativeImage(c, "icon", 2);
            ad["rating"] = 4.5;
            ad["store"] = "Movuroute Store";
            ad["price"] = "Free";
            break;
        case 3:
            ad["custom_template_id"] = "10063170";
            ad["custom_assets"] = Json::array(
                {Json{{"name", "Title"}, {"type", "string"}, {"string_value", ad["headline"]}},
                 Json{{"name", "Picture"},
                      {"type", "image"},
                      {"image_value", nativeImage(c, "image")}}});
            break;
        default:
            ad["advertiser"] = "Movuroute";
            ad["secondary_image"] = nativeImage(c, "logo");
            break;
    }
    ad["attribution"] = attribution;
    ad["tracking_urls_and_actions"] = tracking;
    return Json{{"ads", Json::array({ad})}};
}

HttpAnswer nativeImageAnswer(const AdScenario& s) {
    HttpAnswer a;
    a.contentType = "image/png";
    switch (s.nativeImage) {
        case NativeImage::Png:
            a.body.assign(reinterpret_cast<const char*>(kNativePng), sizeof kNativePng);
            break;
        case NativeImage::Missing:
            a.status = 404;
            a.contentType = "text/html; charset=utf-8";
            a.body = "<html><body>No such picture.</body></html>\n";
            break;
        case NativeImage::Empty:
            break;
        case NativeImage::Oversized:
            a.body.assign(5 * 1024 * 1024, 'x');
            break;
        case NativeImage::Undecodable:
            a.body = "This is no picture.\n";
            break;
    }
    return a;
}

namespace {

std::string plainCreative(const AdScenario& s, const AdContext& c) {
    return isInterstitial(s, c) ? interstitialCreative(s, c) : bannerCreative(s, c);
}

// The kinds whose answer is one HTML page, and the page each writes. Both the ad URL's answer
// and the fetched ad's JSON read this, so a new page kind is one row here.
using CreativePage = std::string (*)(const AdScenario&, const AdContext&);
struct CreativePageKind {
    AdKind kind;
    CreativePage page;
};
constexpr CreativePageKind kCreativePages[] = {
    {AdKind::Banner, plainCreative},      {AdKind::Interstitial, plainCreative},
    {AdKind::ScriptAd, scriptAdCreative}, {AdKind::Links, linksCreative},
    {AdKind::Precache, precacheCreative}, {AdKind::Purchase, purchaseCreative},
};

CreativePage creativePageOf(AdKind kind) {
    for (const CreativePageKind& row : kCreativePages)
        if (row.kind == kind) return row.page;
    // Custom rendering's JSON is the plain creative: its header has no field there.
    return plainCreative;
}

}  // namespace

Json fetchedAdObject(const AdScenario& s, const AdContext& c) {
    AdLinks links = adLinks(c);
    Json ad = Json::object();
    switch (s.kind) {
        case AdKind::Mediation:
            ad["is_mediation"] = true;
            ad["ad_json"] = mediationConfiguration(s, c);
            break;
        case AdKind::MediationNotJson:
            ad["is_mediation"] = true;
            ad["ad_html"] = bannerCreative(s, c);
            ad["ad_base_url"] = c.origin + "/mads/";
            break;
        case AdKind::NoFill:
            ad["ad_html"] = "";
            break;
        case AdKind::Native:
            ad["ad_json"] = nativeAdObject(s, c);
            break;
        case AdKind::ScriptAd:
            ad["ad_is_javascript"] = true;
            ad["ad_html"] = scriptAdCreative(s, c);
            ad["ad_base_url"] = c.origin + "/mads/";
            ad["ad_passback_url"] = links.passback;
            break;
        default:
            ad["ad_html"] = creativePageOf(s.kind)(s, c);
            ad["ad_base_url"] = c.origin + "/mads/";
            break;
    }
    if (s.kind != AdKind::NoFill) {
        ad["click_urls"] = trackingUrls(links.clickTracking);
        ad["impression_urls"] = trackingUrls(links.impression);
        if (s.activeViewSettings) ad["active_view"] = activeViewConfiguration(links);
        if (s.manualImpressions)
            ad["manual_impression_urls"] = trackingUrls(links.manualImpression);
        std::string debug = debugText(s, c);
        if (!debug.empty()) ad["debug_dialog"] = debug;
    }
    if (s.refreshRate) ad["refresh_rate"] = *s.refreshRate;
    if (!s.adSize.empty()) ad["ad_size"] = s.adSize;
    if (!s.orientation.empty()) ad["orientation"] = s.orientation;
    return ad;
}

HttpAnswer adUrlAnswer(const AdScenario& s, const AdContext& c) {
    HttpAnswer a;
    AdLinks links = adLinks(c);
    switch (s.kind) {
        case AdKind::HttpStatus:
            a.status = s.status;
            a.contentType = "text/plain; charset=UTF-8";
            a.body = "The ad server answers " + std::to_string(s.status) + " for this ad unit.\n";
            break;
        case AdKind::NoFill:
            if (s.refreshRate)
                a.headers.emplace_back("x-rade-refresh-rate", number(*s.refreshRate));
            break;
        case AdKind::Mediation:
            a.contentType = "application/json; charset=utf-8";
            a.body = jsonText(mediationConfiguration(s, c));
            a.headers.emplace_back("x-rade-mediation", "1");
            addAdHeaders(a, s, c);
            break;
        case AdKind::MediationNotJson:
            a.body = bannerCreative(s, c);
            a.headers.emplace_back("x-rade-mediation", "1");
            break;
        case AdKind::Native:
            a.contentType = "application/json; charset=utf-8";
            a.body = jsonText(nativeAdObject(s, c));
            a.headers.emplace_back("x-rade-ad-format", "native");
            addAdHeaders(a, s, c);
            break;
        case AdKind::CustomRendering:
            a.body = bannerCreative(s, c);
            a.headers.emplace_back("x-rade-custom-rendering-allowed", "1");
            addTrackingHeaders(a, s, links);
            addAdHeaders(a, s, c);
            break;
        default:
            a.body = creativePageOf(s.kind)(s, c);
            addTrackingHeaders(a, s, links);
            addAdHeaders(a, s, c);
            break;
    }
    addExtraHeaders(a, s);
    sanitizeHeaders(a);
    return a;
}

HttpAnswer fetchedAdAnswer(const AdScenario& s, const AdContext& c) {
    HttpAnswer a;
    if (s.kind == AdKind::HttpStatus) {
        a.status = s.status;
        a.contentType = "text/plain; charset=UTF-8";
        a.body = "The ad server answers " + std::to_string(s.status) + " for this ad unit.\n";
        return a;
    }
    a.contentType = "application/json; charset=utf-8";
    a.body = s.fetchedAdBody ? *s.fetchedAdBody : jsonText(fetchedAdObject(s, c));
    addExtraHeaders(a, s);
    sanitizeHeaders(a);
    return a;
}

}  // namespace tools::adserver
