#pragma once

// What an app asks for when it requests an ad: test devices, audience targeting (gender,
// birthday, location, keywords), the content URL around the ad, the child-directed tag, the
// agent of a wrapping library, extras for the ad server and for mediated networks and, from
// the native ad loader, the native formats and response type. parameters() turns a request,
// with the SDK's facts about the app and the device, into the parameters the ad server's
// script receives: this is where the keys common to every ad request are made.
//
// A request is a value its creator owns and changes on one thread at a time; slots keep
// copies. The first request made starts the SDK (on the main thread). Building parameters
// needs a few facts of the main thread (GADMainThreadFacts): parameters(facts) takes them
// collected and runs on any queue without waiting; parameters() collects them itself, at once
// on the main thread and otherwise by waiting for the main thread, so it must not be called
// from a thread the main thread is waiting for.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ads/foundation/GADAdNetworkExtras.h"
#include "ads/foundation/GADLocation.h"
#include "ads/foundation/GADMainThreadFacts.h"
#include "platform/base/Value.h"

namespace ads {

class GADExtras;

// The SDK's version as apps and native ads name it.
inline constexpr const char* kGADSDKVersionString = "7.5.2";
// Stands for the simulator in a request's test devices.
inline constexpr const char* kGADSimulatorID = "Simulator";

// Stored and sent as these numbers.
enum GADGender : std::int64_t {
    kGADGenderUnknown = 0,
    kGADGenderMale = 1,
    kGADGenderFemale = 2,
};

class GADRequest : public std::enable_shared_from_this<GADRequest> {
  public:
    static std::shared_ptr<GADRequest> request();
    virtual ~GADRequest() = default;
    GADRequest(const GADRequest&) = delete;
    GADRequest& operator=(const GADRequest&) = delete;
    // A request of the same kind with copies of the parameter dictionaries; extras objects and
    // the other values are shared or copied as values.
    virtual std::shared_ptr<GADRequest> copy() const;

    // "rade-sdk-i-v7.5.2"
    static const std::string& sdkVersion();
    // "-rc.1", or "" without a pre-release identifier.
    static std::string sdkVersionIdentifiers();
    // "+" and the build identifier, or "" without one.
    static std::string sdkVersionMetadata();
    // The three joined.
    static const std::string& extendedSDKVersionNumber();
    // "durez" 2, "xfp" 3, "adcontent" 1, anything else (also in other letter cases) 0.
    static int requestTypeFromString(std::string_view type);

    // Extras, by the name of their class. A later registration of a class replaces the
    // earlier one; none logs a message for the developer and stores nothing.
    void registerAdNetworkExtras(std::shared_ptr<GADAdNetworkExtras> extras);
    std::shared_ptr<GADAdNetworkExtras> adNetworkExtrasFor(std::string_view className) const;
    template <typename T>
    std::shared_ptr<T> adNetworkExtrasFor() const {
        return std::dynamic_pointer_cast<T>(adNetworkExtrasFor(T::kClassName));
    }
    void removeAdNetworkExtrasFor(std::string_view className);
    // The registered GADExtras' parameters. When they ask to be used once ("_useOnce"), the
    // GADExtras leaves the request with this read (and the parameters are still answered).
    std::optional<platform::Value::Dictionary> networkExtrasAdditionalParameters();

    // Parameters the SDK adds; merged last, so they win over every other key.
    const platform::Value::Dictionary& additionalParameters() const {
        return additionalParameters_;
    }
    void addAdditionalParametersFromDictionary(const platform::Value::Dictionary& parameters);

    // Targeting
    const std::optional<platform::Value::Array>& testDevices() const { return testDevices_; }
    void setTestDevices(std::optional<platform::Value::Array> devices) {
        testDevices_ = std::move(devices);
    }
    std::int64_t gender() const { return gender_; }
    void setGender(std::int64_t gender) { gender_ = gender; }
    const std::optional<platform::Date>& birthday() const { return birthday_; }
    void setBirthday(std::optional<platform::Date> birthday) { birthday_ = birthday; }
    // That day's midnight in the user's time zone; nothing for a date that cannot be made.
    void setBirthdayWithMonth(std::int64_t month, std::int64_t day, std::int64_t year);
    const std::optional<std::vector<std::string>>& keywords() const { return keywords_; }
    void setKeywords(std::optional<std::vector<std::string>> keywords) {
        keywords_ = std::move(keywords);
    }
    const std::optional<std::string>& contentURL() const { return contentURL_; }
    void setContentURL(std::optional<std::string> url) { contentURL_ = std::move(url); }
    const std::optional<std::string>& requestAgent() const { return requestAgent_; }
    void setRequestAgent(std::optional<std::string> agent) { requestAgent_ = std::move(agent); }
    const std::optional<GADLocation>& location() const { return location_; }
    void setLocation(std::optional<GADLocation> location) { location_ = std::move(location); }
    // Replace the location; values a location refuses leave none.
    void setLocationWithLatitude(double latitude, double longitude, double accuracy);
    void setLocationWithDescription(std::string description);
    const std::optional<bool>& childDirectedTreatment() const { return childDirectedTreatment_; }
    void tagForChildDirectedTreatment(bool childDirected) {
        childDirectedTreatment_ = childDirected;
    }
    const std::optional<platform::Value::Dictionary>& privateMediationExtras() const {
        return privateMediationExtras_;
    }
    void setPrivateMediationExtras(std::optional<platform::Value::Dictionary> extras) {
        privateMediationExtras_ = std::move(extras);
    }
    // One dictionary per requested native format.
    const std::optional<platform::Value::Array>& formatParameters() const {
        return formatParameters_;
    }
    void setFormatParameters(std::optional<platform::Value::Array> parameters) {
        formatParameters_ = std::move(parameters);
    }
    // 0 for an ordinary request; the native ad loader asks for 3.
    std::int64_t responseType() const { return responseType_; }
    void setResponseType(std::int64_t type) { responseType_ = type; }
    // How many waterfalls of our own ads this request was made for: 0 for an app's request,
    // one more than its slot's request for the one an adapter of our own ads makes (the one
    // that carries "gw"). Never sent; the waterfall reads it so that answers naming our own
    // network again cannot nest banners without end.
    int mediationDepth() const { return mediationDepth_; }
    void setMediationDepth(int depth) { mediationDepth_ = depth; }

    // "1", "2" or nothing.
    std::optional<std::string> genderString() const;
    // "yyyyMMdd" in the user's time zone.
    std::optional<std::string> birthdayString() const;
    // Without surrounding blanks and line breaks; nothing when nothing remains.
    std::optional<std::string> contentURLString() const;
    // Whether a test device entry is this device's identifier (never while ad tracking is
    // limited: the identifier is empty then).
    bool isATestDevice() const;

    // The signal component's text as the one pair it should be: the text before the first
    // "=" and the text up to the next one, both non-empty; nothing otherwise.
    static std::optional<std::pair<std::string, std::string>> signalPair(std::string_view signal);
    // The main-thread facts as they are now. Main thread.
    static GADMainThreadFacts collectMainThreadFacts();
    virtual platform::Value::Dictionary parameters(const GADMainThreadFacts& facts);
    platform::Value::Dictionary parameters();

    // "<GADRequest 0x...: ...>" with gender, birthday, location, keywords and extras.
    std::string description() const;
    virtual const char* className() const { return "GADRequest"; }

  protected:
    struct Private {};
    // Copies every field into the new request (subclasses add their own).
    void copyInto(GADRequest& copy) const;

  public:
    explicit GADRequest(Private);

  private:
    static void startSDKOnce();
    std::shared_ptr<GADExtras> registeredExtras() const;

    std::map<std::string, std::shared_ptr<GADAdNetworkExtras>, std::less<>> networkExtrasMap_;
    platform::Value::Dictionary additionalParameters_;
    std::optional<platform::Value::Array> testDevices_;
    std::int64_t gender_ = kGADGenderUnknown;
    std::optional<platform::Date> birthday_;
    std::optional<std::vector<std::string>> keywords_;
    std::optional<std::string> contentURL_;
    std::optional<std::string> requestAgent_;
    std::optional<GADLocation> location_;
    std::optional<bool> childDirectedTreatment_;
    std::optional<platform::Value::Dictionary> privateMediationExtras_;
    std::optional<platform::Value::Array> formatParameters_;
    std::int64_t responseType_ = 0;
    int mediationDepth_ = 0;
};

}  // namespace ads
