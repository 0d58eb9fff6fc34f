#pragma once

// One slot's mediation waterfall. For a configuration the slot hands over, the manager asks
// its networks in the server's order: for each it makes a connector of the class the ad's
// mediation delegate names, lets the connector make the network's adapter and ask it for an
// ad, and waits under the configuration's per-network time-out. The first network that
// delivers wins and the slot takes its view or interstitial; a failure or a time-out moves on;
// when no network is left the slot fails with code 9 after a no-fill ping. Each attempt's
// duration and exit code (GADAdapterExitCode) are recorded in the slot's statistics and
// travel in the impression and no-fill pings.
//
// Rules that keep a pass sound:
// - Work posted for a pass carries its generation (pendingActionGroup); cancelPendingActions
//   raises it, so a late turn of an old pass does nothing.
// - Only the connector being asked or the one whose ad is shown is heard; anything from
//   another (an answer after its time-out) is ignored and leaves the running time-out alone.
// - After a failure the next network is asked on the next main-loop turn, so a network that
//   fails inside its request call never nests the waterfall.
// - A pass that ended with an ad asks no further network: a later failure of that network
//   reaches the slot as its error.
// - A connector is let go (it no longer reaches the manager) before the next network is asked
//   or the pass ends, so a network whose ad was refused cannot answer again later.
// - Answers cannot nest our own ads without end: a slot whose request lies kMaxOwnNetworkDepth
//   waterfalls deep passes over networks that are our own ads (exit code 2).
// - The statistics are saved once a pass has reported (its impression or no-fill ping, or its
//   cancellation), never once per attempt, and never waited for here.
//
// Main thread only, except cancel (posted whole to the main thread from elsewhere). Made by the
// class registry as "GADMAdManager" for each slot, which holds it; it holds the slot weakly
// and its connectors strongly; its time-out timer holds it weakly.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "ads/foundation/GADAdType.h"
#include "ads/mediation/GADMConnectorDelegate.h"
#include "ads/slot/GADMSlotDelegate.h"

namespace platform {
class Timer;
}

namespace ads {

class GADMAdNetworkConfig;
class GADMConfig;

class GADMAdManager : public GADMSlotDelegate,
                      public GADMConnectorDelegate,
                      public std::enable_shared_from_this<GADMAdManager> {
    struct Private {};

  public:
    static constexpr double kTimeoutTolerance = 0.01;
    // A request an adapter of our own ads made carries its slot's depth plus one; at this depth
    // the waterfall no longer asks our own ads.
    static constexpr int kMaxOwnNetworkDepth = 2;
    static std::shared_ptr<GADMAdManager> create();
    explicit GADMAdManager(Private) {}
    ~GADMAdManager() override;
    GADMAdManager(const GADMAdManager&) = delete;
    GADMAdManager& operator=(const GADMAdManager&) = delete;

    // GADMSlotDelegate
    void setSlot(std::weak_ptr<GADSlot> slot) override { slot_ = std::move(slot); }
    void mediateForAdType(const GADAdType& type, std::shared_ptr<GADMConfig> config) override;
    bool changeAdTypeTo(const std::optional<GADAdType>& type) override;
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root) override;
    void cancel() override;
    void cancelPendingActions() override;
    std::optional<std::string> receivedAdapterClassName() const override;

    // GADMConnectorDelegate
    std::shared_ptr<GADSlot> slot() const override { return slot_.lock(); }
    void adRequestReturnsFromConnectorWithView(
        GADMAdNetworkConnector& connector,
        const std::shared_ptr<platform::ui::View>& view) override;
    void adRequestReturnsFromConnectorWithInterstitial(GADMAdNetworkConnector& connector) override;
    void adRequestReturnsFromConnectorWithMediatedAd(
        GADMAdNetworkConnector& connector,
        const std::shared_ptr<GADMediatedAd>& mediatedAd) override;
    void adRequestFailedFromConnectorWithError(GADMAdNetworkConnector& connector,
                                               const platform::Error& error) override;

    // One step of the waterfall: the next network with an adapter class is asked. Off the main
    // thread it is posted there and runs only if no cancellation came in between.
    void makeAdRequest();
    void reportNoFill();

    bool requestInProgress() const { return requestInProgress_; }
    std::int64_t pendingActionGroup() const { return pendingActionGroup_; }
    const std::shared_ptr<GADMAdNetworkConnector>& requestingConnector() const {
        return requestingConnector_;
    }
    const std::shared_ptr<GADMAdNetworkConnector>& receivedConnector() const {
        return receivedConnector_;
    }
    std::size_t queuedNetworkCount() const { return adNetworkConfigQueue_.size(); }

  private:
    void adNetworkTimeoutHandler();
    // Lets only the connector being asked or the one shown through; for those, the running
    // time-out stops.
    bool shouldProcessResponseFromConnector(const GADMAdNetworkConnector& connector);
    void resetRequestingState();
    void stopTimer();
    // The old shown connector lets go of this manager, and the connector becomes the shown one.
    void receive(GADMAdNetworkConnector& connector);
    void postMakeAdRequest();
    void endAttempt(long exitCode);
    // Drops the connector being asked; unless it is the shown one it no longer reaches this
    // manager.
    void letGoOfRequestingConnector();

    std::deque<std::shared_ptr<const GADMAdNetworkConfig>> adNetworkConfigQueue_;
    std::int64_t pendingActionGroup_ = 0;
    bool requestInProgress_ = false;
    std::shared_ptr<GADMConfig> config_;
    GADAdType adType_ = GADAdType::interstitialAdType();
    std::shared_ptr<GADMAdNetworkConnector> requestingConnector_;
    std::shared_ptr<GADMAdNetworkConnector> receivedConnector_;
    std::weak_ptr<GADSlot> slot_;
    std::shared_ptr<platform::Timer> adNetworkTimeoutTimer_;
};

}  // namespace ads
