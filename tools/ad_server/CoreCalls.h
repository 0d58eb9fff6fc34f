#pragma once

// The server's half of the core page. The page hands every call native code makes into it
// (RADE_getAd, RADE_getAdapterLessMediationAd, RADE_getSdkConstants, RADE_ReceiveMessage) to
// the server as {"function": name, "args": [...]}, and sends back, one gmsg navigation each,
// the messages the server answers with: {"messages": [{"action": ..., "params": {...}}]}.
// Keeping every decision here lets tests script the page per ad unit without reloading it.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "tools/ad_server/AdScenario.h"

namespace tools::adserver {

struct CoreCall {
    std::string function;
    nlohmann::ordered_json args = nlohmann::ordered_json::array();
};

// Nullopt for a body that is not such an object (not JSON, too deep, no function name, args
// not an array).
std::optional<CoreCall> parseCoreCall(std::string_view body);

struct CoreCallContext {
    std::string origin;         // the server, for ad URLs
    std::string refusedOrigin;  // a loopback origin where connections are refused
    std::function<AdScenario(const std::string& slotname)> scenarioFor;
    // Nullopt: the page never answers RADE_getSdkConstants.
    std::optional<std::map<std::string, std::string>> constants;
    bool requestReload = false;  // add "requestReload" to this answer
};

struct CoreAnswer {
    nlohmann::ordered_json messages = nlohmann::ordered_json::array();
    std::string slotname;  // the unit the call was about, when there was one
    std::string event;     // RADE_ReceiveMessage's event name
};

CoreAnswer answerCoreCall(const CoreCall& call, const CoreCallContext& context);

// The ad URL for the page's parameters: `base` followed by every parameter as a query pair
// (strings as they are, other values as compact JSON), all percent-encoded. Parameters that
// would push the URL past what servers accept are left out longest first and named in
// "movu_dropped".
std::string adUrlForParameters(const std::string& base, const nlohmann::ordered_json& parameters);

// The request id of the page's parameters as text ("" when absent).
std::string requestIdOf(const nlohmann::ordered_json& parameters);

}  // namespace tools::adserver
