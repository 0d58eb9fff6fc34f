#include "tools/ad_server/AdResponses.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "tools/ad_server/TextEscaping.h"

namespace tools::adserver {

namespace {

using Json = nlohmann::ordered_json;

// Successive ads of a unit differ in colour, so a refresh is visible in a screenshot.
const char* const kPalette[] = {"#2e7dd7", "#d7462e", "#2eaa5a", "#9b3fd1", "#e0a020"};

// The default adapter name of the SDK's own network, so a mediation answer names a class the
// SDK knows.
constexpr const char* kOwnAdapter = "GADMAdapterZivivuDuRezAds";

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
    if (!own) a.headers.emplace_back("x-rade-activeview", activeViewConfiguration(links).dump());
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
                       eventScript(links);
    return page("Movuroute test ad", style, body);
}

std::string interstitialCreative(const AdScenario& s, const AdContext& c) {
    if (!s.html.empty()) return s.html;
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
        "#visit { display: inline-block; margin-top: 32px; padding: 12px 24px; color: #000000; "
        "background: #ffffff; text-decoration: none; font-weight: bold; }\n";
    std::string body =
        "<a id=\"close\" href=\"gmsg://movuroute/close\">Close</a>\n"
        "<h1>Movuroute test interstitial</h1>\n<p>Ad " +
        std::to_string(c.ad) + " for " + htmlEscape(c.slotname) + "</p>\n<a id=\"visit\" href=\"" +
        htmlEscape(links.click) + "\">Visit the advertiser</a>\n" + eventScript(links);
    return page("Movuroute test interstitial", style, body);
}

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
    std::string style =
        "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
        "background: " +
        creativeColor(s, c.ad) +
        "; color: #ffffff; font: 15px sans-serif; }\n"
        "h1 { margin: 48px 16px 8px; font-size: 20px; text-align: center; }\n"
        "a { display: block; margin: 6px 24px; padding: 8px; color: #000000; background: "
        "#ffffff; text-decoration: none; text-align: center; }\n";
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

Json mediationConfiguration(const AdScenario& s, const AdContext& c) {
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
        network["data"] = Json{{"pubid", c.slotname}};
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

Json nativeAdObject(const AdContext& c) {
    AdLinks links = adLinks(c);
    Json tracking = Json::object();
    tracking["impression_tracking_urls"] = trackingUrls(links.impression);
    tracking["zivivu_click_tracking_url"] = links.clickTracking;
    tracking["third_party_click_tracking_urls"] = Json::array();
    tracking["click_actions"] = Json::array();
    Json ad = Json::object();
    ad["type"] = "native";
    ad["template_id"] = "1";
    ad["headline"] = "Movuroute test ad " + std::to_string(c.ad);
    ad["body"] = "A native ad from the local ad server for " + c.slotname + ".";
    ad["call_to_action"] = "Visit";
    ad["advertiser"] = "Movuroute";
    ad["tracking_urls_and_actions"] = tracking;
    return Json{{"ads", Json::array({ad})}};
}

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
            ad["ad_json"] = nativeAdObject(c);
            break;
        case AdKind::ScriptAd:
            ad["ad_is_javascript"] = true;
            ad["ad_html"] = scriptAdCreative(s, c);
            ad["ad_base_url"] = c.origin + "/mads/";
            ad["ad_passback_url"] = links.passback;
            break;
        case AdKind::Links:
            ad["ad_html"] = linksCreative(s, c);
            ad["ad_base_url"] = c.origin + "/mads/";
            break;
        default:
            ad["ad_html"] =
                isInterstitial(s, c) ? interstitialCreative(s, c) : bannerCreative(s, c);
            ad["ad_base_url"] = c.origin + "/mads/";
            break;
    }
    if (s.kind != AdKind::NoFill) {
        ad["click_urls"] = trackingUrls(links.clickTracking);
        ad["impression_urls"] = trackingUrls(links.impression);
        ad["active_view"] = activeViewConfiguration(links);
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
            a.body = jsonText(nativeAdObject(c));
            a.headers.emplace_back("x-rade-ad-format", "native");
            addAdHeaders(a, s, c);
            break;
        case AdKind::ScriptAd:
            a.body = scriptAdCreative(s, c);
            addTrackingHeaders(a, s, links);
            addAdHeaders(a, s, c);
            break;
        case AdKind::CustomRendering:
            a.body = bannerCreative(s, c);
            a.headers.emplace_back("x-rade-custom-rendering-allowed", "1");
            addTrackingHeaders(a, s, links);
            addAdHeaders(a, s, c);
            break;
        case AdKind::Links:
            a.body = linksCreative(s, c);
            addTrackingHeaders(a, s, links);
            addAdHeaders(a, s, c);
            break;
        case AdKind::Banner:
        case AdKind::Interstitial:
            a.body = isInterstitial(s, c) ? interstitialCreative(s, c) : bannerCreative(s, c);
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
