#include "tools/ad_server/MraidCreatives.h"

#include <map>
#include <utility>
#include <vector>

#include "tools/ad_server/EmbeddedPages.h"
#include "tools/ad_server/MraidLayoutCreatives.h"

namespace tools::adserver {

namespace {

struct Button {
    const char* label;
    const char* script;
};

const std::map<std::string_view, std::vector<Button>>& features() {
    static const std::map<std::string_view, std::vector<Button>> table{
        {"expand", {{"Expand", "mraid.expand()"}, {"Close", "mraid.close()"}}},
        {"resize",
         {{"Resize",
           "mraid.setResizeProperties({width: 320, height: 250, offsetX: 0, "
           "offsetY: Math.max(0, window.resizeBase - 200), customClosePosition: "
           "'top-right', allowOffscreen: false}); mraid.resize()"},
          {"Close", "mraid.close()"}}},
        {"close", {{"Close", "mraid.close()"}}},
        {"orientation",
         {{"Landscape",
           "mraid.setOrientationProperties({allowOrientationChange: false, "
           "forceOrientation: 'landscape'})"},
          {"Portrait",
           "mraid.setOrientationProperties({allowOrientationChange: false, "
           "forceOrientation: 'portrait'})"},
          {"Any",
           "mraid.setOrientationProperties({allowOrientationChange: true, "
           "forceOrientation: 'none'})"},
          {"Bad", "mraid.setOrientationProperties({forceOrientation: 'sideways'})"},
          {"Close", "mraid.close()"}}},
        {"picture",
         {{"PNG", "mraid.storePicture(asset('picture.png'))"},
          {"JPEG", "mraid.storePicture(asset('picture.jpg'))"},
          {"Not a picture", "mraid.storePicture(asset('not-a-picture.png'))"},
          {"Oversized", "mraid.storePicture(asset('oversized.png'))"},
          {"Close", "mraid.close()"}}},
        {"calendar",
         {{"Add to calendar",
           "mraid.createCalendarEvent({description: 'Movuroute launch party', location: "
           "'Hall 2', summary: 'Bring friends', start: '2026-12-24T18:30:00+01:00', end: "
           "'2026-12-24T21:00:00+01:00'})"},
          {"Close", "mraid.close()"}}},
        {"custom-close",
         {{"Expand", "mraid.useCustomClose(true); mraid.expand()"}, {"My close", "mraid.close()"}}},
    };
    return table;
}

std::string buttonsHtml(const std::vector<Button>& buttons) {
    std::string html;
    int index = 0;
    for (const auto& button : buttons) {
        html += "<button id=\"b" + std::to_string(index++) + "\" onclick=\"" +
                std::string(button.script) + "\">" + button.label + "</button>\n";
    }
    return html;
}

// A creative that writes down everything it hears: each message native code sends (its own
// receiver, which mraid.js hands every message on to) and each listener call with what the
// creative reads at that moment. Its colour tells its state in a picture: red by default,
// green expanded, blue resized. The late one loads the implementation itself, from the
// server, only when the page's loadMraidNow() is called. Others do more on top of the
// recording, with markup of their own at the end of the body (`bodyEnd`).
std::string recordingCreative(bool late, const std::string& bodyEnd = "") {
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Movuroute MRAID record</title>\n"
        "<style>\n"
        "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
        "background: #c00000; color: #ffffff; font: 11px sans-serif; }\n"
        "body.expanded { background: #00a000; }\n"
        "body.resized { background: #0000c0; }\n"
        "button { font: bold 10px sans-serif; margin: 1px; padding: 2px 4px; }\n"
        "</style>\n"
        "<script>\n"
        "window.messages = [];\n"
        "window.records = [];\n"
        "window.RADE_ReceiveMessage = function (name, p) {\n"
        "  window.messages.push({name: String(name), p: p || {}});\n"
        "};\n"
        "function place(r) { return {x: r.x, y: r.y, width: r.width, height: r.height}; }\n"
        "function record(event, args) {\n"
        "  var m = mraid.getMaxSize(), e = mraid.getExpandProperties();\n"
        "  window.records.push({event: event, args: args, state: mraid.getState(),\n"
        "    current: place(mraid.getCurrentPosition()), defaultPosition: "
        "place(mraid.getDefaultPosition()),\n"
        "    maxSize: {width: m.width, height: m.height}, expand: {width: e.width, height: "
        "e.height},\n"
        "    viewable: mraid.isViewable(), messages: window.messages.length});\n"
        "  document.body.className = mraid.getState();\n"
        "}\n"
        "function listen() {\n"
        "  ['ready', 'stateChange', 'sizeChange', 'viewableChange', 'error'].forEach(function "
        "(event) {\n"
        "    mraid.addEventListener(event, function () {\n"
        "      record(event, Array.prototype.slice.call(arguments));\n"
        "    });\n"
        "  });\n"
        "}\n"
        "function here(path) { return new URL(path, location.href).href; }\n"
        "function resizeTo(width, height) {\n"
        "  mraid.setResizeProperties({width: width, height: height, offsetX: 0, offsetY: 0,\n"
        "    customClosePosition: 'top-right', allowOffscreen: false});\n"
        "  mraid.resize();\n"
        "}\n";
    if (late) {
        html += std::string(
                    "window.loadMraidNow = function () {\n"
                    "  var script = document.createElement('script');\n"
                    "  script.src = here('") +
                kMraidBannerPath +
                "');\n"
                "  script.onload = listen;\n"
                "  document.head.appendChild(script);\n"
                "  return 'loading';\n"
                "};\n"
                "</script>\n";
    } else {
        html +=
            "</script>\n"
            "<script src=\"mraid.js\"></script>\n";
    }
    html +=
        "</head><body>\n"
        "<div id=\"bar\">"
        "<button id=\"b0\" onclick=\"mraid.expand()\">Expand</button>"
        "<button id=\"b1\" onclick=\"mraid.close()\">Close</button>"
        "<button id=\"b2\" onclick=\"resizeTo(320, 250)\">Resize</button>"
        "<button id=\"b3\" onclick=\"mraid.open(here('/landing?from=mraid'))\">Open</button>"
        "<button id=\"b4\" onclick=\"mraid.expand(here('/mads/mraid/record.html'))\">"
        "Two-part</button>"
        "</div>\n";
    if (!late) html += "<script>if (window.mraid) listen();</script>\n";
    html += bodyEnd + "</body></html>\n";
    return html;
}

// Creatives that change their layout before their page has finished loading: "ready" comes
// while the page loads, so an expand from the page's load event is legal MRAID. The held
// picture keeps the load event back until the server lets it go, so a test can have "ready"
// heard first, whatever the machine's speed.
std::optional<std::string> earlyLayoutCreative(std::string_view name) {
    static constexpr const char* kProbe =
        "<script src=\"mraid.js\"></script>\n"
        "<div style=\"background:#a50;color:#fff;width:300px;height:40px\">load-expand "
        "probe</div>\n";
    static constexpr const char* kExpandAtLoad =
        "<script>window.addEventListener('load', function () { mraid.expand(); });</script>\n";
    const std::string heldPicture =
        std::string("<img src=\"") + kMraidHeldPicturePath + "\" width=\"1\" height=\"1\">\n";
    if (name == "load-expand") return std::string(kProbe) + kExpandAtLoad;
    if (name == "busy-load-expand") {
        return std::string(kProbe) +
               "<script>window.addEventListener('load', function () {\n"
               "  var until = Date.now() + 6000; while (Date.now() < until) {}\n"
               "  mraid.expand();\n"
               "});</script>\n";
    }
    if (name == "held-load-expand") return std::string(kProbe) + kExpandAtLoad + heldPicture;
    if (name == "record-load-expand") return recordingCreative(false, kExpandAtLoad + heldPicture);
    return std::nullopt;
}

std::vector<std::string> earlyLayoutCreativeNames() {
    return {"load-expand", "busy-load-expand", "held-load-expand", "record-load-expand"};
}

// A creative that acts once it is hidden: it records as the recording creative does and, 0.2 s
// after it went from viewable to not viewable (an interstitial closed), asks for a calendar
// event and to store a picture, as a careless or hostile creative does once the player looked
// away.
std::string askAfterCloseCreative() {
    return recordingCreative(
        false,
        "<script>\n"
        "(function () {\n"
        "  if (!window.mraid) return;\n"
        "  var seen = false, asked = false;\n"
        "  mraid.addEventListener('viewableChange', function (viewable) {\n"
        "    if (viewable) { seen = true; return; }\n"
        "    if (!seen || asked) return;\n"
        "    asked = true;\n"
        "    setTimeout(function () {\n"
        "      record('ask', []);\n"
        "      mraid.createCalendarEvent({description: 'Movuroute launch party', location: "
        "'Hall 2', summary: 'Bring friends', start: '2026-12-24T18:30:00+01:00', end: "
        "'2026-12-24T21:00:00+01:00'});\n"
        "      mraid.storePicture(here('/mads/mraid/picture.png'));\n"
        "    }, 200);\n"
        "  });\n"
        "})();\n"
        "</script>\n");
}

}  // namespace

std::vector<std::string> mraidCreativeNames() {
    std::vector<std::string> names;
    for (const auto& [name, buttons] : features()) names.emplace_back(name);
    names.insert(names.end(), {"record", "record-late"});
    for (auto& name : mraidLayoutCreativeNames()) names.push_back(std::move(name));
    for (auto& name : earlyLayoutCreativeNames()) names.push_back(std::move(name));
    // Creatives that act after they were closed.
    names.emplace_back("ask-after-close");
    return names;
}

std::optional<std::string> mraidCreative(std::string_view feature) {
    if (feature == "record" || feature == "record-late")
        return recordingCreative(feature != "record");
    if (auto page = mraidLayoutCreative(feature)) return page;
    if (auto page = earlyLayoutCreative(feature)) return page;
    if (feature == "ask-after-close") return askAfterCloseCreative();
    auto found = features().find(feature);
    if (found == features().end()) return std::nullopt;
    const std::string name(feature);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<title>Movuroute MRAID " +
           name +
           "</title>\n"
           "<style>\n"
           "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
           "background: #20304a; color: #ffffff; font: 11px sans-serif; }\n"
           "#bar { padding: 2px; }\n"
           "button { font: bold 11px sans-serif; margin: 1px; padding: 3px 6px; }\n"
           "#log { margin: 0; padding: 2px 4px; white-space: pre-wrap; font: 10px monospace; "
           "color: #c8f0ff; }\n"
           "</style>\n"
           "<script>\n"
           "window.lines = [];\n"
           "function say(text) { window.lines.push(text); var log = "
           "document.getElementById('log'); if (log) log.textContent = "
           "window.lines.slice(-12).join('\\n'); }\n"
           "function asset(name) { return new URL('/mads/mraid/' + name, location.href).href; }\n"
           "window.resizeBase = 0;\n"
           "</script>\n"
           "<script src=\"mraid.js\" onerror=\"say('mraid.js failed to load')\"></script>\n"
           "</head><body>\n<div id=\"bar\"><b>mraid-" +
           name + "</b>\n" + buttonsHtml(found->second) +
           "</div>\n<pre id=\"log\"></pre>\n"
           "<script>\n"
           "(function () {\n"
           "  if (!window.mraid) { say('no mraid'); return; }\n"
           "  say('placement ' + mraid.getPlacementType() + ', state ' + mraid.getState());\n"
           "  mraid.addEventListener('ready', function () {\n"
           "    var p = mraid.getDefaultPosition(); window.resizeBase = p.y;\n"
           "    say('ready, state ' + mraid.getState() + ', max ' + mraid.getMaxSize().width + "
           "'x' + mraid.getMaxSize().height);\n"
           "  });\n"
           "  mraid.addEventListener('stateChange', function (s) { say('stateChange ' + s); });\n"
           "  mraid.addEventListener('viewableChange', function (v) { say('viewableChange ' + v); "
           "});\n"
           "  mraid.addEventListener('sizeChange', function (w, h) { say('sizeChange ' + w + 'x' "
           "+ h); });\n"
           "  mraid.addEventListener('error', function (m, a) { say('error ' + a + ': ' + m); "
           "});\n"
           "})();\n"
           "</script>\n</body></html>\n";
}

std::optional<MraidAsset> mraidAsset(std::string_view path) {
    auto script = [](const char* placement) {
        return MraidAsset{"application/javascript; charset=utf-8",
                          std::string("window.MOVU_MRAID_PLACEMENT = '") + placement + "';\n" +
                              std::string(mraidScript())};
    };
    if (path == kMraidBannerPath || path == kMraidExpandedBannerPath) return script("inline");
    if (path == kMraidInterstitialPath) return script("interstitial");
    if (path == "/mads/mraid/picture.png" || path == kMraidHeldPicturePath) {
        return MraidAsset{"image/png", std::string(mraidPng())};
    }
    if (path == "/mads/mraid/picture.jpg") {
        return MraidAsset{"image/jpeg", std::string(mraidJpeg())};
    }
    if (path == "/mads/mraid/oversized.png") {
        return MraidAsset{"image/png", std::string(mraidOversizedPng())};
    }
    if (path == "/mads/mraid/record.html") {
        return MraidAsset{"text/html; charset=utf-8", recordingCreative(false)};
    }
    if (path == "/mads/mraid/not-a-picture.png") {
        return MraidAsset{"text/html; charset=utf-8", "<p>This is no picture.</p>\n"};
    }
    return std::nullopt;
}

}  // namespace tools::adserver
