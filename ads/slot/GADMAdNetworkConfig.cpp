#include "ads/slot/GADMAdNetworkConfig.h"

#include "ads/foundation/GADApplication.h"
#include "platform/runtime/ClassRegistry.h"

namespace ads {

using platform::Value;

namespace {

constexpr const char* kInvalidPrefix = "The DuRez Mediation response was invalid: ";

std::string joined(const std::vector<std::string>& names, const char* separator) {
    std::string out;
    for (const auto& name : names) {
        if (!out.empty()) out += separator;
        out += name;
    }
    return out;
}

}  // namespace

std::optional<std::string> GADMAdNetworkConfig::stringOrNumber(const Value* value) {
    if (!value) return std::nullopt;
    if (value->isString()) return value->stringRef();
    if (value->isInteger() || value->isReal()) return value->stringValue();
    return std::nullopt;
}

std::vector<std::string> GADMAdNetworkConfig::strings(const Value* value) {
    std::vector<std::string> out;
    if (!value || !value->isArray()) return out;
    for (const Value& item : value->asArray()) {
        if (item.isString()) out.push_back(item.stringRef());
    }
    return out;
}

GADMAdNetworkConfig::Parsed GADMAdNetworkConfig::parse(const Value& dictionary) {
    Parsed parsed;
    const Value* id = dictionary.find("id");
    if (!id) {
        parsed.error = GADRequestError::errorWithCode(
            kGADErrorMediationDataError,
            std::string(kInvalidPrefix) + "An ad network config has no network ID.");
        return parsed;
    }
    auto config = std::make_shared<GADMAdNetworkConfig>(Private{});
    config->networkID_ = stringOrNumber(id).value_or("");
    if (config->networkID_.empty()) {
        parsed.error = GADRequestError::errorWithCode(
            kGADErrorMediationDataError,
            std::string(kInvalidPrefix) + "An ad network config has an invalid network ID.");
        return parsed;
    }
    if (const Value* data = dictionary.find("data"); data && data->isDictionary()) {
        config->credentials_ = data->asDictionary();
        const auto pubid = config->credentials_.find(kPublisherIDKey);
        if (pubid != config->credentials_.end()) {
            config->publisherID_ = stringOrNumber(&pubid->second);
        }
    }
    if (const Value* extras = dictionary.find("extras"); extras && extras->isDictionary()) {
        config->extras_ = extras->asDictionary();
    }
    if (const Value* ad = dictionary.find("ad"); ad && ad->isDictionary()) {
        config->ad_ = ad->asDictionary();
    }
    config->allocationID_ = stringOrNumber(dictionary.find("allocation_id"));
    config->impressionURLs_ = strings(dictionary.find("imp_urls"));
    config->clickURLs_ = strings(dictionary.find("clickurl"));
    config->namesImpressionURLs_ = dictionary.get("imp_urls").isArray();
    config->namesClickURLs_ = dictionary.get("clickurl").isArray();
    config->videoStartURLs_ = strings(dictionary.find("video_start_urls"));
    config->rewardedUserURLs_ = strings(dictionary.find("video_complete_urls"));
    if (const Value* adapters = dictionary.find("adapters"); adapters && adapters->isArray()) {
        config->adapterList_ = strings(adapters);
    }
    config->chooseAdapterClass(parsed.error);
    parsed.config = std::move(config);
    return parsed;
}

void GADMAdNetworkConfig::chooseAdapterClass(std::optional<GADRequestError>& error) {
    auto& registry = platform::ClassRegistry::shared();
    std::vector<std::string> oldAPI;
    for (const auto& name : adapterList_.value_or(std::vector<std::string>{})) {
        if (!registry.hasClass(name)) continue;
        if (!GADApplication::classImplementsCurrentAdapterAPI(name)) {
            oldAPI.push_back(name);
            continue;
        }
        if (GADApplication::classIsAdapterClass(name)) {
            adapterClass_ = name;
            break;
        }
    }
    if (!oldAPI.empty()) {
        const std::string suffix =
            adapterClass_ ? "" : " No valid adapters found for this ad network.";
        const std::string names = joined(oldAPI, ", ");
        const std::string text =
            oldAPI.size() == 1 ? "Ad network adapter " + names +
                                     " implements an old API. Please update the adapter." + suffix
                               : "Ad network adapters (" + names +
                                     ") implement an old API. Please update the adapters." + suffix;
        error = GADRequestError::errorWithCode(kGADErrorMediationAdapterError, text);
    } else if (!adapterClass_) {
        Value::Array listed;
        for (const auto& name : adapterList_.value_or(std::vector<std::string>{})) {
            listed.emplace_back(name);
        }
        const std::string list = adapterList_ ? Value(std::move(listed)).description() : "(null)";
        error = GADRequestError::errorWithCode(
            kGADErrorMediationAdapterError,
            "Cannot find an ad network adapter with the name(s): " + list +
                ". Remember to link all required ad network adapters and SDKs, and set -ObjC in "
                "the 'Other Linker Flags' setting of your build target.");
    }
}

std::string GADMAdNetworkConfig::description() const {
    return "networkID:" + networkID_ + " adapter:" + adapterClass_.value_or("(null)") +
           " data:" + (publisherID_ ? *publisherID_ : Value(credentials_).description());
}

}  // namespace ads
