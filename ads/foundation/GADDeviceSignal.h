#pragma once

// Our signal component: the opaque text that ad requests and gesture clicks carry to the ad
// server so it can tell a person on a real device from a script. It is one query pair,
// "ms=" + web-safe Base64 (no padding, so the value never holds "=") of a small record of the
// probes in GADSignalProbes.h, the system version, whether the user limited ad tracking and
// the SDK version; a click's signal adds a hash of the click's "ai" value and the touches
// recorded before it. Nothing is enciphered or stored, and the advertising identifier never
// goes into it.
//
// Touches (the last 16) are kept in memory only; they come from the main thread as a rule,
// but a mutex guards them since the recorder is a free function anyone may call. Signals read
// views and the screen, so they are made on the main thread; asked elsewhere they fail.

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/runtime/Once.h"

namespace ads {

// What a signal holds, as written (and read back by the server, tests and the fuzzer).
struct GADSignalRecord {
    static constexpr std::uint8_t kFormat = 1;
    enum class Kind : std::uint8_t { Request = 1, Click = 2 };
    struct Touch {
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::int32_t durationMilliseconds = -1;
        friend bool operator==(const Touch&, const Touch&) = default;
    };
    // How the visible-rectangle probe answered for the banner view class.
    enum class Visibility : std::uint8_t { NotShown = 0, Uncovered = 1, Covered = 2 };

    Kind kind = Kind::Request;
    std::string sdkVersion;
    std::uint32_t reachabilityFlags = 0;
    std::int64_t batteryLevelAndState = 0;
    std::int64_t screenModeSize = 0;
    std::int32_t timeZoneOffsetMinutes = 0;
    Visibility bannerVisibility = Visibility::NotShown;
    // Window coordinates of the covered part, truncated; zero unless covered.
    std::array<std::int32_t, 4> coveredRect{};
    std::array<std::int32_t, 3> osVersion{};
    bool trackingLimited = true;
    std::uint8_t identifierType = 0;
    // Clicks only.
    std::uint32_t clickHash = 0;
    std::vector<Touch> touches;

    std::vector<std::uint8_t> encode() const;
    // Nothing for bytes that are not a whole record of this format.
    static std::optional<GADSignalRecord> decode(const std::vector<std::uint8_t>& bytes);
    friend bool operator==(const GADSignalRecord&, const GADSignalRecord&) = default;
};

class GADDeviceSignal {
  public:
    static constexpr const char* kKey = "ms";
    static constexpr std::size_t kMaximumTouches = 16;
    // The class whose visibility the request signal reports.
    static constexpr const char* kBannerViewClassName = "GADBannerView";

    static GADDeviceSignal& shared();

    GADDeviceSignal() = default;
    GADDeviceSignal(const GADDeviceSignal&) = delete;
    GADDeviceSignal& operator=(const GADDeviceSignal&) = delete;

    // The SDK version the signals name. Only the first call counts, whichever thread makes it.
    void initializeWithSDKVersion(const std::string& version);
    bool isInitialized() const { return started_.hasRun(); }

    // Writes "ms=..." into `signal` (replacing what it held) and answers true; answers false,
    // leaving it alone, off the main thread.
    bool requestSignal(std::string& signal);
    // The same for a click whose URL carries this "ai" value; fails for an empty one.
    bool clickSignal(std::string_view ai, std::string& signal);

    // One touch: where it ended and how long it lasted (-1: unknown).
    void recordTouch(std::int32_t x, std::int32_t y, std::int32_t durationMilliseconds);
    std::vector<GADSignalRecord::Touch> recordedTouches() const;
    void clearTouches();

    // The record inside a signal made here; nothing for any other text.
    static std::optional<GADSignalRecord> recordFromSignal(std::string_view signal);

  private:
    std::optional<GADSignalRecord> probe(GADSignalRecord::Kind kind) const;
    static std::string signalFromRecord(const GADSignalRecord& record);

    platform::Once started_;
    std::string sdkVersion_;
    mutable std::mutex touchesMutex_;
    std::vector<GADSignalRecord::Touch> touches_;
};

// Hands one touch to the shared recorder.
void GADRecordTouchSignal(std::int32_t x, std::int32_t y, std::int32_t durationMilliseconds);

}  // namespace ads
