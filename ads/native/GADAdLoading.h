#pragma once

// The seam between the loader and the native ad formats. A format is a class descriptor
// (GADAdLoading): its name, how it makes an ad from the server's ad object, the delegate
// protocol an app must adopt to receive it, the request parameters it adds to the loader's
// request and how it hands a loaded ad to the loader's delegate. GADNativeAdClasses holds the
// two lookups the loader and the native ad base use: by the app's ad type ("1" content, "2"
// app install, "3" custom template) and by the server's format and template id ("native" with
// 1, 2, 3). Each format puts its class in both at start-up (registerNativeClasses); tests put
// in scripted ones and put back what they replaced.
//
// The tables are filled on the main thread before any loader is made and only read after, so
// they need no lock.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace ads {

class GADAdLoader;
class GADAdLoaderDelegate;
class GADAdLoaderOptions;
class GADMediatedNativeAd;
class GADNativeAd;

// The loader's option copies by class name.
using GADAdLoaderOptionsMap = std::map<std::string, std::shared_ptr<GADAdLoaderOptions>>;

// The readable name of a C++ type, "ads::GADAdLoaderDelegate" (what messages to the app name).
std::string GADDemangledTypeName(const std::type_info& type);

struct GADAdLoading {
    std::string name;
    // The protocol's readable name, and whether a delegate adopts it.
    std::string requiredDelegateProtocol;
    std::function<bool(GADAdLoaderDelegate&)> conformsToRequiredDelegateProtocol;
    // An ad of this format from the server's ad object; nothing when the object cannot make one.
    std::function<std::shared_ptr<GADNativeAd>(const platform::Value& adObject,
                                               const std::optional<GADAdLoaderOptionsMap>&)>
        make;
    // An ad of this format from a network's mediated ad (its mediated initialiser); nothing
    // when the network's object lacks the format's protocol or a required asset.
    std::function<std::shared_ptr<GADNativeAd>(const std::shared_ptr<GADMediatedNativeAd>&,
                                               const std::optional<GADAdLoaderOptionsMap>&)>
        makeMediated;
    // Added to the loader's request ("format", "custom_template_ids"); empty adds nothing.
    std::function<std::optional<platform::Value::Dictionary>(GADAdLoader&)>
        requestParametersForAdLoader;
    // The loaded ad goes to the loader's delegate through the format's callback.
    std::function<void(GADNativeAd&, GADAdLoader&)> adLoaderDidReceiveAd;

    // A descriptor whose protocol is the abstract class Protocol (derived from
    // GADAdLoaderDelegate): conformance is a cast to it.
    template <class Protocol>
    static GADAdLoading withProtocol(std::string name) {
        GADAdLoading loading;
        loading.name = std::move(name);
        loading.requiredDelegateProtocol = GADDemangledTypeName(typeid(Protocol));
        loading.conformsToRequiredDelegateProtocol = [](GADAdLoaderDelegate& delegate) {
            return dynamic_cast<Protocol*>(&delegate) != nullptr;
        };
        return loading;
    }
};

using GADAdLoadingClass = std::shared_ptr<const GADAdLoading>;

// The formats by their number: the app's ad type is its text, the server's template id of
// format "native" the number itself.
enum class GADNativeAdFormat : std::int64_t {
    Content = 1,
    AppInstall = 2,
    CustomTemplate = 3,
};

inline constexpr const char* kGADAdLoaderAdTypeNativeContent = "1";
inline constexpr const char* kGADAdLoaderAdTypeNativeAppInstall = "2";
inline constexpr const char* kGADAdLoaderAdTypeNativeCustomTemplate = "3";

class GADNativeAdClasses {
  public:
    static GADNativeAdClasses& shared();

    // Puts the class in under the format's ad type and template id; answers the class it
    // replaced (nullptr: none), so a test can put it back.
    GADAdLoadingClass setClass(GADNativeAdFormat format, GADAdLoadingClass loading);

    // Nothing for an ad type outside the table or one without a class yet.
    GADAdLoadingClass classForAdType(std::string_view adType) const;
    GADAdLoadingClass classForFormatAndTemplateID(std::string_view format,
                                                  std::int64_t templateID) const;

  private:
    GADNativeAdClasses() = default;
    std::map<std::int64_t, GADAdLoadingClass> classes_;
};

// The class of an ad type, or nothing and (when asked) "com.zivivu.ads" code 12
// "Invalid ad format requested: \"<type>\".".
GADAdLoadingClass GADNativeAdClassForAdLoaderAdType(std::string_view adType,
                                                    platform::Error* error = nullptr);
// The class of a server format and template id, or nothing and (when asked) the private
// code 3 "Invalid ad format: \"<format>\", <id>.".
GADAdLoadingClass GADNativeAdClassForFormatAndTemplateID(std::string_view format,
                                                         std::int64_t templateID,
                                                         platform::Error* error = nullptr);
// Whether the delegate adopts the class's protocol; when not, (when asked) the private code 3
// "Delegate does not conform to the required protocol, <p>. Add <p> to <class>'s protocol list.".
bool GADDelegateConformsToAdClassProtocol(GADAdLoaderDelegate& delegate,
                                          const GADAdLoading& loading,
                                          platform::Error* error = nullptr);
// The same check where the delegate or the class may be missing (either fails it; the text
// says "(null)" for what is missing).
bool GADDelegateConformsToAdClassProtocol(GADAdLoaderDelegate* delegate,
                                          const GADAdLoading* loading, platform::Error* error);

}  // namespace ads
