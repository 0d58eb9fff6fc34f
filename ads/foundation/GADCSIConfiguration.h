#pragma once

// Where and as what performance reports go: the endpoint (the ad server's "/csi" unless set),
// the service name, the report format's version (3), the report's user agent, and whether
// this process reports at all - a decision drawn once, at the sampling rate the server asks.
//
// Thread-safe: the flag is atomic, the user agent is built once, and the endpoint and names
// are set before reports are made (the hub sets them up when it is created).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Url.h"

namespace ads {

class GADCSIConfiguration {
  public:
    static constexpr const char* kServerPath = "/csi";
    // A uniform random integer below the bound.
    using Draw = std::function<std::uint32_t(std::uint32_t bound)>;

    // Nothing for an empty service name.
    static std::shared_ptr<GADCSIConfiguration> create(std::string serviceName);
    GADCSIConfiguration(const GADCSIConfiguration&) = delete;
    GADCSIConfiguration& operator=(const GADCSIConfiguration&) = delete;

    // Draws below 1000 and reports when the draw is below the whole part of p x 1000: 0.05
    // reports in one process of twenty, 0 never, 1 always. A p that is no finite number counts
    // as absent (the built-in 0.05); others are taken as 0 to 1.
    static constexpr double kDefaultReportingProbability = 0.05;
    void setReportingProbability(double probability, const Draw& draw = {});
    bool reportingEnabled() const { return reportingEnabled_.load(); }
    void setReportingEnabled(bool enabled) { reportingEnabled_.store(enabled); }

    platform::Url server() const;
    void setServer(std::optional<platform::Url> server);
    const std::string& serviceName() const { return serviceName_; }
    std::int64_t version() const { return version_; }
    void setVersion(std::int64_t version) { version_ = version; }

    // "ZivivuCsi/1.0 (<device>; U; CPU <system> <version with _>; <locale with ->)
    // <bundle name>/<bundle version>", made at first use.
    const std::string& userAgent();
    // The machine's hardware name with "/" before its first digit and "," as "."
    // ("iPad4,1" gives "iPad/4.1"); "Simulator" in a simulator, "Unknown" when unreadable.
    static std::string deviceVersionString();
    static std::string deviceVersionStringForMachine(std::string machine);

  private:
    struct Private {};

  public:
    GADCSIConfiguration(Private, std::string serviceName);

  private:
    std::atomic<bool> reportingEnabled_{true};
    std::optional<platform::Url> server_;
    const std::string serviceName_;
    std::int64_t version_ = 3;
    std::once_flag userAgentOnce_;
    std::string cachedUserAgentString_;
};

}  // namespace ads
