#pragma once

// An ad page's everyday native services, one page message each:
//   "httpTrack"   - pings "u" once, as every ping a page asks for goes (GADPagePings: a
//                   budget per ad, the answer never kept); only a web address with a
//                   host is pinged, so a page cannot make us fetch a local file or another
//                   app's URL, and a message without one pings nothing.
//   "log"         - writes "string" to the SDK's console log, with control characters
//                   escaped (a page cannot forge log lines or send terminal commands) and at
//                   most kMaxLogTextBytes of it, out of the page's log budget (its web view's
//                   pageLog(), which every other line the page causes spends too): at most
//                   kMaxLogLinesPerAd lines per ad (per page its ad view loaded), then one line
//                   saying the rest are dropped.
//   "touch"       - hands "tx", "ty" and "td" (x, y and the touch's duration in ms; -1 each
//                   when missing, a text's leading whole number otherwise, clamped to 32 bits)
//                   to the touch-signal recorder that real touches on the ad also feed.
//   "vibrate"     - asks for the vibration sound; a desktop only counts it.
//   "canOpenURLs" - asks the device which of the comma-separated "urls" open and answers the
//                   page with the event "openableURLs", one boolean per URL text (no parameters
//                   when the device does not answer). A message asks about at most
//                   kMaxOpenableURLTexts texts, its first ones; the rest are refused with one
//                   line out of the page's log budget, and are neither split nor answered.
//   "close"       - gives up the screen when the page sits in one of our full-screen
//                   controllers; anywhere else nothing happens.
//
// Main thread, like every handler. "touch" and "canOpenURLs" do their work on a later
// main-loop turn, after the work already waiting there; the answer goes to the ad view only
// if it is still alive then.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ads/web/GADGMSGHandler.h"
#include "platform/base/StringEscaping.h"
#include "platform/base/Value.h"
#include "platform/web/WebView.h"

namespace ads {

class GADAdView;

class GADDefaultGMSGHandler : public GADGMSGHandler {
    struct Private {};

  public:
    // Enough for any diagnostic a creative writes; a page cannot fill the log with one message.
    static constexpr std::size_t kMaxLogTextBytes = platform::kLogTextMaxBytes;
    // The page's budget: every line costs the game's main thread and the disk.
    static constexpr std::size_t kMaxLogLinesPerAd = platform::web::WebView::kPageLogLines;
    static constexpr const char* kLogLinesDroppedText = platform::web::WebView::kPageLogDroppedLine;
    // An honest ad asks about the few apps it may send the player to (its store, its own app,
    // a maps or a social app: a handful); each text costs an answer in the page's next script.
    static constexpr std::size_t kMaxOpenableURLTexts = 16;

    static std::shared_ptr<GADDefaultGMSGHandler> create();
    explicit GADDefaultGMSGHandler(Private) {}

    const GADGMSGActionTable* actionBlockDictionary() const override;

    void didReceiveTrackHTTPNotification(const GADGMSGActionInfo& info);
    void didReceiveLogNotification(const GADGMSGActionInfo& info);
    void didReceiveTouchNotification(const GADGMSGActionInfo& info);
    void didReceiveVibrateNotification(const GADGMSGActionInfo& info);
    void didReceiveCanOpenURLsNotification(const GADGMSGActionInfo& info);
    void didReceiveCloseNotification(const GADGMSGActionInfo& info);

    // The value for the key as a whole number (a text's leading decimal integer, 0 when it has
    // none; a number as it is), or the default when the key is absent or holds anything else.
    static std::int64_t integerForKey(std::string_view key,
                                      const platform::Value::Dictionary& dictionary,
                                      std::int64_t defaultValue);
    // What "log" writes for a page's text: C0 and C1 control characters, DEL, the line and
    // paragraph separators and backslashes escaped, cut at a character boundary so the result
    // (with the "..." that marks the cut) stays within kMaxLogTextBytes.
    static std::string logTextForPageText(std::string_view text);
    // "urls" cut at its commas into at most `limit` texts, the first ones; empty pieces stay
    // (the page asked about them). `left` counts the texts past the limit, which are not made.
    struct URLTexts {
        std::vector<std::string> asked;
        std::size_t left = 0;
    };
    static URLTexts URLTextsFromParameter(std::string_view urls,
                                          std::size_t limit = kMaxOpenableURLTexts);
};

}  // namespace ads
