#include "tools/ad_server/CoreCalls.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

#include "tools/ad_server/TextEscaping.h"

namespace tools::adserver {

namespace {

using Json = nlohmann::ordered_json;

// Request lines beyond 8 KiB are refused by common servers (ours among them); the rest of the
// URL needs room too.
constexpr std::size_t kMaxAdUrlLength = 7000;
constexpr std::size_t kMaxDroppedNames = 1000;

Json message(const char* action, Json params = Json::object()) {
    return Json{{"action", action}, {"params", std::move(params)}};
}

std::string stringMember(const Json& object, const char* key) {
    if (!object.is_object()) return {};
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return {};
    return valueText(*it);
}

bool isTrue(const Json& value) {
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_string())
        return value.get<std::string>() == "true" || value.get<std::string>() == "1";
    if (value.is_number()) return value.get<double>() != 0;
    return false;
}

// The ad URL adapter's call (RADE_getAdapterLessMediationAd) carries the request's parameters
// under "request_param" and names no unit: the mediation entry's "pubid" (its "data") does.
// Its answer is built from those, as for an ordinary call.
Json adCallParameters(const CoreCall& call, const Json& first) {
    if (call.function != "RADE_getAdapterLessMediationAd" || !first.is_object()) return first;
    auto request = first.find("request_param");
    if (request == first.end() || !request->is_object()) return first;
    Json flat = *request;
    if (auto id = first.find("request_id"); id != first.end()) flat["request_id"] = *id;
    if (auto data = first.find("data"); data != first.end() && !flat.contains("slotname")) {
        flat["slotname"] = stringMember(*data, "pubid");
    }
    return flat;
}

void answerAdCall(const Json& parameters, const CoreCallContext& context, CoreAnswer& answer) {
    answer.slotname = stringMember(parameters, "slotname");
    AdScenario scenario = context.scenarioFor ? context.scenarioFor(answer.slotname) : AdScenario{};
    std::string requestId = requestIdOf(parameters);
    auto loadAdUrl = [&](const std::string& origin) {
        Json params = Json::object();
        params["request_id"] = requestId;
        params["url"] = adUrlForParameters(origin + "/mads/gma", parameters);
        params["request_scenario"] = scenario.requestScenario;
        if (scenario.autoClickProtection) params["enable_auto_click_protection"] = "1";
        answer.messages.push_back(message("loadAdURL", std::move(params)));
    };
    switch (scenario.answer) {
        case PageAnswer::AdUrl:
            loadAdUrl(context.origin);
            break;
        case PageAnswer::RefusedAdUrl:
            loadAdUrl(context.refusedOrigin);
            break;
        case PageAnswer::FetchedAd: {
            Json request = Json::object();
            // The ad's own request id names the fetch too: it is unique in the process, and
            // the page needs nothing else to route the fetched ad back.
            request["http_request_id"] = requestId;
            request["url"] = adUrlForParameters(context.origin + "/mads/fetched_ad", parameters);
            request["headers"] =
                Json::array({Json{{"key", "Accept"}, {"value", "application/json"}}});
            answer.messages.push_back(
                message("fetchHttpRequest", Json{{"http_request", jsonText(request)}}));
            break;
        }
        case PageAnswer::Invalid:
            answer.messages.push_back(
                message("invalidRequest",
                        Json{{"request_id", requestId},
                             {"reason", "The ad server refuses requests for this ad unit."}}));
            break;
        case PageAnswer::Errors:
            answer.messages.push_back(
                message("loadAdURL", Json{{"request_id", requestId}, {"errors", scenario.errors}}));
            break;
        case PageAnswer::Silent:
            break;
        case PageAnswer::FetchFlood: {
            // The ad itself is answered; then the page asks for every body in one turn, as a
            // hostile page would.
            loadAdUrl(context.origin);
            const std::string body = context.origin + "/mads/large_body?bytes=" +
                                     std::to_string(scenario.fetchFloodBytes) +
                                     "&slot=" + percentEncode(answer.slotname);
            for (int i = 1; i <= scenario.fetchFloodCount; ++i) {
                Json request = Json::object();
                request["http_request_id"] =
                    kFetchFloodIdPrefix + requestId + "-" + std::to_string(i);
                request["url"] = body + "&i=" + std::to_string(i);
                answer.messages.push_back(
                    message("fetchHttpRequest", Json{{"http_request", jsonText(request)}}));
            }
            break;
        }
    }
    if (scenario.requestReload) answer.messages.push_back(message("requestReload"));
}

void answerEvent(const Json& args, CoreAnswer& answer) {
    if (args.empty() || !args[0].is_string()) return;
    answer.event = args[0].get<std::string>();
    if (answer.event != "fetchHttpRequestCompleted") return;
    const Json data = args.size() > 1 ? args[1] : Json();
    if (!data.is_object()) return;
    Json response = data.contains("response") ? data["response"] : Json();
    std::string requestId = stringMember(response, "http_request_id");
    // A flood's answers are only recorded: nobody waits for an ad from them.
    if (requestId.rfind(kFetchFloodIdPrefix, 0) == 0) return;
    if (data.contains("success") && isTrue(data["success"])) {
        answer.messages.push_back(message(
            "loadAd",
            Json{{"request_id", requestId}, {"fetched_ad", stringMember(response, "body")}}));
    } else {
        std::string reason = stringMember(data, "reason");
        if (reason.empty()) reason = "The ad could not be fetched.";
        answer.messages.push_back(
            message("loadAdURL", Json{{"request_id", requestId}, {"errors", reason}}));
    }
}

}  // namespace

std::optional<CoreCall> parseCoreCall(std::string_view body) {
    Json json = parseUntrustedJson(body);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    auto function = json.find("function");
    if (function == json.end() || !function->is_string()) return std::nullopt;
    CoreCall call;
    call.function = function->get<std::string>();
    auto args = json.find("args");
    if (args != json.end()) {
        if (!args->is_array()) return std::nullopt;
        call.args = *args;
    }
    return call;
}

std::string requestIdOf(const Json& parameters) {
    return stringMember(parameters, "request_id");
}

std::string adUrlForParameters(const std::string& base, const Json& parameters) {
    std::vector<std::pair<std::string, std::string>> pairs;
    std::vector<std::string> keys;
    if (parameters.is_object()) {
        for (const auto& [key, value] : parameters.items()) {
            if (value.is_null()) continue;
            keys.push_back(key);
            pairs.emplace_back(percentEncode(key), percentEncode(valueText(value)));
        }
    }
    auto join = [&](const std::vector<bool>& dropped) {
        std::string query;
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            if (dropped[i]) continue;
            query += (query.empty() ? "" : "&") + pairs[i].first + "=" + pairs[i].second;
        }
        return query;
    };
    std::vector<bool> dropped(pairs.size(), false);
    std::string query = join(dropped);
    if (base.size() + 1 + query.size() > kMaxAdUrlLength) {
        std::vector<std::size_t> order(pairs.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return pairs[a].second.size() > pairs[b].second.size();
        });
        std::string names;
        auto fits = [&] {
            return base.size() + 1 + join(dropped).size() + 14 + percentEncode(names).size() <=
                   kMaxAdUrlLength;
        };
        for (std::size_t i : order) {
            if (fits()) break;
            dropped[i] = true;
            // The list of names is capped too, so dropping everything always fits.
            if (names.size() < kMaxDroppedNames) {
                names += (names.empty() ? "" : ",") + keys[i].substr(0, kMaxDroppedNames);
            } else if (names.compare(names.size() - 4, 4, ",...") != 0) {
                names += ",...";
            }
        }
        query = join(dropped);
        query += (query.empty() ? "" : "&") + std::string("movu_dropped=") + percentEncode(names);
    }
    return query.empty() ? base : base + "?" + query;
}

CoreAnswer answerCoreCall(const CoreCall& call, const CoreCallContext& context) {
    CoreAnswer answer;
    const Json first = call.args.empty() ? Json() : call.args[0];
    if (call.function == "RADE_getAd" || call.function == "RADE_getAdapterLessMediationAd") {
        answerAdCall(adCallParameters(call, first), context, answer);
    } else if (call.function == "RADE_getSdkConstants") {
        if (context.constants) {
            Json params = Json::object();
            for (const auto& [name, value] : *context.constants) params[name] = value;
            answer.messages.push_back(message("loadSdkConstants", std::move(params)));
        }
    } else if (call.function == "RADE_ReceiveMessage") {
        answerEvent(call.args, answer);
    }
    if (context.requestReload) answer.messages.push_back(message("requestReload"));
    return answer;
}

}  // namespace tools::adserver
