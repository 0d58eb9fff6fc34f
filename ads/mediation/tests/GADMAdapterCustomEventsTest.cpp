#include "ads/mediation/GADMAdapterCustomEvents.h"

#include <gtest/gtest.h>

#include "MediationTestSupport.h"
#include "ScriptedCustomEvent.h"
#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADLog.h"
#include "ads/foundation/GADRequest.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/fullscreen/GADFullScreenRoom.h"
#include "ads/mediation/GADCustomEventExtras.h"
#include "ads/mediation/GADCustomEventRequest.h"
#include "ads/mediation/GADMAdNetworkConnector.h"
#include "ads/mediation/GADMediationRoom.h"
#include "ads/slot/GADSlotRoom.h"
#include "platform/base/LogSink.h"
#include "platform/ui/ViewController.h"

namespace ads {
namespace {

using platform::Value;
using testing::CustomEventClass;
using testing::ScriptedCustomEvent;
using Answer = ScriptedCustomEvent::Answer;

// A connector whose entry and targeting a test sets, and which notes every callback.
class RecordingConnector : public GADMAdNetworkConnector {
  public:
    Value::Dictionary entry;
    std::shared_ptr<const GADAdNetworkExtras> extras;
    std::int64_t gender = kGADGenderUnknown;
    std::optional<std::vector<std::string>> keywords;
    std::optional<platform::Date> birthday;
    bool testing = false;
    std::shared_ptr<platform::ui::ViewController> controller;
    std::vector<std::string> calls;
    std::vector<platform::Error> errors;

    void forget() {
        calls.clear();
        errors.clear();
    }
    Value::Dictionary credentials() const override { return entry; }
    std::shared_ptr<const GADAdNetworkExtras> networkExtras() const override { return extras; }
    std::int64_t userGender() const override { return gender; }
    std::optional<std::vector<std::string>> userKeywords() const override { return keywords; }
    std::optional<platform::Date> userBirthday() const override { return birthday; }
    bool testMode() const override { return testing; }
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView()
        const override {
        return controller;
    }

    void adapterDidFailAd(Adapter&, const platform::Error& error) override {
        calls.push_back("fail");
        errors.push_back(error);
    }
    void adapterDidReceiveAdView(Adapter&, const std::shared_ptr<platform::ui::View>&) override {
        calls.push_back("view");
    }
    void adapterDidReceiveInterstitial(Adapter&) override { calls.push_back("interstitial"); }
    void adapterDidGetAdClick(Adapter&) override { calls.push_back("click"); }
    void adapterWillLeaveApplication(Adapter&) override { calls.push_back("leave"); }
    void adapterWillPresentFullScreenModal(Adapter&) override {
        calls.push_back("willPresentModal");
    }
    void adapterWillDismissFullScreenModal(Adapter&) override {
        calls.push_back("willDismissModal");
    }
    void adapterDidDismissFullScreenModal(Adapter&) override { calls.push_back("didDismissModal"); }
    void adapterWillPresentInterstitial(Adapter&) override { calls.push_back("willPresent"); }
    void adapterWillDismissInterstitial(Adapter&) override { calls.push_back("willDismiss"); }
    void adapterDidDismissInterstitial(Adapter&) override { calls.push_back("didDismiss"); }
};

class GADMAdapterCustomEventsTest : public ::testing::Test {
  protected:
    GADMAdapterCustomEventsTest() {
        GADFullScreenRoom::load();
        GADSlotRoom::load();
        registerMediationClasses();
        adapter = platform::ClassRegistry::shared().create<GADMAdNetworkAdapterProtocol>(
            GADMAdapterCustomEvents::kClassName);
        customEvents = std::dynamic_pointer_cast<GADMAdapterCustomEvents>(adapter);
        adapter->initWithGADMAdNetworkConnector(connector);
    }
    void entryNaming(const std::string& className) {
        connector->entry = {{"class_name", Value(className)},
                            {"parameter", Value("server-parameter")},
                            {"label", Value("the-label")}};
    }
    // The one failure the connector heard, in the adapter's own domain.
    std::string failure() const {
        EXPECT_EQ(connector->calls, std::vector<std::string>{"fail"});
        if (connector->errors.size() != 1) return {};
        EXPECT_TRUE(connector->errors[0].is("ad_mediation", 1));
        return connector->errors[0].localizedDescription();
    }
    std::string logged() {
        GADLogFlush();
        std::string all;
        for (const auto& line : logs.lines()) all += line + "\n";
        return all;
    }

    testing::AdsTestScope scope;
    platform::LogSink::Capture logs;
    std::shared_ptr<RecordingConnector> connector = std::make_shared<RecordingConnector>();
    std::shared_ptr<GADMAdNetworkAdapterProtocol> adapter;
    std::shared_ptr<GADMAdapterCustomEvents> customEvents;
};

TEST_F(GADMAdapterCustomEventsTest, IsRegisteredAsABuiltInAdapterWithItsClassFacts) {
    auto& registry = platform::ClassRegistry::shared();
    const std::string name = GADMAdapterCustomEvents::kClassName;
    ASSERT_TRUE(customEvents);
    EXPECT_TRUE(registry.conformsTo(name, "GADMAdNetworkAdapter"));
    for (const char* call :
         {"getBannerWithSize:", "getInterstitial",
          "getNativeAdWithAdTypes:options:", "presentInterstitialFromRootViewController:"}) {
        EXPECT_TRUE(registry.instancesRespondTo(name, call)) << call;
    }
    EXPECT_FALSE(registry.instancesRespondTo(name, "changeAdSizeTo:"));
    const auto record = registry.classRecord<GADMAdapterClassRecord>(name);
    ASSERT_TRUE(record && record->adapterVersion);
    EXPECT_EQ(record->adapterVersion(), GADRequest::sdkVersion());
    EXPECT_EQ(record->networkExtrasClass, "GADCustomEventExtras");
    EXPECT_EQ(adapter->adapterVersion(), GADRequest::sdkVersion());
    EXPECT_TRUE(adapter->isBannerAnimationOK(3));
    EXPECT_EQ(GADApplicationTestPeer::availableAdapterNamesInSet({name}),
              std::set<std::string>{name});
    EXPECT_TRUE(GADApplication::classImplementsCurrentAdapterAPI(name));
}

TEST_F(GADMAdapterCustomEventsTest, AnEntryWithoutAStringClassNameFailsAndLogsNothing) {
    for (const Value& name : {Value(), Value(12), Value(Value::Array{Value("Cls")})}) {
        SCOPED_TRACE(name.description());
        connector->forget();
        connector->entry.clear();
        if (!name.isNull()) connector->entry["class_name"] = name;
        adapter->getBannerWithSize(kGADAdSizeBanner);
        EXPECT_EQ(failure(), "No class name for the Custom Event.");
    }
    EXPECT_EQ(logged(), "");
}

TEST_F(GADMAdapterCustomEventsTest, AnUnknownClassFailsAndIsLogged) {
    entryNaming("NoSuchPublisherClass");
    adapter->getInterstitial();
    const std::string text = "Cannot find Custom Event class named NoSuchPublisherClass.";
    EXPECT_EQ(failure(), text);
    EXPECT_NE(logged().find(text), std::string::npos);
    // A name the registry knows but cannot make a custom event of counts as unknown.
    platform::ClassRegistry::shared().registerName("NamedOnlyPublisherClass", "NSObject",
                                                   {GADCustomEventBanner::kProtocolName});
    entryNaming("NamedOnlyPublisherClass");
    connector->forget();
    adapter->getBannerWithSize(kGADAdSizeBanner);
    EXPECT_EQ(failure(), "Cannot find Custom Event class named NamedOnlyPublisherClass.");
    platform::ClassRegistry::shared().unregisterClass("NamedOnlyPublisherClass");
}

TEST_F(GADMAdapterCustomEventsTest, AClassThatCannotServeTheFormatIsNeverMade) {
    auto bannerOnly = CustomEventClass::banner();
    entryNaming(bannerOnly.name());
    adapter->getInterstitial();
    const std::string text = "Custom Event class " + bannerOnly.name() +
                             " does not conform to the GADCustomEventInterstitial protocol.";
    EXPECT_EQ(failure(), text);
    EXPECT_EQ(bannerOnly.record().made, 0);
    EXPECT_NE(logged().find(text), std::string::npos);
    EXPECT_EQ(customEvents->customEventInterstitial(), nullptr);

    // An interstitial-only class asked for a banner, likewise.
    CustomEventClass interstitialOnly({GADCustomEventInterstitial::kProtocolName});
    entryNaming(interstitialOnly.name());
    connector->forget();
    adapter->getBannerWithSize(kGADAdSizeBanner);
    EXPECT_EQ(failure(), "Custom Event class " + interstitialOnly.name() +
                             " does not conform to the GADCustomEventBanner protocol.");
    EXPECT_EQ(interstitialOnly.record().made, 0);

    // A class declaring a protocol its objects lack is made, but refused all the same.
    class PlainBanner : public GADCustomEventBanner {
      public:
        void requestBannerAd(const GADAdSize&, const std::optional<std::string>&,
                             const std::optional<std::string>&,
                             const std::shared_ptr<const GADCustomEventRequest>&) override {}
    };
    platform::ClassRegistry::shared().registerClass<GADCustomEvent>(
        "MisdeclaredPublisherClass", "NSObject", {GADCustomEventInterstitial::kProtocolName},
        [] { return std::make_shared<PlainBanner>(); });
    entryNaming("MisdeclaredPublisherClass");
    connector->forget();
    adapter->getInterstitial();
    EXPECT_EQ(failure(),
              "Custom Event class MisdeclaredPublisherClass does not conform to the "
              "GADCustomEventInterstitial protocol.");
    platform::ClassRegistry::shared().unregisterClass("MisdeclaredPublisherClass");
}

TEST_F(GADMAdapterCustomEventsTest, TheRequestCopiesTheTargetingAndTheExtrasOfTheLabel) {
    auto publisher = CustomEventClass::banner(Answer::Silence);
    entryNaming(publisher.name());
    auto extras = std::make_shared<GADCustomEventExtras>();
    extras->setExtras(Value::Dictionary{{"mine", Value("1")}}, std::string("the-label"));
    extras->setExtras(Value::Dictionary{{"theirs", Value("2")}}, std::string("other-label"));
    connector->extras = extras;
    connector->gender = kGADGenderMale;
    connector->keywords = std::vector<std::string>{"sport", "tilt"};
    connector->birthday = platform::Date{86400};
    connector->testing = true;
    adapter->getBannerWithSize(kGADAdSizeLargeBanner);
    EXPECT_EQ(publisher.record().calls,
              std::vector<std::string>{"banner 320x100 server-parameter the-label"});
    const auto request = publisher.record().request;
    ASSERT_TRUE(request);
    // Later changes to the connector's answers do not reach a request already made.
    connector->gender = kGADGenderFemale;
    connector->keywords.reset();
    extras->setExtras(Value::Dictionary{{"mine", Value("changed")}}, std::string("the-label"));
    EXPECT_EQ(request->userGender(), kGADGenderMale);
    EXPECT_EQ(request->userKeywords(), (std::vector<std::string>{"sport", "tilt"}));
    EXPECT_EQ(request->userBirthday(), platform::Date{86400});
    EXPECT_TRUE(request->isTesting());
    EXPECT_FALSE(request->userHasLocation());
    EXPECT_EQ(request->userLatitude(), 0.0);
    EXPECT_EQ(request->userLocationDescription(), std::nullopt);
    ASSERT_TRUE(request->additionalParameters());
    EXPECT_EQ(request->additionalParameters()->at("mine").stringRef(), "1");
    EXPECT_EQ(request->additionalParameters()->count("theirs"), 0u);

    // Extras under another label, a label that is no string, or no extras at all: nothing.
    struct Case {
        Value label;
        bool withExtras;
    };
    for (const Case& c : {Case{Value("unregistered"), true}, Case{Value(7), true},
                          Case{Value("the-label"), false}}) {
        connector->entry["label"] = c.label;
        connector->extras = c.withExtras ? extras : nullptr;
        adapter->getBannerWithSize(kGADAdSizeBanner);
        EXPECT_EQ(publisher.record().request->additionalParameters(), std::nullopt);
    }
    // A parameter that is no string reaches the object as none.
    connector->entry["parameter"] = Value(Value::dictionary());
    adapter->getBannerWithSize(kGADAdSizeBanner);
    EXPECT_EQ(publisher.record().calls.back(), "banner 320x50 (none) the-label");
}

TEST_F(GADMAdapterCustomEventsTest, ExtrasAreKeptByLabel) {
    GADCustomEventExtras extras;
    extras.setExtras(Value::Dictionary{{"a", Value(1)}}, std::string("one"));
    extras.setExtras(Value::Dictionary{{"b", Value(2)}}, std::nullopt);
    EXPECT_NE(logged().find("Must specify a label for extras."), std::string::npos);
    ASSERT_EQ(extras.allExtras().size(), 1u);
    EXPECT_EQ(extras.extrasForLabel(std::string("one"))->at("a").asInteger(), 1);
    EXPECT_EQ(extras.extrasForLabel(std::nullopt), std::nullopt);
    EXPECT_EQ(extras.extrasForLabel(std::string("two")), std::nullopt);
    // No dictionary takes the label's entry away.
    extras.setExtras(Value::Dictionary{{"c", Value(3)}}, std::string("two"));
    extras.setExtras(std::nullopt, std::string("one"));
    EXPECT_EQ(extras.extrasForLabel(std::string("one")), std::nullopt);
    EXPECT_EQ(extras.allExtras().size(), 1u);
    extras.removeAllExtras();
    EXPECT_TRUE(extras.allExtras().empty());
    EXPECT_EQ(extras.extrasClassName(), "GADCustomEventExtras");
}

TEST_F(GADMAdapterCustomEventsTest, EveryBannerReportReachesTheConnectorInBothForms) {
    auto publisher = CustomEventClass::banner();
    entryNaming(publisher.name());
    connector->controller = platform::ui::ViewController::create();
    adapter->getBannerWithSize(kGADAdSizeBanner);
    auto object = publisher.last();
    ASSERT_TRUE(object);
    auto delegate = object->bannerDelegate();
    ASSERT_EQ(delegate.get(), static_cast<GADCustomEventBannerDelegate*>(customEvents.get()));
    EXPECT_EQ(customEvents->customEventBanner(), object);
    delegate->customEventBannerWasClicked(*object);
    delegate->customEventBannerClickDidOccurInAd(*object, object->view());
    delegate->customEventBannerWillPresentModal(*object);
    delegate->customEventBannerWillDismissModal(*object);
    delegate->customEventBannerDidDismissModal(*object);
    delegate->customEventBannerWillLeaveApplication(*object);
    EXPECT_EQ(delegate->viewControllerForPresentingModalView(), connector->controller);
    EXPECT_EQ(connector->calls,
              (std::vector<std::string>{"view", "click", "click", "willPresentModal",
                                        "willDismissModal", "didDismissModal", "leave"}));
    // The publisher's own error passes through unchanged.
    connector->calls.clear();
    delegate->customEventBannerDidFailAd(*object, ScriptedCustomEvent::publisherError());
    ASSERT_EQ(connector->errors.size(), 1u);
    EXPECT_EQ(connector->errors[0], ScriptedCustomEvent::publisherError());
}

TEST_F(GADMAdapterCustomEventsTest, EveryInterstitialReportReachesTheConnectorInBothForms) {
    CustomEventClass publisher({GADCustomEventInterstitial::kProtocolName});
    entryNaming(publisher.name());
    adapter->getInterstitial();
    auto object = publisher.last();
    ASSERT_TRUE(object);
    EXPECT_EQ(publisher.record().calls,
              std::vector<std::string>{"interstitial server-parameter the-label"});
    auto delegate = object->interstitialDelegate();
    ASSERT_TRUE(delegate);
    EXPECT_EQ(object->bannerDelegate(), nullptr);
    delegate->customEventInterstitialDidReceiveAdObject(*object, std::make_shared<int>(1));
    adapter->presentInterstitialFromRootViewController(platform::ui::ViewController::create());
    delegate->customEventInterstitialWasClicked(*object);
    delegate->customEventInterstitialWillLeaveApplication(*object);
    delegate->customEventInterstitialWillDismiss(*object);
    delegate->customEventInterstitialDidDismiss(*object);
    delegate->customEventInterstitialDidFailAd(*object, ScriptedCustomEvent::publisherError());
    EXPECT_EQ(publisher.record().calls.back(), "present");
    EXPECT_EQ(connector->calls,
              (std::vector<std::string>{"interstitial", "interstitial", "willPresent", "click",
                                        "leave", "willDismiss", "didDismiss", "fail"}));
    EXPECT_EQ(connector->errors.at(0), ScriptedCustomEvent::publisherError());
}

TEST_F(GADMAdapterCustomEventsTest, AfterStoppingOrANewRequestOldObjectsAreNotHeard) {
    auto publisher = CustomEventClass::banner(Answer::Silence);
    entryNaming(publisher.name());
    adapter->getBannerWithSize(kGADAdSizeBanner);
    auto first = publisher.last();
    auto firstDelegate = first->bannerDelegate();
    adapter->getBannerWithSize(kGADAdSizeBanner);
    auto second = publisher.last();
    ASSERT_NE(first, second);
    // The earlier object no longer has a delegate; one that kept it is not heard.
    EXPECT_EQ(first->bannerDelegate(), nullptr);
    firstDelegate->customEventBannerDidReceiveAd(*first, nullptr);
    EXPECT_TRUE(connector->calls.empty());

    auto secondDelegate = second->bannerDelegate();
    adapter->stopBeingDelegate();
    EXPECT_EQ(second->bannerDelegate(), nullptr);
    secondDelegate->customEventBannerWasClicked(*second);
    secondDelegate->customEventBannerDidFailAd(*second, ScriptedCustomEvent::publisherError());
    EXPECT_TRUE(connector->calls.empty());
    // A connector gone is told nothing either.
    adapter->getBannerWithSize(kGADAdSizeBanner);
    auto third = publisher.last();
    auto thirdDelegate = third->bannerDelegate();
    connector.reset();
    thirdDelegate->customEventBannerWasClicked(*third);
    EXPECT_EQ(thirdDelegate->viewControllerForPresentingModalView(), nullptr);
}

TEST_F(GADMAdapterCustomEventsTest, ANativeRequestGoesToTheNativeRoomsHook) {
    const auto saved = nativeAdapterHooks().customEvent;
    nativeAdapterHooks().customEvent = nullptr;
    entryNaming("NativePublisherClass");
    adapter->getNativeAdWithAdTypes({"app_install"}, {});
    EXPECT_EQ(failure(),
              "Connector used GADMAdNetworkConnectorNativeAd isn't a valid connector "
              "for requesting native ad");
    EXPECT_EQ(logged(), "");

    // The room's hook gets the class, the parameter and the request; stopping stops it.
    platform::ClassRegistry::shared().registerName("NativePublisherClass");
    std::vector<std::string> heard;
    std::shared_ptr<const GADCustomEventRequest> request;
    nativeAdapterHooks().customEvent = [&](const GADMNativeRequest& native,
                                           const GADMNativeAdapterHooks::CustomEvent& custom) {
        heard.push_back(custom.className + " " + custom.parameter.value_or("(none)") + " " +
                        native.adTypes.at(0));
        EXPECT_EQ(native.adapter.lock(), adapter);
        EXPECT_EQ(native.connector, connector);
        request = custom.request;
        return GADMNativeRequestHandle{nullptr, [&] { heard.push_back("stopped"); }};
    };
    connector->forget();
    connector->gender = kGADGenderFemale;
    adapter->getNativeAdWithAdTypes({"content"}, {});
    ASSERT_TRUE(request);
    EXPECT_EQ(request->userGender(), kGADGenderFemale);
    adapter->stopBeingDelegate();
    EXPECT_EQ(heard, (std::vector<std::string>{"NativePublisherClass server-parameter content",
                                               "stopped"}));
    EXPECT_TRUE(connector->calls.empty());

    // The class's name and presence are checked before the hook is asked.
    heard.clear();
    entryNaming("UnknownNativeClass");
    adapter->getNativeAdWithAdTypes({"content"}, {});
    EXPECT_EQ(failure(), "Cannot find Custom Event class named UnknownNativeClass.");
    EXPECT_TRUE(heard.empty());
    platform::ClassRegistry::shared().unregisterClass("NativePublisherClass");
    nativeAdapterHooks().customEvent = saved;
}

}  // namespace
}  // namespace ads

namespace ads {
namespace {

using testing::CustomEventClass;
using testing::MediationTest;
using testing::Network;
using testing::ScriptedAdapter;
using Answer = testing::ScriptedCustomEvent::Answer;

// Custom events in a real waterfall: the slot's manager, the banner connector and the
// publisher's request.
class CustomEventWaterfallTest : public ::testing::Test, public MediationTest {
  protected:
    static Network customEvent(const std::string& className) {
        return {{GADMAdapterCustomEvents::kClassName},
                {{"data", platform::Value::dictionary({{"class_name", platform::Value(className)},
                                                       {"parameter", platform::Value("p")},
                                                       {"label", platform::Value("house")}})}}};
    }
};

TEST_F(CustomEventWaterfallTest, ThePublishersBannerIsShownWithItsExtras) {
    auto publisher = CustomEventClass::banner();
    auto request = GADRequest::request();
    auto extras = std::make_shared<GADCustomEventExtras>();
    extras->setExtras(platform::Value::Dictionary{{"theme", platform::Value("dark")}},
                      std::string("house"));
    request->registerAdNetworkExtras(extras);
    request->setKeywords(std::vector<std::string>{"arcade"});
    load(config({customEvent(publisher.name())}), request);
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
    ASSERT_EQ(owner->views.size(), 1u);
    auto object = publisher.last();
    ASSERT_TRUE(object);
    EXPECT_EQ(owner->views[0], object->view());
    EXPECT_EQ(publisher.record().calls, std::vector<std::string>{"banner 320x50 p house"});
    const auto& copied = *publisher.record().request;
    ASSERT_TRUE(copied.additionalParameters());
    EXPECT_EQ(copied.additionalParameters()->at("theme").stringRef(), "dark");
    EXPECT_EQ(copied.userKeywords(), std::vector<std::string>{"arcade"});
    // The publisher's reports reach the app like any network's.
    object->bannerDelegate()->customEventBannerWillLeaveApplication(*object);
    EXPECT_EQ(owner->events, (std::vector<std::string>{"loaded", "leave"}));
}

TEST_F(CustomEventWaterfallTest, AFailingOrMissingCustomEventPassesToTheNextNetwork) {
    auto failing = CustomEventClass::banner(Answer::Fail);
    auto filling = ScriptedAdapter::registerClass({});
    load(config(
        {customEvent(failing.name()), customEvent("NoSuchPublisherClass"), {{filling->name()}}}));
    scope.runUntilIdle();
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
    ASSERT_EQ(owner->views.size(), 1u);
    EXPECT_EQ(owner->views[0], filling->record().last()->view());
    EXPECT_EQ(failing.record().made, 1);
}

TEST_F(CustomEventWaterfallTest, AnInterstitialSkipsABannerOnlyClassAndPresentsThePublishers) {
    owner->connectorClass = "GADMAdNetworkConnectorInterstitial";
    slot->setAdType(GADAdType::interstitialAdType(), false);
    auto bannerOnly = CustomEventClass::banner();
    CustomEventClass publisher({GADCustomEventInterstitial::kProtocolName});
    load(config({customEvent(bannerOnly.name()), customEvent(publisher.name())}, "interstitial"));
    scope.runUntilIdle();
    EXPECT_EQ(owner->events, std::vector<std::string>{"loaded"});
    EXPECT_EQ(bannerOnly.record().made, 0);
    slot->presentMediatedInterstitialFromRootViewController(nullptr);
    auto object = publisher.last();
    ASSERT_TRUE(object);
    EXPECT_EQ(publisher.record().calls,
              (std::vector<std::string>{"interstitial p house", "present"}));
    object->interstitialDelegate()->customEventInterstitialDidDismiss(*object);
    EXPECT_EQ(owner->events,
              (std::vector<std::string>{"loaded", "willPresent", "willDismiss", "didDismiss"}));
}

}  // namespace
}  // namespace ads
