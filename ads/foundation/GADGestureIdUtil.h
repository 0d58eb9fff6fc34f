#pragma once

// The system version and the identifier the signal component may read. From system 6 on the
// identifier is the advertising identifier, and only while the user allows ad tracking (the
// identifier of a user who limited tracking is never handed out); earlier systems had none,
// so an id of the app's own ("madAppId" in the user defaults) stands in for it.
//
// Thread-safe: the shared instance is made once however many threads ask first.

#include <cstdint>
#include <string>

namespace platform {
class UserDefaults;
}

namespace ads {

class GADGestureIdUtil {
  public:
    static constexpr const char* kAppIdKey = "madAppId";

    static GADGestureIdUtil& sharedInstance();

    // No defaults: the standard user defaults.
    explicit GADGestureIdUtil(platform::UserDefaults* userDefaults = nullptr);
    GADGestureIdUtil(const GADGestureIdUtil&) = delete;
    GADGestureIdUtil& operator=(const GADGestureIdUtil&) = delete;

    // The parts of the system version split at "." (their leading numbers), 0 for a missing
    // part. Each pointer may be null.
    static void getOSMajor(std::int32_t* major, std::int32_t* minor, std::int32_t* bugFix);
    // Whether the system version is the given one or later, compared part by part.
    static bool isOSAtLeastMajor(std::int32_t major, std::int32_t minor, std::int32_t bug);

    std::string osVersion() const;
    // See above; "" while tracking is limited.
    std::string deviceIdentifier();
    // 4: the advertising identifier; 1: the app's own id (before system 6).
    int deviceIdentifierType() const;
    // Whether the user limited ad tracking (never before system 6).
    bool deviceOptedOut() const;

    platform::UserDefaults& userDefaults() const;
    void setUserDefaults(platform::UserDefaults* userDefaults) { userDefaults_ = userDefaults; }

  private:
    platform::UserDefaults* userDefaults_;
};

}  // namespace ads
