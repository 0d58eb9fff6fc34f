#include "ads/foundation/GADRequest.h"

#include <cinttypes>
#include <cstdio>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADDeviceSignal.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADLogger.h"
#include "ads/foundation/GADNetwork.h"
#include "ads/foundation/GADRunOnMainThread.h"
#include "ads/foundation/GADStringAdditions.h"
#include "platform/device/TimeZone.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Once.h"
#include "platform/ui/Application.h"

namespace ads {

namespace {

constexpr const char* kSDKVersion = "rade-sdk-i-v7.5.2";
constexpr const char* kPreReleaseIdentifier = "rc.1";
constexpr const char* kBuildIdentifier = "79c019728c92e2becb873e2ec68944d6bd128de1";

std::string joined(const std::vector<std::string>& pieces, const char* separator) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i) out += separator;
        out += pieces[i];
    }
    return out;
}

// A value of a list the server gets joined: texts as they are, numbers as written.
std::optional<std::string> listItemText(const platform::Value& value) {
    if (value.isString()) return value.stringRef();
    if (value.isNumber()) return value.stringValue();
    return std::nullopt;
}

}  // namespace

// Versions

const std::string& GADRequest::sdkVersion() {
    static const std::string version = kSDKVersion;
    return version;
}

std::string GADRequest::sdkVersionIdentifiers() {
    const std::string identifier = kPreReleaseIdentifier;
    return identifier.empty() ? std::string() : "-" + identifier;
}

std::string GADRequest::sdkVersionMetadata() {
    const std::string identifier = kBuildIdentifier;
    return identifier.empty() ? std::string() : "+" + identifier;
}

const std::string& GADRequest::extendedSDKVersionNumber() {
    static const std::string version =
        sdkVersion() + sdkVersionIdentifiers() + sdkVersionMetadata();
    return version;
}

int GADRequest::requestTypeFromString(std::string_view type) {
    if (type == "durez") return 2;
    if (type == "xfp") return 3;
    if (type == "adcontent") return 1;
    return 0;
}

// Life

void GADRequest::startSDKOnce() {
    static platform::Once once;
    once.call([] {
        // The device registers its start-up step when it is made, so it is made first.
        GADDevice::sharedInstance();
        GADRunOnMainThread([] { GADApplication::sharedInstance()->runEarlyActivities(); });
    });
}

std::shared_ptr<GADRequest> GADRequest::request() {
    return std::make_shared<GADRequest>(Private{});
}

GADRequest::GADRequest(Private) {
    startSDKOnce();
}

std::shared_ptr<GADRequest> GADRequest::copy() const {
    auto copy = std::make_shared<GADRequest>(Private{});
    copyInto(*copy);
    return copy;
}

void GADRequest::copyInto(GADRequest& copy) const {
    copy.networkExtrasMap_ = networkExtrasMap_;
    copy.additionalParameters_ = additionalParameters_;
    copy.testDevices_ = testDevices_;
    copy.gender_ = gender_;
    copy.birthday_ = birthday_;
    copy.keywords_ = keywords_;
    copy.contentURL_ = contentURL_;
    copy.requestAgent_ = requestAgent_;
    copy.location_ = location_;
    copy.childDirectedTreatment_ = childDirectedTreatment_;
    copy.privateMediationExtras_ = privateMediationExtras_;
    copy.formatParameters_ = formatParameters_;
    copy.responseType_ = responseType_;
    copy.mediationDepth_ = mediationDepth_;
}

// Extras

void GADRequest::registerAdNetworkExtras(std::shared_ptr<GADAdNetworkExtras> extras) {
    if (!extras) {
        GADLogger::sharedInstance().logPublicMessage(
            "Must specify extras for registerAdNetworkExtras:.");
        return;
    }
    networkExtrasMap_[extras->extrasClassName()] = std::move(extras);
}

std::shared_ptr<GADAdNetworkExtras> GADRequest::adNetworkExtrasFor(
    std::string_view className) const {
    auto found = networkExtrasMap_.find(className);
    return found == networkExtrasMap_.end() ? nullptr : found->second;
}

void GADRequest::removeAdNetworkExtrasFor(std::string_view className) {
    auto found = networkExtrasMap_.find(className);
    if (found != networkExtrasMap_.end()) networkExtrasMap_.erase(found);
}

std::shared_ptr<GADExtras> GADRequest::registeredExtras() const {
    return std::dynamic_pointer_cast<GADExtras>(adNetworkExtrasFor(GADExtras::kClassName));
}

std::optional<platform::Value::Dictionary> GADRequest::networkExtrasAdditionalParameters() {
    auto extras = registeredExtras();
    if (!extras) return std::nullopt;
    if (extras->isUseOnce()) removeAdNetworkExtrasFor(GADExtras::kClassName);
    return extras->additionalParameters();
}

void GADRequest::addAdditionalParametersFromDictionary(
    const platform::Value::Dictionary& parameters) {
    for (const auto& [key, value] : parameters) additionalParameters_[key] = value;
}

// Targeting

void GADRequest::setBirthdayWithMonth(std::int64_t month, std::int64_t day, std::int64_t year) {
    auto start = platform::TimeZone::wallSecondsAtStartOfLocalDate(year, month, day);
    birthday_ = start ? std::optional<platform::Date>(platform::Date{*start}) : std::nullopt;
}

void GADRequest::setLocationWithLatitude(double latitude, double longitude, double accuracy) {
    location_ = GADLocation::initWithLatitude(latitude, longitude, accuracy);
}

void GADRequest::setLocationWithDescription(std::string description) {
    location_ = GADLocation::initWithLocationDescription(std::move(description));
}

std::optional<std::string> GADRequest::genderString() const {
    if (gender_ == kGADGenderMale) return "1";
    if (gender_ == kGADGenderFemale) return "2";
    return std::nullopt;
}

std::optional<std::string> GADRequest::birthdayString() const {
    if (!birthday_) return std::nullopt;
    auto date = platform::TimeZone::localDate(birthday_->secondsSince1970);
    // Years of the common era only: no one was born before them.
    if (!date || date->year < 1) return std::nullopt;
    char text[32];
    std::snprintf(text, sizeof text, "%04" PRId64 "%02d%02d", date->year, date->month, date->day);
    return text;
}

std::optional<std::string> GADRequest::contentURLString() const {
    if (!contentURL_) return std::nullopt;
    std::string url = gad_stringByTrimmingWhitespaceAndNewlines(*contentURL_);
    if (url.empty()) return std::nullopt;
    return url;
}

bool GADRequest::isATestDevice() const {
    if (!testDevices_) return false;
    auto device = GADDevice::sharedInstance();
    const std::string identifier =
        device->isSimulator() ? std::string(kGADSimulatorID) : device->deviceIdentifier();
    if (identifier.empty()) return false;
    for (const platform::Value& entry : *testDevices_) {
        if (entry.isString() && entry.stringRef() == identifier) return true;
    }
    return false;
}

// Parameters

std::optional<std::pair<std::string, std::string>> GADRequest::signalPair(std::string_view signal) {
    const std::size_t equals = signal.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::size_t next = signal.find('=', equals + 1);
    std::string key(signal.substr(0, equals));
    std::string value(signal.substr(
        equals + 1, next == std::string_view::npos ? std::string_view::npos : next - equals - 1));
    if (key.empty() || value.empty()) return std::nullopt;
    return std::make_pair(std::move(key), std::move(value));
}

GADMainThreadFacts GADRequest::collectMainThreadFacts() {
    GADMainThreadFacts facts;
    auto device = GADDevice::sharedInstance();
    device->updateOrientation();
    facts.statusBarOrientation = platform::ui::Application::shared().statusBarOrientation();
    GADDeviceSignal& signals = GADDeviceSignal::shared();
    signals.initializeWithSDKVersion(sdkVersion());
    std::string signal;
    if (signals.requestSignal(signal)) facts.signal = std::move(signal);
    return facts;
}

platform::Value::Dictionary GADRequest::parameters() {
    GADMainThreadFacts facts;
    if (platform::isMainThread()) {
        facts = collectMainThreadFacts();
    } else if (!platform::MainLoop::main().syncOnMain(
                   [&facts] { facts = collectMainThreadFacts(); })) {
        // The main loop dropped the work (it is shutting down): what the device last saw.
        facts.statusBarOrientation = GADDevice::sharedInstance()->statusBarOrientation();
    }
    return parameters(facts);
}

platform::Value::Dictionary GADRequest::parameters(const GADMainThreadFacts& facts) {
    using platform::Value;
    Value::Dictionary parameters;
    auto set = [&parameters](const char* key, std::optional<Value> value) {
        if (value) parameters[key] = std::move(*value);
    };
    auto text = [](const std::optional<std::string>& value) -> std::optional<Value> {
        if (!value) return std::nullopt;
        return Value(*value);
    };

    // Left out only before the SDK core named the adapters; none present is an empty list.
    if (auto adapters = GADApplication::sharedInstance()->availableAdapterNames()) {
        set("adapters", Value(Value::Array(adapters->begin(), adapters->end())));
    }
    auto device = GADDevice::sharedInstance();
    for (auto& [key, value] : device->parameters(facts)) parameters[key] = std::move(value);
    set("js", Value(sdkVersion()));
    set("net", text(device->network()->networkTypeString()));
    set("net_last", text(device->network()->lastKnownNetworkTypeString()));
    if (device->isSimulator()) set("simulator", Value("1"));
    if (isATestDevice()) set("adtest", Value("on"));
    if (auto extras = registeredExtras(); extras && extras->additionalParameters()) {
        set("extras", Value(*extras->additionalParameters()));
    }
    set("cust_gender", text(genderString()));
    set("cust_age", text(birthdayString()));
    if (keywords_) {
        Value::Array words;
        for (const std::string& word : *keywords_) words.emplace_back(word);
        set("kw", Value(std::move(words)));
    }
    if (childDirectedTreatment_) {
        set("tag_for_child_directed_treatment", Value(GADStringFromBOOL(*childDirectedTreatment_)));
    }
    set("url", text(contentURLString()));
    set("request_agent", text(requestAgent_));
    if (location_) set("uule", location_->dictionaryRepresentation());

    if (facts.signal) {
        if (auto pair = signalPair(*facts.signal)) set(pair->first.c_str(), Value(pair->second));
    }

    std::vector<std::string> formats;
    if (formatParameters_) {
        for (const Value& format : *formatParameters_) {
            if (!format.isDictionary()) continue;
            if (const Value* name = format.find("format")) {
                if (auto item = listItemText(*name)) formats.push_back(*item);
            }
            const Value* ids = format.find("custom_template_ids");
            if (ids && ids->isArray() && !ids->asArray().empty()) {
                std::vector<std::string> texts;
                for (const Value& id : ids->asArray()) {
                    if (auto item = listItemText(id)) texts.push_back(*item);
                }
                set("native_custom_templates", Value(joined(texts, ",")));
            }
        }
    }
    const std::string templates = joined(formats, ",");
    if (!templates.empty() && responseType_ != 0) {
        set("native_templates", Value(templates));
        set("native_version", Value(responseType_));
    }

    for (const auto& [key, value] : additionalParameters_) parameters[key] = value;
    return parameters;
}

std::string GADRequest::description() const {
    std::string parts;
    if (gender_ == kGADGenderMale) parts += "\ngender:Male";
    if (gender_ == kGADGenderFemale) parts += "\ngender:Female";
    if (birthday_) parts += "\nbirthday:" + platform::Value(*birthday_).description();
    if (location_) parts += "\nlocation:" + location_->description();
    if (keywords_) {
        platform::Value::Array words(keywords_->begin(), keywords_->end());
        parts += "\nkeywords:" + platform::Value(std::move(words)).description();
    }
    if (auto extras = registeredExtras(); extras && extras->additionalParameters()) {
        parts += "\nadditionalParameters:" +
                 platform::Value(*extras->additionalParameters()).description();
    }
    char head[160];
    std::snprintf(head, sizeof head, "<%s %p: ", className(), static_cast<const void*>(this));
    return head + parts + ">";
}

}  // namespace ads
