#pragma once

// The device's facts as kept on its queue, for the device's own source files only.

#include <optional>
#include <string>
#include <utility>

#include "ads/foundation/GADDevice.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

struct GADDevice::State {
    // Static facts, cached on the main thread at start-up.
    bool hasCachedStaticParameters = false;
    // None until cached.
    std::optional<std::string> deviceModel;
    bool userInterfaceIdiomIsPhone = false;
    double mainScreenDensity = 0;
    platform::Rect portraitBounds;
    bool canText = false;
    bool canMakePhoneCalls = false;
    platform::Value infoPlist;
    GADOperatingSystemVersion operatingSystemVersion;
    std::string systemVersion;
    // Dynamic facts.
    int statusBarOrientation = 0;
    std::uint64_t bookstores = 0;
    std::optional<std::string> radioAccessTechnology;
    std::optional<std::string> lastKnownRadioAccessTechnology;
    std::optional<std::string> userAgentString;
};

template <typename Reader>
auto GADDevice::read(Reader reader) const {
    decltype(reader(std::as_const(*state_))) result{};
    lockQueue_->sync([&] { result = reader(std::as_const(*state_)); });
    return result;
}

template <typename Writer>
void GADDevice::write(Writer writer) const {
    lockQueue_->async([state = state_, writer = std::move(writer)] { writer(*state); });
}

}  // namespace ads
