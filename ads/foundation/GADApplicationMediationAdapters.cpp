// The mediation adapters present in the program: classes registered by name, as the server
// names adapters it may ask for.

#include "ads/foundation/GADApplication.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/SerialQueue.h"

namespace ads {

namespace {

// The adapters the SDK brings itself.
constexpr const char* kBuiltInAdapterNames[] = {
    kGADOwnAdapterClassName,
    "GADMAdapterCustomEvents",
    "GADMAdapterHTML",
    "GADMAdURLAdapter",
};

}  // namespace

std::optional<std::vector<std::string>> GADApplication::availableAdapterNames() const {
    std::optional<std::vector<std::string>> names;
    lockQueue_->sync([&] { names = availableAdapterNames_; });
    return names;
}

void GADApplication::setAvailableAdapterNames(std::optional<std::vector<std::string>> names) {
    lockQueue_->async([self = shared_from_this(), names = std::move(names)] {
        self->availableAdapterNames_ = names;
    });
}

std::set<std::string> GADApplication::availableAdapterNamesInSet(
    const std::set<std::string>& names) {
    auto& registry = platform::ClassRegistry::shared();
    std::set<std::string> present;
    for (const auto& name : names) {
        if (registry.hasClass(name) && registry.conformsTo(name, kAdapterProtocol)) {
            present.insert(name);
        }
    }
    return present;
}

bool GADApplication::classIsAdapterClass(const std::string& className) {
    auto& registry = platform::ClassRegistry::shared();
    return registry.conformsTo(className, kAdapterProtocol) ||
           registry.conformsTo(className, kRewardBasedVideoAdapterProtocol);
}

bool GADApplication::classImplementsCurrentAdapterAPI(const std::string& className) {
    auto& registry = platform::ClassRegistry::shared();
    return registry.instancesRespondTo(className, "getBannerWithSize:") ||
           registry.instancesRespondTo(className, "getInterstitial") ||
           registry.conformsTo(className, kRewardBasedVideoAdapterProtocol);
}

void GADApplication::updateAvailableAdapterNamesWithPotentialAdapterNames(
    const std::optional<std::vector<std::string>>& names) {
    std::set<std::string> candidates(std::begin(kBuiltInAdapterNames),
                                     std::end(kBuiltInAdapterNames));
    if (names) candidates.insert(names->begin(), names->end());
    const std::set<std::string> present = availableAdapterNamesInSet(candidates);
    setAvailableAdapterNames(std::vector<std::string>(present.begin(), present.end()));
}

}  // namespace ads
