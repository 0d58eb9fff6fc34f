#pragma once

// The options of the movu_ad_server program, parsed apart from main() so they can be tested.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/ad_server/AdScenario.h"

namespace tools::adserver {

struct ServerCommandLine {
    int port = 0;                                           // --port N (0: a free one)
    std::optional<AdScenario> defaultScenario;              // --default SPEC
    std::vector<std::pair<std::string, AdScenario>> units;  // --scenario UNIT=SPEC
    std::map<std::string, std::string> constants;           // --constant NAME=VALUE
    bool noConstants = false;                               // --no-constants
    bool noMraidScripts = false;                            // --no-mraid-scripts
    bool quiet = false;                                     // --quiet: no request lines
    std::string mediaClip;                                  // --media-clip FILE
    bool help = false;                                      // --help
};

// Nullopt with the reason in `error` for an unknown option, a missing value or a bad one.
std::optional<ServerCommandLine> parseServerCommandLine(const std::vector<std::string>& args,
                                                        std::string* error = nullptr);

std::string serverUsage();

}  // namespace tools::adserver
