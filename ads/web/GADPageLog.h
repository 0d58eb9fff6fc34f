#pragma once

// How a line our classes write for an ad's page reaches the game's log: a refusal of what it
// asked for (an opening, an expansion, a resize, a calendar event, a purchase, a video action),
// an error its request ran into, a warning about what it keeps asking. Such a line spends the
// budget of the page its ad view shows (WebView::pageLog(): kPageLogLines lines, then one line
// saying the rest are dropped), which the engine's refusals and the page's own "log" messages
// (written through the SDK's log, GADDefaultGMSGHandler) spend too, so
// however a page asks and whichever of our classes answers, it writes at most that many
// lines. The page still hears why where it asked through MRAID (its error event): only the
// game's log is bounded.
//
// A line whose page is gone (its ad view released before a later step of its request failed)
// or that has no web view spends a budget the process keeps for such lines: kOrphanLines a
// minute of the clock, then one line saying the rest are dropped.
//
// Main thread (where ad views live); the line is made only when it is written.

#include <cstdint>
#include <functional>
#include <string>

namespace ads {

class GADAdView;

class GADPageLog {
  public:
    static constexpr std::uint32_t kOrphanLines = 100;
    static constexpr double kOrphanPeriodSeconds = 60;
    static constexpr const char* kOrphanDroppedLine =
        "Ads: pages that are gone have caused as many log lines as they may this minute; the "
        "rest are dropped.";

    // Writes the line out of the page's budget; whether it was written.
    static bool write(const GADAdView* adView, const std::function<std::string()>& line);
    static bool write(const GADAdView* adView, const std::string& line) {
        return write(adView, [&line] { return line; });
    }
};

}  // namespace ads
