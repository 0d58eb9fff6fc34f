#include "ads/foundation/GADDevice.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <fstream>
#include <future>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADNetwork.h"
#include "ads/foundation/GADStringAdditions.h"
#include "ads/foundation/tests/GADApplicationTestPeer.h"
#include "ads/testsupport/FixedDevice.h"
#include "ads/testsupport/TemporaryHome.h"
#include "platform/audio/AudioSession.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/runtime/GlobalQueue.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/services/MessageComposer.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace ads {
namespace {

using platform::Rect;
using platform::Value;
using platform::audio::AudioSession;
using platform::audio::AudioSessionPortDescription;
using platform::ui::Application;

platform::DeviceInfo::Facts phoneOn(const char* version) {
    return {"iPhone", "iPhone OS", version, platform::UserInterfaceIdiom::Phone};
}

class GADDeviceTest : public ::testing::Test {
  protected:
    // On the pool, waiting for the answer: a thread that is not the main thread.
    template <typename F>
    auto offMain(F work) {
        std::packaged_task<decltype(work())()> task(work);
        auto answer = task.get_future();
        platform::GlobalQueue::async([&task] { task(); });
        return answer.get();
    }

    platform::MainLoopTestScope loop;
    testing::TemporaryHome home;
    testing::FixedDevice fixed;
};

TEST_F(GADDeviceTest, SystemVersionsInThreeParts) {
    {
        platform::DeviceInfo::Scope nine(phoneOn("9.1"));
        auto device = GADDevice::create();
        EXPECT_EQ(device->operatingSystemVersion(), (GADOperatingSystemVersion{9, 1, 0}));
        EXPECT_EQ(device->systemVersion(), "9.1.0");
    }
    {
        platform::DeviceInfo::Scope four(phoneOn("8.4.1.2"));
        auto device = GADDevice::create();
        EXPECT_EQ(device->operatingSystemVersion(), (GADOperatingSystemVersion{8, 4, 1}));
        EXPECT_TRUE(device->isOSAtLeastMajor(8, 4, 0));
        EXPECT_TRUE(device->isOSAtLeastMajor(7, 9, 9));
        EXPECT_TRUE(device->isOSAtLeastMajor(8, 4, 1));
        EXPECT_FALSE(device->isOSAtLeastMajor(8, 5, 0));
        EXPECT_TRUE(device->OSIsSupported());
    }
    {
        // Before system 8 the text is kept as the system gave it.
        platform::DeviceInfo::Scope old(phoneOn("5.1"));
        auto device = GADDevice::create();
        EXPECT_EQ(device->systemVersion(), "5.1");
        EXPECT_EQ(device->operatingSystemVersion(), (GADOperatingSystemVersion{5, 1, 0}));
        EXPECT_FALSE(device->OSIsSupported());
    }
    // The device the program stands for.
    auto device = GADDevice::create();
    EXPECT_EQ(device->systemVersion(), "8.4.0");
}

TEST_F(GADDeviceTest, StaticFactsAreCachedOnceOnTheMainThread) {
    auto device = GADDevice::create();
    EXPECT_EQ(device->deviceModel(), "");
    offMain([&] {
        device->cacheStaticParameters();
        return 0;
    });
    EXPECT_FALSE(device->hasCachedStaticParameters());

    // A landscape window on a screen given as landscape: portrait bounds stay upright.
    platform::ui::Screen::mainScreen().setSize({480, 320});
    Application::shared().setStatusBarOrientation(3);
    device->cacheStaticParameters();
    EXPECT_TRUE(device->hasCachedStaticParameters());
    EXPECT_EQ(device->deviceModel(), "iPhone");
    EXPECT_TRUE(device->userInterfaceIdiomIsPhone());
    EXPECT_EQ(device->mainScreenDensity(), 2.0);
    EXPECT_EQ(offMain([&] { return device->standardizedPortraitScreenBounds(); }),
              Rect(0, 0, 320, 480));
    EXPECT_EQ(device->statusBarOrientation(), 3);
    // No phone, no texts, and on system 8 the books store is taken as there.
    EXPECT_FALSE(device->canMakePhoneCalls());
    EXPECT_FALSE(device->canText());
    EXPECT_EQ(device->bookstores(), std::uint64_t{kGADBookstoreBooks});
    EXPECT_EQ(device->infoPlist(), platform::Bundle::mainBundle()->infoDictionary());

    // Once: a second call changes nothing even when the screen did.
    platform::ui::Screen::mainScreen().setScale(3);
    device->cacheStaticParameters();
    EXPECT_EQ(device->mainScreenDensity(), 2.0);
}

TEST_F(GADDeviceTest, OnSystemNineNoURLIsAsked) {
    platform::DeviceInfo::Scope nine(phoneOn("9.1"));
    auto device = GADDevice::create();
    device->cacheStaticParameters();
    EXPECT_EQ(device->canOpenURLs({"kindle://home"}), std::nullopt);
    EXPECT_EQ(device->bookstores(), std::uint64_t{kGADBookstoreBooks});
    EXPECT_TRUE(device->canMakePhoneCalls());
    // The composer answers: the desktop's messaging program takes texts.
    EXPECT_TRUE(device->canText());
    platform::services::MessageComposer::setCanSendTextForTesting(false);
    auto without = GADDevice::create();
    without->cacheStaticParameters();
    EXPECT_FALSE(without->canText());
    platform::services::MessageComposer::setCanSendTextForTesting(std::nullopt);

    platform::DeviceInfo::Scope seven(phoneOn("7.1"));
    auto older = GADDevice::create();
    Application::shared().setOwnURLSchemes({"kindle"});
    auto answers = older->canOpenURLs({"kindle://home", "itms-books://"});
    ASSERT_TRUE(answers);
    EXPECT_EQ(*answers,
              (std::map<std::string, bool>{{"kindle://home", true}, {"itms-books://", false}}));
    older->updateBookstores();
    EXPECT_EQ(older->bookstores(), std::uint64_t{kGADBookstoreKindle});
}

TEST_F(GADDeviceTest, TrackingDecidesTheIdentifier) {
    auto device = GADDevice::create();
    EXPECT_EQ(device->deviceIdentifier(),
              gad_MD5String(testing::FixedDevice::advertisingIdentifier().toString()));
    EXPECT_EQ(device->deviceIdentifier().size(), 32u);
    EXPECT_EQ(device->limitAdTrackingString(), "0");
    fixed.setTrackingEnabled(false);
    EXPECT_EQ(device->deviceIdentifier(), "");
    EXPECT_TRUE(device->limitAdTracking());
    EXPECT_EQ(device->limitAdTrackingString(), "1");
}

TEST_F(GADDeviceTest, TheAdvertisingIdentifierSurvivesARestart) {
    platform::AdvertisingIdentifier::setOverrideForTesting(std::nullopt);
    platform::testing::TempDir shared;
    platform::testing::ScopedEnv sharedHome("MOVUROUTE_SHARED_HOME", shared.path().string());
    platform::testing::ScopedEnv allowed("MOVUROUTE_LIMIT_AD_TRACKING", std::string("0"));
    const std::string first = GADDevice::create()->deviceIdentifier();
    ASSERT_EQ(first.size(), 32u);
    // The next run reads the same file through a fresh object.
    platform::AdvertisingIdentifier nextRun;
    EXPECT_EQ(gad_MD5String(nextRun.advertisingIdentifier().toString()), first);
    EXPECT_EQ(GADDevice::create()->deviceIdentifier(), first);
}

TEST_F(GADDeviceTest, AudioRouteFromTheSessionsOutputs) {
    auto device = GADDevice::create();
    AudioSession& session = AudioSession::shared();
    const AudioSessionPortDescription speaker{"Speaker", "Speaker"};
    const AudioSessionPortDescription headset{"Headphones", "Ann's headset"};
    const AudioSessionPortDescription hdmi{"HDMIOutput", "Headphones"};
    EXPECT_EQ(device->audioRoute(), GADAudioRoute::BuiltInSpeaker);
    session.setRouteForTesting(std::vector{headset}, 0.5f);
    EXPECT_EQ(device->audioRoute(), GADAudioRoute::Headphones);
    // A port is known by its kind, whatever it is called.
    session.setRouteForTesting(std::vector{hdmi}, 0.5f);
    EXPECT_EQ(device->audioRoute(), GADAudioRoute::Other);
    session.setRouteForTesting(std::vector{speaker, headset}, 1.0f);
    EXPECT_EQ(device->audioRoute(), GADAudioRoute::Other);
    session.setRouteForTesting(std::vector{speaker}, 0.0f);
    EXPECT_EQ(device->audioRoute(), GADAudioRoute::Silent);
    session.setRouteForTesting(std::vector<AudioSessionPortDescription>{}, 1.0f);
    EXPECT_EQ(device->audioRoute(), GADAudioRoute::Silent);
}

TEST_F(GADDeviceTest, OrientationIsRefreshedOnTheMainThread) {
    auto device = GADDevice::create();
    device->cacheStaticParameters();
    EXPECT_FALSE(device->orientationLandscape());
    Application::shared().setStatusBarOrientation(4);
    EXPECT_TRUE(device->orientationLandscape());
    EXPECT_EQ(device->standardizedOrientedScreenBounds(), Rect(0, 0, 480, 320));
    // The status bar takes its height off the top; the screen turns with the interface.
    EXPECT_EQ(device->standardizedOrientedApplicationFrame(), Rect(0, 20, 320, 460));

    // Elsewhere the refresh is queued for the main thread and the last orientation is read.
    Application::shared().setStatusBarOrientation(1);
    EXPECT_TRUE(offMain([&] { return device->orientationLandscape(); }));
    loop.runUntilIdle();
    EXPECT_FALSE(offMain([&] { return device->orientationLandscape(); }));
}

TEST_F(GADDeviceTest, BaseSDKIsTheSDKNameLessThePlatform) {
    auto base = [](Value::Dictionary info) {
        return GADDevice::baseSDKVersionFromInfoPlist(Value(std::move(info)));
    };
    EXPECT_EQ(base({{"DTSDKName", "iphoneos9.1"}, {"DTPlatformName", "iphoneos"}}), "9.1");
    EXPECT_EQ(base({{"DTSDKName", "iphoneos9.1"}}), "iphoneos9.1");
    // An empty platform name is in every text; it removes nothing.
    EXPECT_EQ(base({{"DTSDKName", "iphoneos9.1"}, {"DTPlatformName", ""}}), "iphoneos9.1");
    EXPECT_EQ(base({{"DTSDKName", "osos9.1os"}, {"DTPlatformName", "os"}}), "9.1");
    EXPECT_EQ(base({{"DTSDKName", 9}, {"DTPlatformName", "iphoneos"}}), std::nullopt);
    EXPECT_EQ(base({}), std::nullopt);
}

TEST_F(GADDeviceTest, SmallFactsOfTheMachineAndTheUser) {
    auto device = GADDevice::create();
    utsname name{};
    ASSERT_EQ(::uname(&name), 0);
    EXPECT_EQ(device->deviceSubmodel(), name.machine);
    EXPECT_EQ(device->locale(), "en-us");
    // Read once: a later change of languages is not seen by this device.
    platform::UserDefaults::standard().setObject("AppleLanguages", Value::array());
    EXPECT_EQ(device->locale(), "en-us");
    EXPECT_EQ(GADDevice::create()->locale(), std::nullopt);
    platform::UserDefaults::standard().setObject("AppleLanguages", Value::array({3}));
    EXPECT_EQ(GADDevice::create()->locale(), std::nullopt);

    EXPECT_EQ(GADDevice::appNameParameter("2.1", "com.example.game"),
              "2.1.iphone.com.example.game");
    // An app without a version starts with the platform.
    EXPECT_EQ(GADDevice::appNameParameter("", "com.example.game"), "iphone.com.example.game");

    EXPECT_FALSE(device->jailbroken());
    EXPECT_FALSE(device->isSimulator());
    EXPECT_EQ(device->radioAccessTechnology(), std::nullopt);
    device->setRadioAccessTechnology("CTRadioAccessTechnologyLTE");
    device->setRadioAccessTechnology(std::nullopt);
    EXPECT_EQ(device->radioAccessTechnology(), std::nullopt);
    EXPECT_EQ(device->lastKnownRadioAccessTechnology(), "CTRadioAccessTechnologyLTE");
    device->setUserAgentString("Mozilla/5.0 (Movuroute)");
    device->setUserAgentString("");
    EXPECT_EQ(device->userAgentString(), "Mozilla/5.0 (Movuroute)");
}

TEST_F(GADDeviceTest, ALeftoverTemporaryFolderGoesWithoutFollowingLinks) {
    platform::testing::TempDir outside;
    { std::ofstream(outside / "keep.txt") << "mine"; }
    auto device = GADDevice::create();
    loop.runUntilIdle();
    const auto temporary = device->temporaryPathWithCreation(true);
    EXPECT_EQ(temporary, platform::AppPaths::tmp() / "DuRezTemp");
    ASSERT_TRUE(std::filesystem::is_directory(temporary));
    std::filesystem::create_directories(temporary / "ads" / "a1");
    { std::ofstream(temporary / "ads" / "a1" / "creative.html") << "<html>"; }
    std::filesystem::create_directory_symlink(outside.path(), temporary / "ads" / "elsewhere");

    // The next run starts clean, and what the link pointed to is untouched.
    GADDevice::create();
    loop.runUntilIdle();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(temporary)));
    EXPECT_TRUE(std::filesystem::exists(outside / "keep.txt"));

    // A link in the folder's own place is removed as a link.
    std::filesystem::create_directory_symlink(outside.path(), temporary);
    GADDevice::create();
    loop.runUntilIdle();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(temporary)));
    EXPECT_TRUE(std::filesystem::exists(outside / "keep.txt"));
}

TEST_F(GADDeviceTest, TheParametersOfThePhone) {
    auto device = GADDevice::create();
    device->cacheStaticParameters();
    utsname name{};
    ASSERT_EQ(::uname(&name), 0);
    // The app's facts are the shared application's, read once per process.
    auto application = GADApplication::sharedInstance();
    const Value::Dictionary golden{
        {"app_name",
         GADDevice::appNameParameter(application->version(), application->mainBundleIdentifier())},
        {"ios_metadata", Value::dictionary()},
        {"ios_info_plist", testing::FixedDevice::infoDictionary()},
        {"ios_base_sdk", "8.4"},
        {"platform", "iPhone"},
        {"submodel", name.machine},
        {"hl", "en-us"},
        {"u_audio", "1"},
        {"u_so", "p"},
        {"u_sd", "2"},
        {"u_w", "320"},
        {"u_h", "480"},
        {"cap_bs", 1},
        {"cap_noiap", "1"},
    };
    EXPECT_EQ(Value(device->parameters(GADMainThreadFacts{})), Value(golden));
    EXPECT_EQ(Value(device->parameters()), Value(golden));

    // A pad running a phone app, on its side, muted, with a radio.
    platform::DeviceInfo::Scope pad(
        {"iPad", "iPhone OS", "8.4", platform::UserInterfaceIdiom::Phone});
    auto other = GADDevice::create();
    other->cacheStaticParameters();
    other->setRadioAccessTechnology("CTRadioAccessTechnologyLTE");
    AudioSession::shared().setRouteForTesting(std::vector<AudioSessionPortDescription>{}, 1.0f);
    GADMainThreadFacts landscape;
    landscape.statusBarOrientation = 4;
    Value::Dictionary parameters = other->parameters(landscape);
    EXPECT_EQ(parameters["ios_ipadc"], Value("1"));
    EXPECT_EQ(parameters["platform"], Value("iPad"));
    EXPECT_EQ(parameters["u_so"], Value("l"));
    EXPECT_EQ(parameters["u_audio"], Value("3"));
    EXPECT_EQ(parameters["ios_radio"], Value("CTRadioAccessTechnologyLTE"));
    EXPECT_EQ(parameters["ios_radio_last"], Value("CTRadioAccessTechnologyLTE"));

    // Before the start-up cached them, the toolkit's facts are left out, not sent empty.
    parameters = GADDevice::create()->parameters(GADMainThreadFacts{});
    EXPECT_FALSE(parameters.count("platform"));
    EXPECT_FALSE(parameters.count("ios_info_plist"));
    EXPECT_FALSE(parameters.count("cap_bs"));
    EXPECT_EQ(parameters["ios_metadata"], Value::dictionary());

    // Once cached, a model the toolkit leaves empty goes as it is.
    platform::DeviceInfo::Scope nameless(
        {"", "iPhone OS", "8.4", platform::UserInterfaceIdiom::Phone});
    auto unnamed = GADDevice::create();
    unnamed->cacheStaticParameters();
    EXPECT_EQ(unnamed->parameters(GADMainThreadFacts{})["platform"], Value(""));
}

TEST_F(GADDeviceTest, TheDeviceFollowsTheNetwork) {
    auto device = GADDevice::create();
    device->network()->waitForPendingReports();
    EXPECT_EQ(device->network()->networkTypeString(), "wi");
    EXPECT_TRUE(device->network()->isCheckingNetwork());
    std::weak_ptr<GADNetwork> network = device->network();
    device.reset();
    EXPECT_TRUE(network.expired());
}

// Last of the device's tests: the shared application reads its store metadata once.
TEST_F(GADDeviceTest, StoreMetadataWhenTheAppHasSome) {
    auto application = GADApplication::sharedInstance();
    auto path = GADApplicationTestPeer(application).iTunesMetadataPath();
    ASSERT_TRUE(path);
    const Value metadata = Value::dictionary(
        {{"itemId", 123456789}, {"softwareVersionBundleId", "com.example.adstest"}});
    ASSERT_TRUE(platform::PropertyList::writeFile(*path, metadata));
    auto device = GADDevice::create();
    const Value::Dictionary parameters = device->parameters(GADMainThreadFacts{});
    // Run alone (as the test runner does), this test is the first to read the file. After
    // another test read it as missing, the empty record read then is sent.
    if (application->iTunesMetadata().asDictionary().empty()) {
        EXPECT_EQ(parameters.at("ios_metadata"), Value::dictionary());
    } else {
        EXPECT_EQ(parameters.at("ios_metadata"), metadata);
    }
}

}  // namespace
}  // namespace ads
