#include "tools/ad_server/FrameCreatives.h"

#include <charconv>

namespace tools::adserver {

namespace {

// Counts the frame documents that told the creative they arrived, each number once: a test
// asks window.shown().
constexpr const char* kShownScript =
    "<script>\n"
    "window.shownFrames = {};\n"
    "window.addEventListener('message', function (e) {\n"
    "  if (e.data && typeof e.data.movuFrame === 'number') window.shownFrames[e.data.movuFrame] "
    "= true;\n"
    "});\n"
    "window.shown = function () { return Object.keys(window.shownFrames).length; };\n"
    "</script>\n";

std::string head(const char* title, const std::string& style) {
    return std::string("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>") + title +
           "</title>\n<style>\n"
           "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
           "color: #ffffff; font: bold 14px sans-serif; }\n" +
           style + "</style>\n" + kShownScript;
}

std::string framePath(const char* from) {
    return std::string(kFramePagePath) + "?from=" + from + "&n=";
}

std::string carouselCreative() {
    return head("Movuroute carousel",
                "body { background: #1d5f8a; }\n"
                "#shop { position: absolute; left: 0; top: 0; width: 200px; height: 50px; "
                "display: flex; align-items: center; justify-content: center; color: #ffffff; "
                "text-decoration: none; }\n"
                "#picture { position: absolute; left: 200px; top: 0; width: 120px; height: 50px; "
                "border: 0; }\n") +
           "<script>\n"
           "window.asked = 1;\n"
           "window.showNext = function () {\n"
           "  if (window.asked >= " +
           std::to_string(kCarouselPictures) +
           ") return window.asked;\n"
           "  window.asked++;\n"
           "  document.getElementById('picture').src = '" +
           framePath("carousel") +
           "' + window.asked;\n"
           "  return window.asked;\n"
           "};\n"
           "window.carouselTimer = setInterval(window.showNext, 3000);\n"
           "</script>\n</head><body>\n"
           "<a id=\"shop\" href=\"/landing?from=carousel\">Shop now</a>\n"
           "<iframe id=\"picture\" src=\"" +
           framePath("carousel") + "1\"></iframe>\n</body></html>\n";
}

std::string tilesCreative() {
    return head("Movuroute tiles",
                "body { background: #6a2c8a; }\n"
                "#b0 { position: absolute; left: 0; top: 0; width: 100%; height: 50px; "
                "font: bold 14px sans-serif; }\n"
                "#shop { display: none; height: 30px; line-height: 30px; text-align: center; "
                "color: #ffffff; }\n"
                "body.expanded #b0 { display: none; }\n"
                "body.expanded #shop { display: block; }\n"
                "#tiles { display: flex; flex-wrap: wrap; }\n"
                "#tiles iframe { width: 64px; height: 40px; border: 0; }\n") +
           "<script>window.asked = 0;</script>\n"
           "<script src=\"mraid.js\"></script>\n</head><body>\n"
           "<button id=\"b0\" onclick=\"mraid.expand()\">See " +
           std::to_string(kTiles) +
           " products</button>\n"
           "<a id=\"shop\" href=\"/landing?from=tiles\">Shop all</a>\n"
           "<div id=\"tiles\"></div>\n"
           "<script>\n"
           "if (window.mraid) mraid.addEventListener('stateChange', function (state) {\n"
           "  document.body.className = state;\n"
           "  if (state !== 'expanded' || window.asked) return;\n"
           "  var tiles = document.getElementById('tiles');\n"
           "  for (var n = 1; n <= " +
           std::to_string(kTiles) +
           "; n++) {\n"
           "    var tile = document.createElement('iframe');\n"
           "    tile.src = '" +
           framePath("tiles") +
           "' + n;\n"
           "    tiles.appendChild(tile);\n"
           "    window.asked++;\n"
           "  }\n"
           "});\n"
           "</script>\n</body></html>\n";
}

std::string linksCreative() {
    return head("Movuroute links in a frame",
                "body { background: #2b6e3f; }\n"
                "#links { position: absolute; left: 0; top: 0; width: 320px; height: 50px; "
                "border: 0; }\n") +
           "<script>\n"
           "window.linksLoaded = 0;\n"
           "window.addEventListener('message', function (e) {\n"
           "  if (e.data && e.data.movuLinks === 'loaded') window.linksLoaded++;\n"
           "});\n"
           "window.linksAt = function () {\n"
           "  var shown = document.getElementById('links').contentWindow.location;\n"
           "  return shown.pathname + shown.search;\n"
           "};\n"
           "</script>\n</head><body>\n"
           "<iframe id=\"links\" src=\"" +
           std::string(kLinksFramePath) + "\"></iframe>\n</body></html>\n";
}

// Each local frame's document is this script, naming its frame to the creative.
constexpr const char* kLocalScript =
    "<script>\n"
    "window.ran = {};\n"
    "window.addEventListener('message', function (e) {\n"
    "  if (e.data && typeof e.data.movuLocal === 'string') window.ran[e.data.movuLocal] = true;\n"
    "});\n"
    "window.ranCount = function () { return Object.keys(window.ran).length; };\n"
    "function ranScript(name) {\n"
    "  return '<script>parent.postMessage({movuLocal: \"' + name + '\"}, \"*\")</' + "
    "'script>';\n"
    "}\n"
    "function frame(box, set) {\n"
    "  var f = document.createElement('iframe');\n"
    "  set(f);\n"
    "  box.appendChild(f);\n"
    "}\n"
    "window.again = function () {\n"
    "  window.ran = {};\n"
    "  var box = document.getElementById('frames');\n"
    "  box.innerHTML = '';\n"
    "  frame(box, function (f) { f.srcdoc = ranScript('srcdoc'); });\n"
    "  frame(box, function (f) {\n"
    "    var written = false;\n"
    "    f.onload = function () {\n"
    "      if (written) return;\n"
    "      written = true;\n"
    "      var d = f.contentDocument;\n"
    "      d.open();\n"
    "      d.write(ranScript('blank'));\n"
    "      d.close();\n"
    "    };\n"
    "    f.src = 'about:blank';\n"
    "  });\n"
    "  frame(box, function (f) {\n"
    "    f.src = 'data:text/html,' + encodeURIComponent(ranScript('data'));\n"
    "  });\n"
    "  frame(box, function (f) {\n"
    "    f.src = URL.createObjectURL(new Blob([ranScript('blob')], {type: 'text/html'}));\n"
    "  });\n"
    "};\n"
    "</script>\n";

std::string localCreative() {
    return head("Movuroute frames made in place",
                "body { background: #7a4b16; }\n"
                "#pad { position: absolute; left: 0; top: 0; width: 200px; height: 50px; }\n"
                "#frames { position: absolute; left: 200px; top: 5px; width: 120px; "
                "height: 40px; display: flex; }\n"
                "#frames iframe { width: 30px; height: 40px; border: 0; }\n") +
           kLocalScript +
           "</head><body>\n<div id=\"pad\">Made here</div>\n<div id=\"frames\"></div>\n"
           "<script>window.again();</script>\n</body></html>\n";
}

}  // namespace

std::optional<std::string> frameCreative(std::string_view name) {
    if (name == "carousel") return carouselCreative();
    if (name == "tiles") return tilesCreative();
    if (name == "links") return linksCreative();
    if (name == "local") return localCreative();
    return std::nullopt;
}

std::vector<std::string> frameCreativeNames() {
    return {"carousel", "tiles", "links", "local"};
}

std::string linksFramePage() {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Links</title>\n"
           "<style>\nhtml, body { margin: 0; height: 100%; }\n"
           "body { display: flex; font: bold 14px sans-serif; }\n"
           "a { flex: 1; display: flex; align-items: center; justify-content: center; "
           "color: #ffffff; text-decoration: none; }\n"
           "#in { background: #1d5f8a; }\n#top { background: #6a2c8a; }\n"
           "#blank { background: #8a2c3c; }\n</style></head>\n<body>\n"
           "<a id=\"in\" href=\"/landing?from=frame-in\">Here</a>\n"
           "<a id=\"top\" target=\"_top\" href=\"/landing?from=frame-top\">Top</a>\n"
           "<a id=\"blank\" target=\"_blank\" href=\"/landing?from=frame-blank\">New</a>\n"
           "<script>parent.postMessage({movuLinks: 'loaded'}, '*');</script>\n"
           "</body></html>\n";
}

std::string framePage(std::string_view number) {
    int n = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), n);
    if (error != std::errc() || end != number.data() + number.size() || n < 0 || n > 9999) n = 0;
    const std::string text = std::to_string(n);
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Frame " + text +
           "</title></head>\n<body style=\"margin: 0; height: 100%; background: hsl(" +
           std::to_string(n * 47 % 360) +
           ", 60%, 40%); color: #ffffff; font: bold 14px sans-serif; display: flex; "
           "align-items: center; justify-content: center\">" +
           text + "\n<script>parent.postMessage({movuFrame: " + text +
           "}, '*');</script>\n</body></html>\n";
}

}  // namespace tools::adserver
