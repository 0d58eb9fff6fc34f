#include "ads/native/GADAdLoaderConfiguration.h"

#include <algorithm>

#include "ads/foundation/GADLogger.h"
#include "ads/native/GADAdLoaderOptions.h"

namespace ads {

std::shared_ptr<const GADAdLoaderConfiguration> GADAdLoaderConfiguration::create(
    const std::vector<std::string>& adTypes,
    const std::vector<std::shared_ptr<GADAdLoaderOptions>>& options) {
    if (adTypes.empty()) return nullptr;
    auto configuration = std::make_shared<GADAdLoaderConfiguration>(Private{});
    for (const auto& adType : adTypes) {
        if (!GADNativeAdClassForAdLoaderAdType(adType)) return nullptr;
        configuration->adTypes_.insert(adType);
    }
    for (const auto& adType : configuration->adTypes_) {
        auto loading = GADNativeAdClassForAdLoaderAdType(adType);
        if (!configuration->containsClass(loading)) {
            configuration->adTypeClasses_.push_back(std::move(loading));
        }
    }

    GADAdLoaderOptionsMap accepted;
    for (const auto& option : options) {
        if (!option) {
            GADLogger::sharedInstance().logPublicMessage(
                "Error: Invalid ad loader option will be ignored ((null)).");
            continue;
        }
        const std::string className = option->className();
        if (accepted.count(className)) {
            GADLogger::sharedInstance().logPublicMessage("Error: Options already provided for " +
                                                         className + ". Ignoring option object (" +
                                                         option->description() + ").");
            continue;
        }
        accepted.emplace(className, option->copy());
    }
    if (!accepted.empty()) configuration->options_ = std::move(accepted);
    return configuration;
}

bool GADAdLoaderConfiguration::containsClass(const GADAdLoadingClass& loading) const {
    return loading &&
           std::find(adTypeClasses_.begin(), adTypeClasses_.end(), loading) != adTypeClasses_.end();
}

std::shared_ptr<GADAdLoaderOptions> GADAdLoaderConfiguration::option(
    const std::string& className) const {
    if (!options_) return nullptr;
    const auto found = options_->find(className);
    return found != options_->end() ? found->second : nullptr;
}

}  // namespace ads
