#pragma once

// Mediation pings: URL templates from the server (or our defaults on the ad server) whose
// "@keyword@" placeholders are filled with the pass's facts - the ad unit, query data, SDK
// version, session, a fresh sequence number per URL, the network and its allocation, whether
// the network refreshed by itself, and the attempts' exit codes and durations - and handed to
// a click tracker collection. A placeholder without a value stays as it is; "@@" is a literal
// at sign. Main thread (it draws sequence numbers from the shared application).

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Url.h"

namespace ads {

class GADAdNetworkExtras;
class GADClickTrackerCollection;
class GADRequest;

struct GADMediationPingValues {
    std::optional<std::string> adLocationID;  // the app key (ad unit id)
    bool adNetworkRefresh = false;
    std::optional<std::string> allocationID;
    std::optional<std::string> adNetworkID;
    std::optional<std::string> qData;  // "" when none
    std::optional<std::string> sessionID;
    std::optional<std::string> sequenceNumber;
    std::optional<std::string> exitCodes;  // joined with ","
    std::optional<std::string> durations;  // milliseconds, joined with ","
};

struct GADMUtilities {
    // The paths and queries of the default templates on the ad server in effect.
    static constexpr const char* kDefaultClickPath =
        "/clk?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&ad_network_id=@gw_adnetid@&js=@gw_sdkver@"
        "&session_id=@gw_sessid@&seq_num=@gw_seqnum@&nr=@gw_adnetrefresh@";
    static constexpr const char* kDefaultImpressionPath =
        "/imp?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&ad_network_id=@gw_adnetid@&js=@gw_sdkver@"
        "&session_id=@gw_sessid@&seq_num=@gw_seqnum@&nr=@gw_adnetrefresh@&adt=@gw_adt@"
        "&aec=@gw_aec@";
    static constexpr const char* kDefaultNoFillPath =
        "/nofill?ad_loc=@gw_adlocid@&qdata=@gw_qdata@&js=@gw_sdkver@&session_id=@gw_sessid@"
        "&seq_num=@gw_seqnum@&aec=@gw_aec@&adt=@gw_adt@";

    static std::string defaultClickTemplate();
    static std::string defaultImpressionTemplate();
    static std::string defaultNoFillTemplate();

    // The template filled in the order of the keywords above.
    static std::string mediationURLFrom(std::string_view templ,
                                        const GADMediationPingValues& values);

    // Fills each template (the default alone when there are none) with the values and a
    // fresh sequence number, and tracks every result that is an http(s) URL; the others are
    // logged and skipped. Answers the URLs tracked, in order.
    static std::vector<platform::Url> trackMediationURLsFromTemplates(
        GADClickTrackerCollection& trackers, const std::vector<std::string>& templates,
        const std::optional<std::string>& defaultTemplate, GADMediationPingValues values);

    // The request's extras of the class the adapter class names for its network; nothing,
    // with a note for the developer, when the adapter class names none.
    static std::shared_ptr<const GADAdNetworkExtras> networkExtrasForAdapterClass(
        const std::optional<std::string>& adapterClassName, const GADRequest* request);
};

}  // namespace ads
