#include "tools/ad_server/MraidLayoutCreatives.h"

#include <map>

namespace tools::adserver {

namespace {

struct Layout {
    const char* style;
    const char* body;
};

// Buttons are plain blocks of colour: no border, shadow or rounded corner whose edge a test
// would have to allow for.
constexpr const char* kClearStyle =
    "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
    "background: transparent; }\n"
    "button { position: absolute; top: 4px; width: 92px; height: 42px; margin: 0; padding: 0; "
    "border: 0; border-radius: 0; background: #d02828; color: #ffffff; "
    "font: bold 12px sans-serif; outline: none; -webkit-appearance: none; }\n";

const std::map<std::string_view, Layout>& layouts() {
    static const std::map<std::string_view, Layout> table{
        {"clear-move",
         {"#b0 { left: 4px; }\n#b0.moved { left: 224px; }\n",
          "<button id=\"b0\" onclick=\"this.className = 'moved'; say('moved')\">Move</button>\n"}},
        {"clear-expand",
         {"#b0 { left: 4px; }\n"
          "#panel { display: none; position: absolute; left: 0; top: 100px; width: 100%; "
          "height: 300px; background: #2850c8; }\n"
          "#b1 { left: 114px; top: 70px; }\n"
          "#bar { display: none; position: absolute; left: 120px; top: 0; width: 200px; "
          "height: 50px; background: #2850c8; }\n"
          "body.expanded #panel, body.expanded #bar { display: block; }\n"
          "body.expanded #b0 { display: none; }\n"
          "body.default #b0 { left: 224px; }\n",
          "<button id=\"b0\" onclick=\"mraid.expand()\">Expand</button>\n"
          "<div id=\"panel\"><button id=\"b1\" onclick=\"mraid.close()\">Close</button></div>\n"
          "<div id=\"bar\"></div>\n"}},
        {"overflow",
         {"html { height: 100%; background: #2a7a3a; }\n"
          "body { width: 100%; height: 100%; background: #2a7a3a; color: #ffffff; "
          "font: 12px sans-serif; }\n",
          "<b>mraid-overflow</b>\n"}},
    };
    return table;
}

}  // namespace

std::optional<std::string> mraidLayoutCreative(std::string_view name) {
    auto found = layouts().find(name);
    if (found == layouts().end()) return std::nullopt;
    const Layout& layout = found->second;
    const bool clear = name.substr(0, 6) == "clear-";
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<title>Movuroute MRAID " +
           std::string(name) + "</title>\n<style>\n" + (clear ? kClearStyle : "") + layout.style +
           "</style>\n"
           "<script>\n"
           "window.lines = [];\n"
           "function say(text) { window.lines.push(text); }\n"
           "</script>\n"
           "<script src=\"mraid.js\" onerror=\"say('mraid.js failed to load')\"></script>\n"
           "</head><body>\n" +
           layout.body +
           "<script>\n"
           "(function () {\n"
           "  if (!window.mraid) { say('no mraid'); return; }\n"
           "  mraid.addEventListener('ready', function () { say('ready, state ' + "
           "mraid.getState()); });\n"
           "  mraid.addEventListener('stateChange', function (s) {\n"
           "    document.body.className = s;\n"
           "    say('stateChange ' + s);\n"
           "  });\n"
           "  mraid.addEventListener('error', function (m, a) { say('error ' + a + ': ' + m); "
           "});\n"
           "})();\n"
           "</script>\n</body></html>\n";
}

std::vector<std::string> mraidLayoutCreativeNames() {
    std::vector<std::string> names;
    for (const auto& [name, layout] : layouts()) names.emplace_back(name);
    return names;
}

}  // namespace tools::adserver
