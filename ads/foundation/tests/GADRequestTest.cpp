#include "ads/foundation/GADRequest.h"

#include <gtest/gtest.h>

#include <future>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDevice.h"
#include "ads/foundation/GADDeviceSignal.h"
#include "ads/foundation/GADExtras.h"
#include "ads/foundation/GADJSONAdditions.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADNetwork.h"
#include "ads/foundation/GADRequestError.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/testsupport/FixedDevice.h"
#include "ads/testsupport/TemporaryHome.h"
#include "platform/base/LogSink.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/testing/TempDir.h"

namespace ads {
namespace {

using platform::Value;
using Dictionary = platform::Value::Dictionary;

class GADRequestTest : public ::testing::Test {
  protected:
    // Facts as the main thread would collect them, with the given signal text.
    static GADMainThreadFacts factsWithSignal(std::optional<std::string> signal) {
        GADMainThreadFacts facts;
        facts.signal = std::move(signal);
        return facts;
    }

    static std::string deviceIdentifier() {
        return gad_MD5String(testing::FixedDevice::advertisingIdentifier().toString());
    }

    platform::MainLoopTestScope loop;
    testing::TemporaryHome home;
    testing::FixedDevice fixed;
};

TEST_F(GADRequestTest, TheFirstRequestStartsTheSDKOnTheMainThread) {
    // Made on another thread, the request hands the start-up to the main thread.
    std::promise<void> made;
    platform::GlobalQueue::async([&made] {
        GADRequest::request();
        made.set_value();
    });
    made.get_future().get();
    loop.runUntilIdle();
    EXPECT_TRUE(GADApplicationTestPeer(GADApplication::sharedInstance()).hasRunEarlyActivities());
    // Its first step cached the device's facts.
    EXPECT_TRUE(GADDevice::sharedInstance()->hasCachedStaticParameters());
    EXPECT_EQ(GADDevice::sharedInstance()->deviceModel(), "iPhone");
}

TEST_F(GADRequestTest, AFreshRequestCarriesTheDeviceTheVersionTheNetworkAndTheSignal) {
    auto request = GADRequest::request();
    GADDevice::sharedInstance()->network()->waitForPendingReports();
    const Dictionary parameters = request->parameters();

    Dictionary expected = GADDevice::sharedInstance()->parameters(GADMainThreadFacts{});
    expected["js"] = "rade-sdk-i-v7.5.2";
    expected["net"] = "wi";
    expected["net_last"] = "wi";
    ASSERT_TRUE(parameters.count("ms"));
    auto record = GADDeviceSignal::recordFromSignal("ms=" + parameters.at("ms").stringRef());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->sdkVersion, "rade-sdk-i-v7.5.2");
    expected["ms"] = parameters.at("ms");
    EXPECT_EQ(Value(parameters), Value(expected));
    // No store metadata is an empty record, and adapters nobody named yet are left out.
    EXPECT_EQ(parameters.at("ios_metadata"), Value::dictionary());
    EXPECT_FALSE(parameters.count("adapters"));

    // The server's script receives them as JSON.
    auto json = gad_JSONString(Value(parameters), false);
    ASSERT_TRUE(json);
    auto back = gad_decodedJSONObject(*json);
    ASSERT_TRUE(back);
    EXPECT_EQ((*back)["js"], Value("rade-sdk-i-v7.5.2"));
    EXPECT_EQ((*back)["u_w"], Value("320"));
}

TEST_F(GADRequestTest, AdaptersGoOnceNamedEvenWhenNoneIsPresent) {
    GADApplicationTestPeer application(GADApplication::sharedInstance());
    application.setAvailableAdapterNames(std::vector<std::string>{});
    EXPECT_EQ(GADRequest::request()->parameters(GADMainThreadFacts{})["adapters"],
              Value::array({}));
    application.setAvailableAdapterNames(std::vector<std::string>{"GADMAdapterHTML"});
    EXPECT_EQ(GADRequest::request()->parameters(GADMainThreadFacts{})["adapters"],
              Value::array({"GADMAdapterHTML"}));
    application.setAvailableAdapterNames(std::nullopt);
    EXPECT_FALSE(GADRequest::request()->parameters(GADMainThreadFacts{}).count("adapters"));
}

TEST_F(GADRequestTest, TargetingBecomesItsKeys) {
    auto request = GADRequest::request();
    request->setGender(3);
    request->setContentURL("   ");
    request->setKeywords(std::vector<std::string>{"cars", "burgers"});
    request->tagForChildDirectedTreatment(false);
    request->setRequestAgent("wrapper-1.0");
    Dictionary parameters = request->parameters(GADMainThreadFacts{});
    EXPECT_FALSE(parameters.count("cust_gender"));
    EXPECT_FALSE(parameters.count("url"));
    EXPECT_EQ(parameters["kw"], Value::array({"cars", "burgers"}));
    EXPECT_EQ(parameters["tag_for_child_directed_treatment"], Value("0"));
    EXPECT_EQ(parameters["request_agent"], Value("wrapper-1.0"));

    request->setGender(kGADGenderFemale);
    request->setContentURL(" example ");
    parameters = request->parameters(GADMainThreadFacts{});
    EXPECT_EQ(parameters["cust_gender"], Value("2"));
    EXPECT_EQ(parameters["url"], Value("example"));
    // Line breaks and the wide blanks of other scripts are blanks too.
    request->setContentURL("\n\thttp://example.com/a b\xE3\x80\x80");
    EXPECT_EQ(request->contentURLString(), "http://example.com/a b");
    request->setContentURL(std::nullopt);
    EXPECT_EQ(request->contentURLString(), std::nullopt);
}

TEST_F(GADRequestTest, ABirthdayIsTheSameDayInEveryZone) {
    for (const char* zone : {"UTC0", "LINT-14", "JST-9", "EST5EDT,M3.2.0,M11.1.0", "BIT12"}) {
        platform::testing::ScopedEnv tz("TZ", zone);
        auto request = GADRequest::request();
        request->setBirthdayWithMonth(2, 1, 1990);
        EXPECT_EQ(request->birthdayString(), "19900201") << zone;
        EXPECT_EQ(request->parameters(GADMainThreadFacts{})["cust_age"], Value("19900201")) << zone;
    }
    auto request = GADRequest::request();
    request->setBirthdayWithMonth(1, 1, std::int64_t{1} << 50);
    EXPECT_EQ(request->birthday(), std::nullopt);
    EXPECT_FALSE(request->parameters(GADMainThreadFacts{}).count("cust_age"));
}

TEST_F(GADRequestTest, LocationsThatArePlacesGoAsTheirRecord) {
    auto request = GADRequest::request();
    request->setLocationWithLatitude(91, 0, 10);
    EXPECT_EQ(request->location(), std::nullopt);
    request->setLocationWithLatitude(0, 0, 10);
    EXPECT_EQ(request->location(), std::nullopt);
    request->setLocationWithDescription("");
    EXPECT_EQ(request->location(), std::nullopt);
    EXPECT_FALSE(request->parameters(GADMainThreadFacts{}).count("uule"));

    request->setLocationWithLatitude(35.5, -120.25, 20);
    Value uule = request->parameters(GADMainThreadFacts{})["uule"];
    EXPECT_EQ(uule["lat"], Value(355000000));
    EXPECT_EQ(uule["long"], Value(-1202500000));
    EXPECT_EQ(uule["radius"], Value(20000.0));

    // On the equator.
    request->setLocationWithLatitude(0, 32.58, 5);
    uule = request->parameters(GADMainThreadFacts{})["uule"];
    EXPECT_EQ(uule["lat"], Value(0));
    EXPECT_EQ(uule["long"], Value(325800000));

    // A place by name is not sent as a record.
    request->setLocationWithDescription("Kampala");
    EXPECT_FALSE(request->parameters(GADMainThreadFacts{}).count("uule"));
}

TEST_F(GADRequestTest, TestDevicesMatchOnlyThisDevicesIdentifier) {
    auto request = GADRequest::request();
    request->setTestDevices(Value::Array{"", 42, deviceIdentifier()});
    EXPECT_TRUE(request->isATestDevice());
    EXPECT_EQ(request->parameters(GADMainThreadFacts{})["adtest"], Value("on"));

    request->setTestDevices(Value::Array{"0123456789abcdef0123456789abcdef", kGADSimulatorID});
    EXPECT_FALSE(request->isATestDevice());
    EXPECT_FALSE(request->parameters(GADMainThreadFacts{}).count("adtest"));

    // With tracking limited the identifier is empty, and an empty entry matches nothing.
    fixed.setTrackingEnabled(false);
    request->setTestDevices(Value::Array{"", deviceIdentifier()});
    EXPECT_FALSE(request->isATestDevice());
}

TEST_F(GADRequestTest, ExtrasUsedOnceLeaveAfterOneRead) {
    auto request = GADRequest::request();
    const Dictionary extras{{"_useOnce", true}, {"color", "red"}};
    request->registerAdNetworkExtras(GADExtras::create(extras));
    EXPECT_EQ(request->parameters(GADMainThreadFacts{})["extras"], Value(extras));
    EXPECT_EQ(request->parameters(GADMainThreadFacts{})["extras"], Value(extras));
    EXPECT_EQ(request->networkExtrasAdditionalParameters(), extras);
    EXPECT_EQ(request->adNetworkExtrasFor<GADExtras>(), nullptr);
    EXPECT_EQ(request->networkExtrasAdditionalParameters(), std::nullopt);
    EXPECT_FALSE(request->parameters(GADMainThreadFacts{}).count("extras"));

    // Without "_useOnce" (or with it false) they stay; a later registration replaces.
    request->registerAdNetworkExtras(GADExtras::create(Dictionary{{"_useOnce", "0"}}));
    request->registerAdNetworkExtras(GADExtras::create(Dictionary{{"a", 1}}));
    EXPECT_EQ(request->networkExtrasAdditionalParameters(), (Dictionary{{"a", 1}}));
    EXPECT_EQ(request->networkExtrasAdditionalParameters(), (Dictionary{{"a", 1}}));

    platform::LogSink::Capture capture;
    request->registerAdNetworkExtras(nullptr);
    GADLogFlush();
    EXPECT_TRUE(capture.contains("<Zivivu> Must specify extras for registerAdNetworkExtras:."));
    EXPECT_NE(request->adNetworkExtrasFor(GADExtras::kClassName), nullptr);
    request->removeAdNetworkExtrasFor(GADExtras::kClassName);
    EXPECT_EQ(request->adNetworkExtrasFor(GADExtras::kClassName), nullptr);
}

TEST_F(GADRequestTest, OnlyOneWellFormedSignalPairIsSent) {
    auto request = GADRequest::request();
    Dictionary parameters = request->parameters(factsWithSignal("key=value=more"));
    EXPECT_EQ(parameters["key"], Value("value"));
    for (const char* bad : {"=value", "key=", "novalue", "", "=", "key==value"}) {
        const Dictionary without = request->parameters(factsWithSignal(bad));
        EXPECT_EQ(without, request->parameters(factsWithSignal(std::nullopt))) << bad;
    }
}

TEST_F(GADRequestTest, NativeFormatsAndTheirTemplates) {
    auto request = GADRequest::request();
    request->setFormatParameters(Value::Array{
        Value::dictionary({{"format", "a"}}),
        Value::dictionary({{"format", "b"}, {"custom_template_ids", Value::array({1, "2"})}}),
        "not a dictionary",
    });
    request->setResponseType(3);
    Dictionary parameters = request->parameters(GADMainThreadFacts{});
    EXPECT_EQ(parameters["native_templates"], Value("a,b"));
    EXPECT_EQ(parameters["native_version"], Value(3));
    EXPECT_EQ(parameters["native_custom_templates"], Value("1,2"));

    request->setResponseType(0);
    parameters = request->parameters(GADMainThreadFacts{});
    EXPECT_FALSE(parameters.count("native_templates"));
    EXPECT_FALSE(parameters.count("native_version"));
    EXPECT_EQ(parameters["native_custom_templates"], Value("1,2"));

    // An empty id list names no templates.
    request->setFormatParameters(
        Value::Array{Value::dictionary({{"custom_template_ids", Value::array()}})});
    EXPECT_FALSE(request->parameters(GADMainThreadFacts{}).count("native_custom_templates"));
}

TEST_F(GADRequestTest, AdditionalParametersWinAndRequestTypesAreExact) {
    auto request = GADRequest::request();
    request->addAdditionalParametersFromDictionary({{"js", "wrapped"}, {"x", 1}});
    request->addAdditionalParametersFromDictionary({{"x", 2}});
    const Dictionary parameters = request->parameters(GADMainThreadFacts{});
    EXPECT_EQ(parameters.at("js"), Value("wrapped"));
    EXPECT_EQ(parameters.at("x"), Value(2));

    EXPECT_EQ(GADRequest::requestTypeFromString("durez"), 2);
    EXPECT_EQ(GADRequest::requestTypeFromString("xfp"), 3);
    EXPECT_EQ(GADRequest::requestTypeFromString("adcontent"), 1);
    EXPECT_EQ(GADRequest::requestTypeFromString("Durez"), 0);
    EXPECT_EQ(GADRequest::requestTypeFromString(""), 0);

    EXPECT_EQ(GADRequest::sdkVersion(), "rade-sdk-i-v7.5.2");
    EXPECT_EQ(GADRequest::extendedSDKVersionNumber(),
              "rade-sdk-i-v7.5.2-rc.1+79c019728c92e2becb873e2ec68944d6bd128de1");
    EXPECT_STREQ(kGADSDKVersionString, "7.5.2");
    EXPECT_STREQ(kGADSimulatorID, "Simulator");
}

TEST_F(GADRequestTest, ACopyOwnsItsDictionariesAndSharesItsExtras) {
    auto request = GADRequest::request();
    auto extras = GADExtras::create(Dictionary{{"a", 1}});
    request->registerAdNetworkExtras(extras);
    request->addAdditionalParametersFromDictionary({{"p", 1}});
    request->setGender(kGADGenderMale);
    request->setLocationWithDescription("Oslo");
    request->setTestDevices(Value::Array{"x"});
    request->setResponseType(3);

    auto copy = request->copy();
    copy->addAdditionalParametersFromDictionary({{"q", 2}});
    copy->removeAdNetworkExtrasFor(GADExtras::kClassName);
    EXPECT_EQ(request->additionalParameters(), (Dictionary{{"p", 1}}));
    EXPECT_EQ(request->adNetworkExtrasFor<GADExtras>(), extras);
    EXPECT_EQ(copy->gender(), kGADGenderMale);
    EXPECT_EQ(copy->location(), request->location());
    EXPECT_EQ(copy->testDevices(), request->testDevices());
    EXPECT_EQ(copy->responseType(), 3);

    auto again = request->copy();
    EXPECT_EQ(again->adNetworkExtrasFor<GADExtras>(), extras);

    request->setBirthdayWithMonth(2, 1, 1990);
    request->setKeywords(std::vector<std::string>{"k"});
    const std::string text = request->description();
    EXPECT_EQ(text.rfind("<GADRequest 0x", 0), 0u);
    EXPECT_NE(text.find("\ngender:Male"), std::string::npos);
    EXPECT_NE(text.find("\nlocation:<GADLocation: Oslo>"), std::string::npos);
    EXPECT_NE(text.find("\nbirthday:1990-02-01"), std::string::npos);
    EXPECT_NE(text.find("\nkeywords:"), std::string::npos);
    EXPECT_NE(text.find("\nadditionalParameters:"), std::string::npos);
}

TEST_F(GADRequestTest, ParametersFromAnotherThread) {
    auto request = GADRequest::request();
    // With the main thread's facts in hand, a pool thread builds the parameters while the
    // main thread waits for it: nothing on the way needs the main thread.
    const GADMainThreadFacts facts = GADRequest::collectMainThreadFacts();
    ASSERT_TRUE(facts.signal);
    std::promise<Dictionary> built;
    platform::GlobalQueue::async([&] { built.set_value(request->parameters(facts)); });
    Dictionary parameters = built.get_future().get();
    EXPECT_EQ(parameters["js"], Value("rade-sdk-i-v7.5.2"));
    EXPECT_TRUE(parameters.count("ms"));

    // Without them, the pool thread asks the main thread, which must be running its loop.
    std::promise<Dictionary> asked;
    auto answer = asked.get_future();
    platform::GlobalQueue::async([&] { asked.set_value(request->parameters()); });
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        loop.loop().runOnce(0.01);
    }
    parameters = answer.get();
    EXPECT_TRUE(parameters.count("ms"));
    EXPECT_EQ(parameters["u_so"], Value("p"));
}

TEST_F(GADRequestTest, ErrorsOfARequestCarryItsParametersForInvalidRequestsOnly) {
    auto request = GADRequest::request();
    request->addAdditionalParametersFromDictionary({{"why", "no ad unit"}});
    const GADRequestError invalid = GADRequestError::errorWithCodeRequest(0, request);
    EXPECT_EQ(invalid.userInfo["why"], Value("no ad unit"));
    EXPECT_EQ(invalid.userInfo["js"], Value("rade-sdk-i-v7.5.2"));
    const GADRequestError server =
        GADRequestError::errorWithCodeRequest(3, request, 503, std::string("busy"));
    EXPECT_FALSE(server.userInfo.contains("why"));
    EXPECT_EQ(
        server.userInfo[GADRequestError::kHttpStatusKey].stringRef().rfind("HTTP status 503", 0),
        0u);
    EXPECT_FALSE(GADRequestError::errorWithCodeRequest(0, nullptr).userInfo.contains("js"));
}

}  // namespace
}  // namespace ads
