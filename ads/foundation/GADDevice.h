#pragma once

// What every ad request says about the device: model and sub-model, system version, language,
// screen size and density, orientation, audio route, network, book stores, the app's name and
// Info.plist. One shared device lives for the process.
//
// Facts that come from the toolkit (screen, orientation, which URLs open) are read on the main
// thread: the static ones once, by the SDK's start-up (cacheStaticParameters), the dynamic ones
// before each request (updateDynamicParameters) and when asked for on the main thread. They
// are kept behind the serial queue "com.zivivu.durez.device": reads are synchronous there,
// writes asynchronous, so a read made after a write from the same thread sees it, and any
// thread may read. Queued writes hold the facts, never the device.
//
// This desktop is the phone the program was written for, as platform::DeviceInfo describes
// it; what a desktop does not have is absent: no telephony (no radio technology; on system 8
// no "tel:" or "sms:" URL opens, so no calls or texts; from system 9 the composer answers for
// texts), purchases only where the store stand-in sells something (the request's
// "cap_noiap" asks it), never a simulator, never jailbroken. The screen
// never rotates here: its portrait bounds are its bounds with the width at most the height.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/GADMainThreadFacts.h"
#include "ads/foundation/GADOperatingSystemVersion.h"
#include "platform/base/Geometry.h"
#include "platform/base/Value.h"
#include "platform/device/DeviceInfo.h"
#include "platform/runtime/Once.h"

namespace platform {
class SerialQueue;
}

namespace ads {

class GADNetwork;

// "u_audio": the numbers travel to the server, so they never change.
enum class GADAudioRoute : unsigned long {
    BuiltInSpeaker = 1,
    Headphones = 2,
    Silent = 3,
    Simulator = 4,
    Other = 5,
};

// "cap_bs" bits.
enum GADBookstores : std::uint64_t {
    kGADBookstoreBooks = 1,
    kGADBookstoreKindle = 2,
};

class GADDevice {
  public:
    // Names the temporary folder of the SDK's downloads.
    static constexpr const char* kTemporaryDirectoryName = "DuRezTemp";

    // Made at first use; registers the device's start-up step (caching the static facts).
    static std::shared_ptr<GADDevice> sharedInstance();
    // A device of its own (tests); it follows the network until it ends.
    static std::shared_ptr<GADDevice> create();
    ~GADDevice();
    GADDevice(const GADDevice&) = delete;
    GADDevice& operator=(const GADDevice&) = delete;

    // Start-up: on the main thread, once; does nothing elsewhere or later.
    void cacheStaticParameters();
    bool hasCachedStaticParameters() const;
    // Orientation and book stores, on the main thread (a slot calls it before each request).
    void updateDynamicParameters();
    void updateOrientation();
    void updateBookstores();
    // Which of the URLs the application can open; nothing on system 9 or later (the system
    // stopped answering for undeclared schemes). Main thread.
    std::optional<std::map<std::string, bool>> canOpenURLs(const std::vector<std::string>& urls);

    // Telephony: nothing reports a radio here; kept for tests and a future radio.
    void setRadioAccessTechnology(std::optional<std::string> technology);
    std::optional<std::string> radioAccessTechnology() const;
    std::optional<std::string> lastKnownRadioAccessTechnology() const;
    // The web views' user agent; empty texts are ignored.
    std::optional<std::string> userAgentString() const;
    void setUserAgentString(const std::string& userAgent);

    // The version from platform::DeviceInfo: on system 8 and later the three numbers and
    // "major.minor.patch" as the system version; earlier the text as it is.
    void updateOperatingSystemVersionProperties();
    GADOperatingSystemVersion operatingSystemVersion() const;
    std::string systemVersion() const;
    bool isOSAtLeastMajor(std::int64_t major, std::int64_t minor, std::int64_t patch) const;
    // 6.0.0 or later.
    bool OSIsSupported() const;

    std::string deviceModel() const;
    platform::UserInterfaceIdiom userInterfaceIdiom() const;
    bool userInterfaceIdiomIsPhone() const;
    double mainScreenDensity() const;
    // Refreshed from the screen when asked on the main thread, else as last seen there.
    platform::Rect standardizedPortraitScreenBounds() const;
    bool canText() const;
    bool canMakePhoneCalls() const;
    std::uint64_t bookstores() const;
    platform::Value infoPlist() const;
    // The interface orientation last seen on the main thread.
    int statusBarOrientation() const;
    std::shared_ptr<GADNetwork> network() const { return network_; }

    // The machine field of uname ("x86_64"), read once.
    std::string deviceSubmodel();
    // The first preferred language, lower-cased ("de-de"), read once; nothing without one.
    std::optional<std::string> locale();
    bool limitAdTracking() const;
    std::string limitAdTrackingString() const;
    // The lower-case hex MD5 of the advertising identifier; "" while tracking is limited.
    std::string deviceIdentifier() const;
    bool jailbroken() const { return false; }
    bool isSimulator() const { return false; }
    GADAudioRoute audioRoute() const;

    // Refreshes the orientation on the main thread (at once when called there), then reads it.
    bool orientationLandscape();
    platform::Rect standardizedOrientedScreenBounds();
    // The application frame in the interface orientation's coordinates. Main thread.
    platform::Rect standardizedOrientedApplicationFrame();

    // Info.plist's "DTSDKName" without the "DTPlatformName" in it ("iphoneos9.1" less
    // "iphoneos" is "9.1"); nothing when "DTSDKName" is not a text.
    std::optional<std::string> baseSDKVersion() const;
    static std::optional<std::string> baseSDKVersionFromInfoPlist(const platform::Value& info);

    // <app tmp>/DuRezTemp, made (with its parents, errors ignored) when asked.
    std::filesystem::path temporaryPathWithCreation(bool create) const;

    // "app_name": the app's version and a dot (none for an empty version), "iphone." and the
    // bundle identifier ("2.1.iphone.com.example.game").
    static std::string appNameParameter(const std::string& version,
                                        const std::string& bundleIdentifier);
    // The device's request parameters (GADDeviceParameters.cpp). The first form refreshes the
    // orientation on the main thread as orientationLandscape() does; the second takes the
    // facts collected there and never waits for the main thread.
    platform::Value::Dictionary parameters();
    platform::Value::Dictionary parameters(const GADMainThreadFacts& facts);

  private:
    struct Private {};
    struct State;

  public:
    explicit GADDevice(Private);

  private:
    template <typename Reader>
    auto read(Reader reader) const;
    template <typename Writer>
    void write(Writer writer) const;

    const std::shared_ptr<platform::SerialQueue> lockQueue_;
    // Touched only on lockQueue_.
    const std::shared_ptr<State> state_;
    const std::shared_ptr<GADNetwork> network_;
    platform::Once submodelOnce_;
    // None when uname failed.
    std::optional<std::string> submodel_;
    platform::Once localeOnce_;
    std::optional<std::string> locale_;
};

}  // namespace ads
