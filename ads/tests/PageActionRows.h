#pragma once

// Every action a page can send the game, one row each (an action whose command parameter picks
// what it does has a row per command): the flood each row's WebKit test sends from an ad, and
// what that flood may leave behind in the game. docs/ARCHITECTURE.md section 14 has the same
// rows with what each keeps, writes, starts and fetches; PageActionRowsTest fails when a
// handler of any page's list takes an action (or command) no row names, so no new action
// arrives without its bound.
//
// A flood's messages are script expressions of `i` (the message's number) and `big` (a text of
// kBigBytes letters, so with the rest a message is as long as a page's URL may be). Past the
// page's budget of messages (platform/web/PageMessages.h: 100 at once, 10 a second) the rest of
// a flood is refused before the game copies it, so a row's bound holds for what gets through;
// each row's handler is bounded on its own all the same (the handler tests).

#include <cstddef>
#include <string>
#include <vector>

namespace ads::testing {

// Letters in `big`: with the action and the other parameters, a message stays under the
// longest URL a page may ask for (WebView::kMaxUrlLength, 256 KiB).
inline constexpr std::size_t kBigBytes = 200 * 1024;

// The ad whose page floods: an interstitial loaded and never shown (nobody can touch it), or
// a banner on the app's screen that nobody touched.
enum class FloodedAd { Interstitial, Banner };

struct PageActionRow {
    // The row's name, which names its WebKit test.
    const char* name;
    // The page message's name, and the command it carries (nullptr: none).
    const char* action;
    const char* command;
    // The message's query, a script expression; nullptr when another program's test floods
    // this action (the row names it in the table).
    const char* query;
    FloodedAd ad = FloodedAd::Interstitial;
    // Requests of the ad server the flood may make the game send (pings, downloads), besides
    // the refusals the SDK core page reports (at most three per ad).
    std::size_t requests = 0;
};

// The parameter that names an action's command, or nullptr.
inline const char* commandParameter(const std::string& action) {
    if (action == "mraid" || action == "open") return "a";
    if (action == "instrument" || action == "video") return "action";
    return nullptr;
}

// Messages no handler takes are posted to the notification center: the native ads' pages use
// that on purpose, and the SDK core page's own actions and anything else an ad names end there.
inline const std::vector<PageActionRow>& pageActionRows() {
    static const std::vector<PageActionRow> rows{
        // Defaults.
        {"httpTrack", "httpTrack", nullptr,
         "'u=' + encodeURIComponent(location.origin + '/mads/large_body?bytes=16&n=' + i) + "
         "'&pad=' + big",
         FloodedAd::Interstitial, 64},
        {"log", "log", nullptr, "'string=' + big + i"},
        {"touch", "touch", nullptr, "'tx=' + i + '&ty=' + big + '&td=' + i"},
        {"vibrate", "vibrate", nullptr, "'pad=' + big"},
        // 20,000 texts: the first GADDefaultGMSGHandler::kMaxOpenableURLTexts are answered.
        {"canOpenURLs", "canOpenURLs", nullptr, "'urls=' + 'movuroute:a,'.repeat(20000) + i"},
        {"close", "close", nullptr, "'pad=' + big"},
        // The opener.
        {"click", "click", nullptr,
         "'u=' + encodeURIComponent(location.origin + '/mads/large_body?bytes=16&c=' + i) + "
         "'&pad=' + big",
         FloodedAd::Interstitial, 64},
        {"open_browser", "open", "browser",
         "'a=browser&u=' + encodeURIComponent(location.origin + '/landing?n=' + i + big)"},
        {"open_video", "open", "video",
         "'a=video&u=' + encodeURIComponent(location.origin + '/landing?n=' + i + big)"},
        {"open_webapp", "open", "webapp",
         "'a=webapp&u=' + encodeURIComponent(location.origin + '/landing?n=' + i + big)"},
        {"open_webapp_html", "open", "webapp", "'a=webapp&html=' + big + i"},
        {"open_expand", "open", "expand", "'a=expand&o=p&pad=' + big"},
        {"open_call", "open", "call", "'a=call&u=tel:' + i + big"},
        {"open_app", "open", "app", "'a=app&u=movuroute:' + i + big"},
        {"open_in_app_store", "open", "in_app_store",
         "'a=in_app_store&product_id=' + i + big + '&u=' + encodeURIComponent(location.origin + "
         "'/landing?s=' + i)"},
        {"open_in_app_purchase", "open", "in_app_purchase",
         "'a=in_app_purchase&product_id=' + i + big + '&quantity=1&report_urls=' + "
         "encodeURIComponent(location.origin + '/iap/report?p=' + i)"},
        {"open_other", "open", "other", "'a=' + big + i + '&u=movuroute:' + i"},
        {"fetchAppStore", "fetchAppStore", nullptr, "'product_id=' + i + big"},
        // MRAID.
        {"mraidLoaded", "mraidLoaded", nullptr, "'pad=' + big"},
        {"mraid_resize", "mraid", "resize",
         "'a=resize&width=300&height=100&offsetX=0&offsetY=0&customClosePosition=top-right"
         "&allowOffscreen=false&pad=' + big"},
        {"mraid_storePicture", "mraid", "storePicture",
         "'a=storePicture&iurl=' + encodeURIComponent(location.origin + '/mraid/picture.png?n=' "
         "+ i) + '&pad=' + big"},
        {"mraid_createCalendarEvent", "mraid", "createCalendarEvent",
         "'a=createCalendarEvent&description=' + big + i + '&start=2030-01-01T10:00:00Z'"},
        {"mraid_setOrientationProperties", "mraid", "setOrientationProperties",
         "'a=setOrientationProperties&allowOrientationChange=false&forceOrientation=landscape"
         "&pad=' + big"},
        {"mraid_other", "mraid", "other", "'a=' + big + i"},
        // The page's own downloads and video.
        {"precache", "precache", nullptr,
         "(i % 2 ? 'abort=1&pad=' + big : 'src=' + encodeURIComponent(location.origin + "
         "'/mads/large_body?bytes=4096&p=' + i) + '&pad=' + big)",
         FloodedAd::Interstitial, 8},
        {"video", "video", nullptr, nullptr},
        // Timing reports.
        {"instrument_tick", "instrument", "tick",
         "'action=tick&label=' + big + i + '&timestamp=' + (1700000000000 + i)"},
        {"instrument_experiment", "instrument", "experiment",
         "'action=experiment&value=' + big + i"},
        {"instrument_extra", "instrument", "extra", "'action=extra&name=n' + i + '&value=' + big"},
        {"instrument_other", "instrument", "other", "'action=' + big + i"},
        // What the slot's pages add.
        {"appEvent", "appEvent", nullptr, "'name=' + big + i + '&info=' + i"},
        {"customClose", "customClose", nullptr, "'custom_close=' + (i % 2) + '&pad=' + big"},
        {"setInterstitialProperties", "setInterstitialProperties", nullptr,
         "'transparentBackground=' + (i % 2) + '&pad=' + big"},
        {"enableSwipeToViewController", "enableSwipeToViewController", nullptr,
         "'swipe_direction=' + big + i + '&ad_draggable=1'", FloodedAd::Banner},
        {"disableSwipeToViewController", "disableSwipeToViewController", nullptr, "'pad=' + big",
         FloodedAd::Banner},
        {"delayPageLoaded", "delayPageLoaded", nullptr, "'start=1&pad=' + big", FloodedAd::Banner},
        // Heard as notifications: the native ads' pages, and whatever else an ad names.
        {"nativeAdPreProcess", "nativeAdPreProcess", nullptr, "'success=' + big + i"},
        {"nativeAdCustomClick", "nativeAdCustomClick", nullptr, "'asset=' + big + i"},
        {"loadHtml", "loadHtml", nullptr, "'overlayHtml=' + big + i + '&baseUrl=about:blank'"},
        {"showOverlay", "showOverlay", nullptr, "'pad=' + big"},
        {"hideOverlay", "hideOverlay", nullptr, "'pad=' + big"},
        {"sendMessageToNativeJs", "sendMessageToNativeJs", nullptr, "'m=' + big + i"},
        {"unknown", "anyOtherAction", nullptr, "'n=' + big + i"},
        // The SDK core page's own actions, which no ad page's list takes.
        {"loadAdURL", "loadAdURL", nullptr, "'id=' + i + '&url=' + big"},
        {"loadAd", "loadAd", nullptr, "'id=' + i + '&ad=' + big"},
        {"fetchHttpRequest", "fetchHttpRequest", nullptr,
         "'id=' + i + '&url=' + encodeURIComponent(location.origin + '/mads/large_body?f=' + i) "
         "+ '&pad=' + big"},
        {"invalidRequest", "invalidRequest", nullptr, "'id=' + i + '&pad=' + big"},
        {"loadSdkConstants", "loadSdkConstants", nullptr, "'c=' + big + i"},
        {"requestReload", "requestReload", nullptr, "'pad=' + big"},
        {"visibilityChanged", "visibilityChanged", nullptr, "'id=' + big + i"},
        {"untrackActiveViewUnit", "untrackActiveViewUnit", nullptr, "'id=' + big + i"},
    };
    return rows;
}

}  // namespace ads::testing
