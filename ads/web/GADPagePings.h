#pragma once

// The tracking pings an ad's page makes the SDK send for it: "httpTrack", the opener's "click",
// a deep link's tracking URLs. A page is untrusted and may run with nobody watching (a
// preloaded interstitial long before it shows), so what it can spend through us is bounded per
// ad, that is per page its ad view loaded (GADAdView::pageLoadCount):
//   - at most kMaxPingsPerAd pings; the first one past that writes kPingsDroppedText to the
//     SDK's log and is dropped, as is every later one, silently;
//   - at most kMaxPingsInFlightPerAd on the network at once; the rest wait, in the order the
//     page sent them, for one of them to end;
//   - a ping waits only as long as its ad: once the ad view is gone, or has loaded another
//     page, nothing more of the old page is sent. A ping already sent runs to its end (a
//     page's last tracker, sent as it is closed, still arrives), but not past
//     kPingTimeLimit seconds.
// A click tracker the page sends for a touch of its ad (pingClickTracker) is the player's own
// click, which the ad's server counts by it: the first after each touch is sent at once,
// before the pings waiting and beside the ones on the network, whatever the page spent, so a
// page that used its budget on other trackers does not lose the click. One per touch: any
// other click tracker is an ordinary ping.
// Only a web address with a host is pinged. The answer counts by its status alone and is
// never read: its body is thrown away as it arrives (GADPingRequest), so an answer of any size
// costs neither memory nor disk, and nothing is stored or revalidated. Redirects within the
// web are followed, as a tracker's are.
//
// Main thread only. The ad views are held weakly.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>

#include "platform/base/LogBudget.h"
#include "platform/base/Url.h"

namespace platform {
class Connection;
class Timer;
}  // namespace platform

namespace ads {

class GADAdView;

class GADPagePings {
  public:
    // An honest creative pings when it shows, when it has been in view (a viewability vendor
    // or two, at a second or at half the ad), at a video's start, quartiles and end, and at a
    // click: a video ad wrapped by three or four ad servers, each with its trackers for every
    // event, sends a few dozen. Past twice that a page is pinging in a loop.
    static constexpr std::size_t kMaxPingsPerAd = 64;
    // A burst of a dozen trackers at an impression goes out in three quick rounds; a page
    // cannot hold more of the game's connections, nor make more answers arrive at once.
    static constexpr std::size_t kMaxPingsInFlightPerAd = 4;
    // A tracker answers within a second or two; one that talks on for longer (a trickle to
    // keep the ping's connection) is let go.
    static constexpr double kPingTimeLimit = 30;
    static constexpr const char* kPingsDroppedText =
        "Ad page pings: this ad has sent as many tracking pings as an ad may; the rest are "
        "dropped.";

    // The one every page's handlers share.
    static GADPagePings& shared();
    GADPagePings() = default;
    ~GADPagePings();
    GADPagePings(const GADPagePings&) = delete;
    GADPagePings& operator=(const GADPagePings&) = delete;

    // Pings the URL for the ad view's current page, at once or after the pings before it (see
    // above). Nothing without an ad view or for anything but a web address.
    void ping(const std::shared_ptr<GADAdView>& adView, const platform::Url& url);
    // The same for a click tracker: the first since the ad view's latest touch (while it is
    // touched) goes out at once and outside the budget (see above).
    void pingClickTracker(const std::shared_ptr<GADAdView>& adView, const platform::Url& url);

    // The ad view's pings on the network now, and waiting for them; every ad's on the network
    // (tests).
    std::size_t inFlight(const std::shared_ptr<GADAdView>& adView) const;
    std::size_t waiting(const std::shared_ptr<GADAdView>& adView) const;
    std::size_t inFlight() const;

  private:
    struct Sent {
        std::shared_ptr<platform::Connection> connection;
        std::shared_ptr<platform::Timer> limit;
    };
    // One ad view's pings. Sent pings hold it weakly, so that their ends can start the next.
    struct AdPings {
        std::weak_ptr<GADAdView> view;
        std::uint64_t page = 0;
        // A ping spends a line: past the budget the dropped line is written once, then nothing.
        platform::LogBudget budget{kMaxPingsPerAd, kPingsDroppedText};
        std::deque<platform::Url> waiting;
        std::map<std::uint64_t, Sent> sent;
        std::uint64_t nextPing = 0;
        // The ad view's touch count when a click tracker last went out for a touch.
        std::uint64_t clickTouchesUsed = 0;
    };

    std::shared_ptr<AdPings> pingsFor(const std::shared_ptr<GADAdView>& adView);
    const AdPings* find(const std::shared_ptr<GADAdView>& adView) const;
    // Sends what waits while there is room, unless its page is gone.
    static void sendWaiting(const std::shared_ptr<AdPings>& pings);
    static void send(const std::shared_ptr<AdPings>& pings, platform::Url url);
    static void end(const std::weak_ptr<AdPings>& pings, std::uint64_t ping);

    std::map<const GADAdView*, std::shared_ptr<AdPings>> ads_;
};

}  // namespace ads
