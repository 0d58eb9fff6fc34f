#pragma once

// The page messages through which an ad's script asks for click-throughs; the opener it is
// made with does the gating, the opening and the click reporting.
//   "click"          - the tracking URL "u", as the slot's gesture click URL, is pinged as
//                      the page's pings are (GADPagePings: web addresses only, a budget per
//                      ad; without "u" nothing), except that the first after each touch of the
//                      ad goes out whatever the page spent. Nothing opens, no click counts.
//   "open"           - by "a": "in_app_store" (the store sheet of "product_id", fallback "u",
//                      waiting unless "wait_for_fetch" is given and not "true"),
//                      "in_app_purchase" ("product_id", "quantity" 1 to 10, "report_urls"
//                      cut at white space), "browser" and "video" (the in-app browser for "u"
//                      with "o"), "webapp" ("u", else "html"; "o", "custom_close"), "expand"
//                      ("o", "custom_close"), and "call", "app", anything else or nothing
//                      (another app: "u" as the slot's gesture click URL).
//   "fetchAppStore"  - prefetches the store sheet of "product_id".
// Parameter names are case-sensitive; a required parameter that is missing ends the action
// silently. An expand or web app the slot's own page asks for before the slot has shown its ad
// waits for the ad to be on screen (GADFullScreenSlot::deferMRAIDLayoutChangeUntilShown).
//
// Main thread, as every handler. Holds its opener (the page delegate's) strongly.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ads/web/GADGMSGHandler.h"
#include "platform/base/Url.h"
#include "platform/base/Value.h"

namespace ads {

class GADOpener;

class GADOpenerGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    static std::shared_ptr<GADOpenerGMSGHandler> create(std::shared_ptr<GADOpener> opener);
    GADOpenerGMSGHandler(Private, std::shared_ptr<GADOpener> opener);

    const GADGMSGActionTable* actionBlockDictionary() const override;
    const std::shared_ptr<GADOpener>& opener() const { return opener_; }

    // Parameter readers.
    // "u" as a URL; nothing when absent or not a URL.
    static std::optional<platform::Url> URLFromParams(const platform::Value::Dictionary& params);
    // "o": absent 30 (all four); "p" 6 (portrait); "l" 24 (landscape); "c" the status bar's
    // (24 in landscape, else 6); anything else 30.
    static unsigned orientationFromParams(const platform::Value::Dictionary& params);
    // Exactly "custom_close" = "1".
    static bool shouldUseCustomClose(const platform::Value::Dictionary& params);
    // "report_urls" cut at white space and line breaks, empty pieces dropped.
    static std::vector<std::string> reportingURLStringFormats(
        const platform::Value::Dictionary& params);

    // The values of "open"'s "a" that name a road of their own; any other takes the other
    // programs' road.
    static std::vector<std::string> openCommandNames();

    void didReceiveClickNotification(const GADGMSGActionInfo& info);
    void didReceiveOpenNotification(const GADGMSGActionInfo& info);
    void fetchInAppStore(const GADGMSGActionInfo& info);

    void actionOpenInAppStore(const GADGMSGActionInfo& info);
    void actionOpenInAppPurchase(const GADGMSGActionInfo& info);
    void actionOpenBrowser(const GADGMSGActionInfo& info);
    void actionOpenVideo(const GADGMSGActionInfo& info);
    void actionOpenWebApp(const GADGMSGActionInfo& info);
    void actionExpand(const GADGMSGActionInfo& info);
    void actionOpenApp(const GADGMSGActionInfo& info);

  private:
    using OpenCommand = void (GADOpenerGMSGHandler::*)(const GADGMSGActionInfo&);
    static const std::unordered_map<std::string, OpenCommand>& openCommands();

    // The slot's gesture click URL for the URL, or the URL itself without a slot.
    platform::Url gestureClickURL(const platform::Url& url) const;

    std::shared_ptr<GADOpener> opener_;
};

}  // namespace ads
