#include "ads/foundation/GADCSIConfiguration.h"

#include <cmath>
#include <random>

#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADServiceOrigins.h"
#include "platform/base/Value.h"
#include "platform/device/DeviceInfo.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/UserDefaults.h"

namespace ads {

namespace {

std::uint32_t randomBelow(std::uint32_t bound) {
    std::random_device device;
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(device);
}

std::string replaced(std::string text, char from, char to) {
    for (char& c : text) {
        if (c == from) c = to;
    }
    return text;
}

std::string bundleText(const char* key) {
    const platform::Value& value = platform::Bundle::mainBundle()->objectForInfoDictionaryKey(key);
    return value.isString() ? value.stringRef() : std::string();
}

}  // namespace

std::shared_ptr<GADCSIConfiguration> GADCSIConfiguration::create(std::string serviceName) {
    if (serviceName.empty()) return nullptr;
    return std::make_shared<GADCSIConfiguration>(Private{}, std::move(serviceName));
}

GADCSIConfiguration::GADCSIConfiguration(Private, std::string serviceName)
    : serviceName_(std::move(serviceName)) {}

void GADCSIConfiguration::setReportingProbability(double probability, const Draw& draw) {
    if (!std::isfinite(probability)) probability = kDefaultReportingProbability;
    // The setting is kept as a float; its whole thousandths are the share that reports.
    const float clamped = static_cast<float>(std::fmin(std::fmax(probability, 0.0), 1.0));
    const auto threshold = static_cast<std::uint32_t>(std::floor(clamped * 1000.0f));
    const std::uint32_t drawn = draw ? draw(1000) : randomBelow(1000);
    reportingEnabled_.store(drawn < threshold);
}

platform::Url GADCSIConfiguration::server() const {
    return server_ ? *server_ : GADAdServerURL(kServerPath);
}

void GADCSIConfiguration::setServer(std::optional<platform::Url> server) {
    server_ = std::move(server);
}

std::string GADCSIConfiguration::deviceVersionStringForMachine(std::string machine) {
    if (machine.empty()) return "Unknown";
    for (std::size_t i = 0; i < machine.size(); ++i) {
        if (machine[i] >= '0' && machine[i] <= '9') {
            machine.insert(i, "/");
            break;
        }
    }
    return replaced(std::move(machine), ',', '.');
}

std::string GADCSIConfiguration::deviceVersionString() {
    auto device = GADDevice::sharedInstance();
    if (device->isSimulator()) return "Simulator";
    // The machine field of uname ("x86_64"); empty when it cannot be read.
    return deviceVersionStringForMachine(device->deviceSubmodel());
}

const std::string& GADCSIConfiguration::userAgent() {
    std::call_once(userAgentOnce_, [this] {
        // "de_DE", the locale the environment gives (or the user chose).
        const std::string locale =
            platform::UserDefaults::standard().stringForKey("AppleLocale").value_or("");
        cachedUserAgentString_ = "ZivivuCsi/1.0 (" + deviceVersionString() + "; U; CPU " +
                                 platform::DeviceInfo::systemName() + " " +
                                 replaced(GADDevice::sharedInstance()->systemVersion(), '.', '_') +
                                 "; " + replaced(locale, '_', '-') + ") " +
                                 bundleText("CFBundleName") + "/" + bundleText("CFBundleVersion");
    });
    return cachedUserAgentString_;
}

}  // namespace ads
