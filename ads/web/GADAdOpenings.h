#pragma once

// What the openers' gate (GADOpener) keeps of the ad an ad view shows, and its answer to one
// opening. The opener samples what the answer needs (is the ad on screen, is the server's
// auto-click protection on, the ad view's touches); admit() judges and writes down what the
// opening spent.
//
// The rules, by what an opening puts before the player:
//   - Nothing from an ad that is not on screen.
//   - A touch of the ad that no opening has used yet lets one opening of any kind through and
//     is used up by it, so one tap is never two openings: a touch that expanded the ad cannot
//     also let a script open the browser.
//   - Without a touch, with protection on: nothing.
//   - Without a touch, with protection off: the ad's first opening out of the ad, and the
//     first of each kind within it (an expand, a resize, a calendar event, a picture
//     question); new properties for an ad already resized change what is up and open nothing
//     new, so they pass. A kind that came once comes again only with a touch: an ad the
//     player closed, or a question the player declined, cannot come back on its own.
//
// Main thread only, as the ad view that holds it.

#include <cstdint>
#include <memory>
#include <utility>

namespace platform::ui {
class View;
}

namespace ads {

// What an opening puts before the player.
enum class GADOpening : std::uint8_t {
    // Out of the ad: a page or program the player did not see in the ad (the desktop's
    // browser, other programs, the store sheet, the composers, the in-app browser, the ad's
    // web apps, a purchase). Each is a click-through, counted and pinged as a click.
    OutOfTheAd,
    // Within the ad's own place in the game's window: its own view over the window or over
    // part of it, and the two questions it may put to the player.
    Expand,
    Resize,
    CalendarEvent,
    Picture,
    // New resize properties for an ad already resized.
    NewSize,
};

enum class GADGateAnswer : std::uint8_t { Allowed, NotOnScreen, Untouched };

struct GADAdOpenings {
    // Refusals told to the SDK core page per ad. The first tells the ad server that the ad
    // opens on its own, two more that it keeps trying and where to; past that a report says
    // nothing new, and each is a call to the ad server that a page could repeat without end.
    static constexpr unsigned kReportedRefusals = 3;

    // Where the player sees the ad when its view is never shown itself: a view of ours that
    // stands for it (a native ad's view, a mediated network's view), or views the gate cannot
    // see (an app's own drawing of a custom native ad), whose owner reports the player's taps
    // (GADAdView::setTouched) and is taken at its word that the ad is on screen.
    std::weak_ptr<platform::ui::View> shownBy;
    bool shownOutsideOurViews = false;
    // The ad view's touch count when the gate last let an opening through, the kinds of
    // opening (bit per GADOpening) it let through for this ad, and the refusals reported.
    std::uint64_t touchesUsed = 0;
    unsigned opened = 0;
    unsigned refusalsReported = 0;

    void showBy(std::weak_ptr<platform::ui::View> view) {
        shownBy = std::move(view);
        shownOutsideOurViews = false;
    }
    void showOutsideOurViews() {
        shownBy.reset();
        shownOutsideOurViews = true;
    }
    bool hasOpened(GADOpening opening) const { return opened & bit(opening); }

    // The gate's answer (rules above); an opening let through is written down.
    GADGateAnswer admit(GADOpening opening, bool onScreen, bool autoClickProtected, bool touched,
                        std::uint64_t touchCount) {
        if (!onScreen) return GADGateAnswer::NotOnScreen;
        if (touched && touchCount > touchesUsed) {
            touchesUsed = touchCount;
            opened |= bit(opening);
            return GADGateAnswer::Allowed;
        }
        if (autoClickProtected) return GADGateAnswer::Untouched;
        if (opening == GADOpening::NewSize) return GADGateAnswer::Allowed;
        if (hasOpened(opening)) return GADGateAnswer::Untouched;
        opened |= bit(opening);
        return GADGateAnswer::Allowed;
    }
    // Whether one more refusal of this ad may be told to the SDK core page (counted).
    bool mayReportRefusal() {
        if (refusalsReported >= kReportedRefusals) return false;
        ++refusalsReported;
        return true;
    }
    // A new ad opened nothing yet and shows in its own view until told otherwise; the touches
    // used stay used, since the view's count goes on.
    void startOver() {
        shownBy.reset();
        shownOutsideOurViews = false;
        opened = 0;
        refusalsReported = 0;
    }

  private:
    static unsigned bit(GADOpening opening) { return 1u << static_cast<unsigned>(opening); }
};

}  // namespace ads
