#include "ads/foundation/GADNetwork.h"

#include "platform/device/Reachability.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

struct GADNetwork::State {
    std::shared_ptr<platform::Reachability> reachability;
    GADNetworkType type = GADNetworkType::None;
    GADNetworkType lastKnownType = GADNetworkType::None;
    std::uint64_t changeCount = 0;

    void apply(GADNetworkType newType) {
        if (newType == type) return;
        if (newType != GADNetworkType::None) {
            ++changeCount;
            if (newType >= GADNetworkType::WiFi) lastKnownType = newType;
        }
        type = newType;
    }
};

std::shared_ptr<GADNetwork> GADNetwork::create() {
    return std::make_shared<GADNetwork>(Private{});
}

GADNetwork::GADNetwork(Private)
    : lockQueue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.network")),
      enableCheckingQueue_(
          std::make_shared<platform::SerialQueue>("com.zivivu.durez.network-enable")),
      state_(std::make_shared<State>()) {}

GADNetwork::~GADNetwork() {
    disableNetworkChecking();
}

void GADNetwork::enableNetworkChecking() {
    std::weak_ptr<State> weakState = state_;
    std::weak_ptr<platform::SerialQueue> weakLock = lockQueue_;
    std::weak_ptr<platform::SerialQueue> weakEnable = enableCheckingQueue_;
    lockQueue_->sync([&] {
        State& state = *state_;
        if (state.reachability) return;
        state.type = GADNetworkType::None;
        auto reachability = platform::Reachability::create();
        // The reachability object belongs to the state, so its callback holds the state
        // weakly; a report that arrives after the network is gone does nothing.
        auto report = [weakState, weakLock](std::uint32_t flags) {
            auto lock = weakLock.lock();
            if (!lock) return;
            const GADNetworkType type = networkTypeFromFlags(flags);
            lock->async([weakState, type] {
                if (auto state = weakState.lock()) state->apply(type);
            });
        };
        auto onEnableQueue = [weakEnable](std::function<void()> task) {
            if (auto queue = weakEnable.lock()) queue->async(std::move(task));
        };
        if (reachability->start(report, onEnableQueue)) state.reachability = reachability;
    });
}

void GADNetwork::disableNetworkChecking() {
    lockQueue_->sync([this] {
        State& state = *state_;
        if (!state.reachability) return;
        state.reachability->stop();
        state.reachability.reset();
        state.type = GADNetworkType::None;
    });
}

bool GADNetwork::isCheckingNetwork() const {
    bool checking = false;
    lockQueue_->sync([&] { checking = state_->reachability != nullptr; });
    return checking;
}

GADNetworkType GADNetwork::networkTypeFromFlags(std::uint32_t flags) {
    if (flags & platform::kReachabilityFlagIsWWAN) return GADNetworkType::Cellular;
    if (flags & platform::kReachabilityFlagReachable) return GADNetworkType::WiFi;
    return GADNetworkType::NotReachable;
}

void GADNetwork::setNetworkTypeFromFlags(std::uint32_t flags) {
    setNetworkType(networkTypeFromFlags(flags));
}

void GADNetwork::setNetworkType(GADNetworkType type) {
    lockQueue_->async([state = state_, type] { state->apply(type); });
}

GADNetworkType GADNetwork::networkType() const {
    GADNetworkType type = GADNetworkType::None;
    lockQueue_->sync([&] { type = state_->type; });
    return type;
}

GADNetworkType GADNetwork::lastKnownNetworkType() const {
    GADNetworkType type = GADNetworkType::None;
    lockQueue_->sync([&] { type = state_->lastKnownType; });
    return type;
}

std::uint64_t GADNetwork::changeCount() const {
    std::uint64_t count = 0;
    lockQueue_->sync([&] { count = state_->changeCount; });
    return count;
}

std::optional<std::string> GADNetwork::stringForNetworkType(GADNetworkType type) {
    switch (type) {
        case GADNetworkType::WiFi:
            return "wi";
        case GADNetworkType::Cellular:
            return "ed";
        default:
            return std::nullopt;
    }
}

std::optional<std::string> GADNetwork::networkTypeString() const {
    return stringForNetworkType(networkType());
}

std::optional<std::string> GADNetwork::lastKnownNetworkTypeString() const {
    return stringForNetworkType(lastKnownNetworkType());
}

void GADNetwork::waitForPendingReports() const {
    // A report travels from the enable queue to the lock queue: drain them in that order.
    enableCheckingQueue_->sync([] {});
    lockQueue_->sync([] {});
}

}  // namespace ads
