#pragma once

// The machine's battery, as callers knew it from the phone: a level from 0 to 1 (-1 when
// unknown) and a state, both read only while monitoring is switched on (off: unknown, as on
// the phone). The facts come from the kernel's power-supply class in sysfs
// (/sys/class/power_supply/*/ with type "Battery"); a machine without one (a desktop, a
// container) answers unknown for both. Batteries of attached devices (a mouse, a gamepad:
// scope "Device") are not the machine's and are left out; several system batteries are
// averaged.
//
// Thread-safe. Tests give a fake sysfs root (setSysfsRootForTesting): a folder of power-supply
// folders holding the same files.

#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The values callers store and compare.
enum class BatteryState : int { Unknown = 0, Unplugged = 1, Charging = 2, Full = 3 };

class Battery {
  public:
    static constexpr float kUnknownLevel = -1.0f;

    // One power supply's files, as read (each at most a line; absent files are empty).
    struct SupplyFiles {
        std::string type;
        std::string scope;
        std::string present;
        std::string capacity;
        std::string status;
    };
    struct Reading {
        float level = kUnknownLevel;
        BatteryState state = BatteryState::Unknown;
    };

    static Battery& shared();

    bool isMonitoringEnabled() const { return monitoring_.load(); }
    void setMonitoringEnabled(bool enabled) { monitoring_.store(enabled); }

    float level() const;
    BatteryState state() const;
    // Both from one look at the files.
    Reading reading() const;

    // The rule above over the supplies' files; pure, so the sysfs text is checked in one
    // place (and fuzzed): numbers out of range, unknown words and junk read as unknown.
    static Reading combine(const std::vector<SupplyFiles>& supplies);
    // Reads every supply under the root; files beyond a small size are ignored.
    static std::vector<SupplyFiles> readSupplies(const std::filesystem::path& root);

    // nullopt: the real /sys/class/power_supply.
    static void setSysfsRootForTesting(std::optional<std::filesystem::path> root);
    static std::filesystem::path sysfsRoot();

  private:
    Battery() = default;

    std::atomic<bool> monitoring_{false};
};

}  // namespace platform
