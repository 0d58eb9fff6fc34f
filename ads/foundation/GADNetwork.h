#pragma once

// Which kind of network the device is on, as the request parameters "net" and "net_last" name
// it: "wi" for Wi-Fi (any reachable network here), "ed" for a cellular radio (never on a
// desktop, kept for the flag rule), nothing while unreachable or unknown.
//
// Reachability reports arrive on the queue "com.zivivu.durez.network-enable" (once when
// checking starts, then on every change) and update the type through the serial queue
// "com.zivivu.durez.network": writes are asynchronous there, reads synchronous, so a read made
// after a write from the same thread sees it. The device owns the network; checking runs from
// enableNetworkChecking() until disableNetworkChecking() or the network's end. Reports hold
// only the network's state, never the network, so a report never outlives or revives it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class Reachability;
class SerialQueue;
}  // namespace platform

namespace ads {

// The values are compared and counted as numbers; they never change.
enum class GADNetworkType : std::uint64_t { None = 0, NotReachable = 1, WiFi = 2, Cellular = 3 };

class GADNetwork {
  public:
    static std::shared_ptr<GADNetwork> create();
    ~GADNetwork();
    GADNetwork(const GADNetwork&) = delete;
    GADNetwork& operator=(const GADNetwork&) = delete;

    // Starts following the machine's reachability, unless already following it. Without a
    // way to watch the network, the type stays None.
    void enableNetworkChecking();
    // Stops following it; the type goes back to None.
    void disableNetworkChecking();
    bool isCheckingNetwork() const;

    // The flag rule: the cellular bit gives Cellular, else the reachable bit WiFi, else
    // NotReachable.
    static GADNetworkType networkTypeFromFlags(std::uint32_t flags);
    void setNetworkTypeFromFlags(std::uint32_t flags);
    // A change of type counts (only changes to a known type, 1 or more), and WiFi or
    // Cellular becomes the last known type.
    void setNetworkType(GADNetworkType type);

    GADNetworkType networkType() const;
    // The last WiFi or Cellular type seen; None before.
    GADNetworkType lastKnownNetworkType() const;
    std::uint64_t changeCount() const;
    std::optional<std::string> networkTypeString() const;
    std::optional<std::string> lastKnownNetworkTypeString() const;
    static std::optional<std::string> stringForNetworkType(GADNetworkType type);

    // Waits until the reports already on their way have been applied (a caller that has just
    // fired a change, and tests).
    void waitForPendingReports() const;

  private:
    struct Private {};
    struct State;

  public:
    explicit GADNetwork(Private);

  private:
    const std::shared_ptr<platform::SerialQueue> lockQueue_;
    const std::shared_ptr<platform::SerialQueue> enableCheckingQueue_;
    // Touched only on lockQueue_.
    const std::shared_ptr<State> state_;
};

}  // namespace ads
