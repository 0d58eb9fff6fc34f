#include "ads/native/GADAdLoading.h"

#include <cxxabi.h>

#include <cstdlib>

#include "ads/foundation/GADInternalError.h"
#include "ads/native/GADAdLoaderDelegate.h"
#include "ads/native/GADNativeConstants.h"

namespace ads {

std::string GADDemangledTypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(type.name());
}

GADNativeAdClasses& GADNativeAdClasses::shared() {
    // Made on first use and kept for the whole process, like the other start-up tables.
    static auto* table = new GADNativeAdClasses;
    return *table;
}

GADAdLoadingClass GADNativeAdClasses::setClass(GADNativeAdFormat format,
                                               GADAdLoadingClass loading) {
    auto& slot = classes_[static_cast<std::int64_t>(format)];
    std::swap(slot, loading);
    return loading;
}

GADAdLoadingClass GADNativeAdClasses::classForAdType(std::string_view adType) const {
    // Only the three texts themselves: " 1" or "01" is no ad type.
    for (const auto& [number, loading] : classes_) {
        if (adType == std::to_string(number)) return loading;
    }
    return nullptr;
}

GADAdLoadingClass GADNativeAdClasses::classForFormatAndTemplateID(std::string_view format,
                                                                  std::int64_t templateID) const {
    if (format != kGADNativeAdFormatNative) return nullptr;
    const auto found = classes_.find(templateID);
    return found != classes_.end() ? found->second : nullptr;
}

GADAdLoadingClass GADNativeAdClassForAdLoaderAdType(std::string_view adType,
                                                    platform::Error* error) {
    auto loading = GADNativeAdClasses::shared().classForAdType(adType);
    if (!loading && error) {
        *error = gad_errorWithDomain(
            kGADErrorDomain, 12, "Invalid ad format requested: \"" + std::string(adType) + "\".");
    }
    return loading;
}

GADAdLoadingClass GADNativeAdClassForFormatAndTemplateID(std::string_view format,
                                                         std::int64_t templateID,
                                                         platform::Error* error) {
    auto loading = GADNativeAdClasses::shared().classForFormatAndTemplateID(format, templateID);
    if (!loading && error) {
        *error = gad_errorWithCode(static_cast<std::int64_t>(GADInternalErrorCode::InvalidArgument),
                                   "Invalid ad format: \"" + std::string(format) + "\", " +
                                       std::to_string(templateID) + ".");
    }
    return loading;
}

bool GADDelegateConformsToAdClassProtocol(GADAdLoaderDelegate& delegate,
                                          const GADAdLoading& loading, platform::Error* error) {
    return GADDelegateConformsToAdClassProtocol(&delegate, &loading, error);
}

bool GADDelegateConformsToAdClassProtocol(GADAdLoaderDelegate* delegate,
                                          const GADAdLoading* loading, platform::Error* error) {
    if (delegate && loading && loading->conformsToRequiredDelegateProtocol &&
        loading->conformsToRequiredDelegateProtocol(*delegate)) {
        return true;
    }
    if (error) {
        const std::string protocol = loading ? loading->requiredDelegateProtocol : "(null)";
        const std::string owner = delegate ? GADDemangledTypeName(typeid(*delegate)) : "(null)";
        *error =
            gad_errorWithCode(static_cast<std::int64_t>(GADInternalErrorCode::InvalidArgument),
                              "Delegate does not conform to the required protocol, " + protocol +
                                  ". Add " + protocol + " to " + owner + "'s protocol list.");
    }
    return false;
}

}  // namespace ads
