#pragma once

// The device the ads SDK's tests describe, fixed for one test: a phone on system 8.4 with a
// 320 x 480 point screen at scale 2, upright, reachable over Wi-Fi, one built-in speaker at
// full volume, no battery, the UTC time zone, English as the preferred language, and a known
// advertising identifier with tracking allowed (or limited, when asked), and an app bundle of
// version 2.1 ("com.example.adstest", built with the SDK "iphoneos8.4"). No test reaches the
// machine's interfaces, battery or identifier file while it lives; everything is put back
// on the way out. The preferred language goes into the standard user defaults, so a
// TemporaryHome should be made first.

#include <cstdint>
#include <optional>

#include "platform/base/Uuid.h"
#include "platform/base/Value.h"
#include "platform/device/DeviceInfo.h"
#include "platform/testing/TempDir.h"

namespace ads::testing {

class FixedDevice {
  public:
    struct Options {
        bool trackingEnabled = true;
        // Reachable (2).
        std::uint32_t reachabilityFlags = 2;
        platform::DeviceInfo::Facts facts = {};
    };

    FixedDevice();
    explicit FixedDevice(Options options);
    ~FixedDevice();
    FixedDevice(const FixedDevice&) = delete;
    FixedDevice& operator=(const FixedDevice&) = delete;

    // "9F8A2D4E-0B1C-4D5E-8F60-718293A4B5C6"
    static platform::Uuid advertisingIdentifier();
    // A folder the battery reads as its sysfs root (empty: no battery).
    const platform::testing::TempDir& sysfs() const { return sysfs_; }
    // The app bundle's Info.plist.
    static platform::Value infoDictionary();

    void setTrackingEnabled(bool enabled);
    // Networks already watching are told, as of a change (GADNetwork::waitForPendingReports).
    void setReachabilityFlags(std::optional<std::uint32_t> flags);

  private:
    platform::DeviceInfo::Scope deviceInfo_;
    platform::testing::ScopedEnv timeZone_;
    platform::testing::TempDir sysfs_;
    platform::testing::TempDir bundle_;
};

}  // namespace ads::testing
