#include "ads/testsupport/FixedDevice.h"

#include "platform/audio/AudioSession.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/device/Battery.h"
#include "platform/device/Reachability.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace ads::testing {

namespace {

void resetScreen() {
    platform::ui::Application::shared().reset();
    platform::ui::Screen::mainScreen().reset();
}

}  // namespace

FixedDevice::FixedDevice() : FixedDevice(Options{}) {}

FixedDevice::FixedDevice(Options options)
    : deviceInfo_(options.facts), timeZone_("TZ", std::string("UTC")) {
    setTrackingEnabled(options.trackingEnabled);
    setReachabilityFlags(options.reachabilityFlags);
    platform::audio::AudioSession::shared().setRouteForTesting(
        std::vector<platform::audio::AudioSessionPortDescription>{
            {platform::audio::kAudioSessionPortBuiltInSpeaker,
             platform::audio::kAudioSessionPortBuiltInSpeaker}},
        1.0f);
    platform::Battery::setSysfsRootForTesting(sysfs_.path());
    platform::Battery::shared().setMonitoringEnabled(false);
    resetScreen();
    platform::ui::Screen::mainScreen().setScale(2);
    platform::PropertyList::writeFile(bundle_ / "Info.plist", infoDictionary());
    platform::Bundle::setMainBundlePath(bundle_.path());
    platform::UserDefaults::standard().setObject("AppleLanguages",
                                                 platform::Value::array({"en-US", "de"}));
}

FixedDevice::~FixedDevice() {
    platform::UserDefaults::standard().removeObjectForKey("AppleLanguages");
    platform::Bundle::setMainBundlePath(std::nullopt);
    resetScreen();
    platform::Battery::shared().setMonitoringEnabled(false);
    platform::Battery::setSysfsRootForTesting(std::nullopt);
    platform::audio::AudioSession::shared().setRouteForTesting(std::nullopt, std::nullopt);
    platform::Reachability::setFlagsForTesting(std::nullopt);
    platform::AdvertisingIdentifier::setOverrideForTesting(std::nullopt);
}

platform::Uuid FixedDevice::advertisingIdentifier() {
    return *platform::Uuid::parse("9F8A2D4E-0B1C-4D5E-8F60-718293A4B5C6");
}

platform::Value FixedDevice::infoDictionary() {
    return platform::Value::dictionary({
        {"CFBundleIdentifier", "com.example.adstest"},
        {"CFBundleVersion", "2.1"},
        {"CFBundleShortVersionString", "2.1"},
        {"DTPlatformName", "iphoneos"},
        {"DTSDKName", "iphoneos8.4"},
    });
}

void FixedDevice::setTrackingEnabled(bool enabled) {
    platform::AdvertisingIdentifier::setOverrideForTesting(
        platform::AdvertisingIdentifier::Override{advertisingIdentifier(), enabled});
}

void FixedDevice::setReachabilityFlags(std::optional<std::uint32_t> flags) {
    platform::Reachability::setFlagsForTesting(flags);
    // Networks already watching (the shared device's, made by an earlier test of the same
    // process) hear of it as of a change; their reports arrive on their own queues.
    if (flags) platform::Reachability::fireChangeForTesting();
}

}  // namespace ads::testing
