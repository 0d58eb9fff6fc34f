#include "tools/ad_server/ServerCommandLine.h"

#include <charconv>

namespace tools::adserver {

namespace {

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

bool splitPair(const std::string& text, std::string& name, std::string& value) {
    auto eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    name = text.substr(0, eq);
    value = text.substr(eq + 1);
    return true;
}

// The words joined by `separator`, a line broken after a separator wherever the next word would
// pass `width` columns; the first line begins with `first`, the others with `indent`.
template <typename Words>
std::string wrapped(std::string first, const std::string& indent, const Words& words,
                    const std::string& separator, std::size_t width) {
    std::string text;
    std::string line = std::move(first);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string word(words[i]);
        if (i > 0 && line.size() + word.size() > width) {
            text += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
            line = indent;
        }
        line += word;
        if (i + 1 < words.size()) line += separator;
    }
    return text + line + "\n";
}

}  // namespace

std::string serverUsage() {
    std::string text =
        "usage: movu_ad_server [--port N] [--scenario UNIT=SPEC]... [--default SPEC]\n"
        "                      [--constant NAME=VALUE]... [--no-constants] [--quiet]\n"
        "                      [--no-mraid-scripts] [--media-clip FILE]\n"
        "\n"
        "Serves the SDK core page and test ads on 127.0.0.1 and prints one line per\n"
        "request. SPEC is an ad kind followed by comma-separated options. Kinds:\n";
    // The kinds and the hostile creatives come from the parser's own tables, so a new one is
    // never missing here.
    text += wrapped("  ", "  ", adKindNames(), " ", 90);
    text +=
        "Options:\n"
        "  any ad: answer=url|fetch|invalid|errors|silent|refused|flood  refresh=<s>\n"
        "    size=<w>x<h>  debug=<text>  color=#rrggbb  orientation=<word>\n"
        "    scenario=<request_scenario>  autoclick  reload  manual  stall\n"
        "    header=<name>:<value>  noactiveview\n"
        "  script ads and adapter=GADMAdapterHTML networks: passback  passback-scheme  never\n"
        "    delay=<s>\n"
        "  mediation: adapter=<class> (repeatable)  timeout=<ms>  defaultpings  pubid=<unit>\n"
        "    entry-ad\n"
        "  native: template=1|2|3  image=png|missing|empty|oversized|undecodable\n"
        "  purchase: product=<id>    precache: play\n"
        "  generated banners and full-screen creatives, adapter=GADMAdapterHTML networks:\n";
    text += wrapped("    hostile=", "      ", hostilityNames(), "|", 80);
    text +=
        "  answer=flood (a hostile core page): flood=<fetches>  flood-bytes=<bytes each>\n"
        "tools/ad_server/README.md says what each does.\n"
        "e.g. --scenario ca-movu-banner=banner,refresh=30 --scenario ca-movu-ist=interstitial\n";
    return text;
}

std::optional<ServerCommandLine> parseServerCommandLine(const std::vector<std::string>& args,
                                                        std::string* error) {
    ServerCommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return fail(error, arg + " needs a value");
            out = args[++i];
            return true;
        };
        std::string text, name, spec;
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--quiet") {
            line.quiet = true;
        } else if (arg == "--no-constants") {
            line.noConstants = true;
        } else if (arg == "--no-mraid-scripts") {
            line.noMraidScripts = true;
        } else if (arg == "--port") {
            if (!value(text)) return std::nullopt;
            int port = -1;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
            if (ec != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) {
                fail(error, "--port needs a number from 0 to 65535: " + text);
                return std::nullopt;
            }
            line.port = port;
        } else if (arg == "--default") {
            if (!value(text)) return std::nullopt;
            std::string why;
            auto scenario = parseAdScenario(text, &why);
            if (!scenario) {
                fail(error, "--default " + text + ": " + why);
                return std::nullopt;
            }
            line.defaultScenario = std::move(*scenario);
        } else if (arg == "--scenario") {
            if (!value(text)) return std::nullopt;
            if (!splitPair(text, name, spec)) {
                fail(error, "--scenario needs UNIT=SPEC: " + text);
                return std::nullopt;
            }
            std::string why;
            auto scenario = parseAdScenario(spec, &why);
            if (!scenario) {
                fail(error, "--scenario " + text + ": " + why);
                return std::nullopt;
            }
            line.units.emplace_back(name, std::move(*scenario));
        } else if (arg == "--media-clip") {
            if (!value(line.mediaClip)) return std::nullopt;
        } else if (arg == "--constant") {
            if (!value(text)) return std::nullopt;
            if (!splitPair(text, name, spec)) {
                fail(error, "--constant needs NAME=VALUE: " + text);
                return std::nullopt;
            }
            line.constants[name] = spec;
        } else {
            fail(error, "unknown option: " + arg);
            return std::nullopt;
        }
    }
    return line;
}

}  // namespace tools::adserver
