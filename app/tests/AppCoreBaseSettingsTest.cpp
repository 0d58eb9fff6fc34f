#include <gtest/gtest.h>

#include <limits>

#include "AppCoreTestSupport.h"
#include "app/testsupport/AppCoreBaseTestAccess.h"
#include "app/textures/BundlePictures.h"
#include "platform/base/LogSink.h"
#include "platform/storage/PropertyList.h"
#include "util/PlistFiles.h"

namespace ui = platform::ui;

using namespace app;

using namespace appcore_test;

namespace {

std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeSettings(const fs::path& path, const platform::Value& dict) {
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(
        platform::PropertyList::writeFile(path, dict, platform::PropertyListFormat::Binary));
}

}  // namespace

using AppCoreSettings = AppCoreTest;

TEST_F(AppCoreSettings, FirstLaunchWritesABinaryFileWithEveryKey) {
    ASSERT_FALSE(fs::exists(settingsPath()));
    auto core = TestAppCore::make();
    EXPECT_FALSE(AppCoreBaseTestAccess::settingsLoadedAtLaunch(*core));
    ASSERT_TRUE(fs::exists(settingsPath()));

    std::string bytes = readBytes(settingsPath());
    EXPECT_EQ(bytes.substr(0, 8), "bplist00");
    auto dict = platform::PropertyList::readFile(settingsPath());
    ASSERT_TRUE(dict && dict->isDictionary());
    EXPECT_EQ(dict->get("SettingModel.version"), platform::Value(4097));
    EXPECT_EQ(dict->get("CFBundleVersion"), platform::Value("1.0"));
    EXPECT_EQ(dict->get("soundVolume.max3"), platform::Value(2));
    EXPECT_EQ(dict->get("bgMusicMode"), platform::Value(1));
    EXPECT_EQ(dict->get("contentsScaleIndex"), platform::Value(0));
    EXPECT_EQ(dict->get("currentLevelId"), platform::Value(0));
    // Calibration type 1 (flat) for the game: every orientation's neutral is (0, 0, -1).
    for (int o : {1, 2, 3, 4}) {
        std::string k = "neutralAccelerometer.o" + std::to_string(o) + ".";
        EXPECT_EQ(dict->get(k + "x"), platform::Value(0.0)) << k;
        EXPECT_EQ(dict->get(k + "y"), platform::Value(0.0)) << k;
        EXPECT_EQ(dict->get(k + "z"), platform::Value(-1.0)) << k;
    }
    EXPECT_EQ(dict->size(), 6u + 12u);

    // Saving writes that same file again.
    fs::remove(settingsPath());
    core->saveSettings();
    EXPECT_TRUE(fs::exists(settingsPath()));
}

TEST_F(AppCoreSettings, DamagedSettingsAreKeptAsideAndUnreadableOnesAreNotSavedOver) {
    fs::create_directories(settingsPath().parent_path());
    std::ofstream(settingsPath(), std::ios::binary) << "bplist00 garbage where settings were";
    {
        platform::LogSink::Capture log;
        auto core = TestAppCore::make();  // the first launch saves at once
        EXPECT_FALSE(AppCoreBaseTestAccess::settingsLoadedAtLaunch(*core));
        EXPECT_TRUE(log.contains("is damaged"));
    }
    int keptAside = 0;
    for (const auto& entry : fs::directory_iterator(settingsPath().parent_path())) {
        keptAside += entry.path().filename().string().rfind("settings.plist.corrupt-", 0) == 0 &&
                     readBytes(entry.path()) == "bplist00 garbage where settings were";
    }
    EXPECT_EQ(keptAside, 1);
    auto fresh = platform::PropertyList::readFile(settingsPath());
    ASSERT_TRUE(fresh && fresh->isDictionary());

    // A folder in its place cannot be read and may be fixed by hand: left as it is.
    fs::remove(settingsPath());
    fs::create_directory(settingsPath());
    platform::LogSink::Capture log;
    auto core = TestAppCore::make();
    core->saveSettings();
    EXPECT_TRUE(fs::is_directory(settingsPath()));
    EXPECT_TRUE(log.contains("settings not saved"));
}

TEST_F(AppCoreSettings, RoundTripThroughTheFile) {
    {
        auto core = TestAppCore::make();
        core->settings().soundVolume = 3;
        core->settings().bgMusicMode = 0;
        core->settings().contentsScaleIndexSetting = 2;
        core->setCurrentLevelId(3);
        core->setNeutralAcceleromterFor(ui::OrientationLandscapeRight, 0.25, -0.5, -0.75);
        core->setNeutralAcceleromterFor(ui::OrientationPortraitUpsideDown, 0.0, 0.0,
                                        0.0);  // all zero: back to the default
        core->saveSettings();
    }
    auto dict = util::ReadDictionaryFromPlistFile(settingsPath().string());
    ASSERT_TRUE(dict);
    EXPECT_EQ(dict->get("neutralAccelerometer.o3.y"), platform::Value(-0.5));
    EXPECT_EQ(dict->get("neutralAccelerometer.o2.z"), platform::Value(-1.0));

    auto again = TestAppCore::make();
    EXPECT_TRUE(AppCoreBaseTestAccess::settingsLoadedAtLaunch(*again));
    EXPECT_EQ(again->settings().soundVolume, 3);
    EXPECT_EQ(again->settings().bgMusicMode, 0);
    EXPECT_EQ(again->settings().contentsScaleIndexSetting, 2);
    EXPECT_EQ(again->currentLevelId(), 3);
    auto& landscapeRight = again->settings().neutralFor(ui::OrientationLandscapeRight);
    EXPECT_EQ(landscapeRight.x, 0.25);
    EXPECT_EQ(landscapeRight.y, -0.5);
    EXPECT_EQ(landscapeRight.z, -0.75);
    ASSERT_TRUE(again->settings().bundleVersion);
    EXPECT_EQ(*again->settings().bundleVersion, "1.0");
}

TEST_F(AppCoreSettings, SameVersionIsNotRewrittenOtherVersionIs) {
    platform::Value dict = platform::Value::dictionary(
        {{"CFBundleVersion", "1.0"}, {"soundVolume.max3", 1}, {"someoneElsesKey", "kept"}});
    writeSettings(settingsPath(), dict);
    auto core = TestAppCore::make();
    EXPECT_EQ(core->settings().soundVolume, 1);
    // Not written: a key this program does not write is still there.
    EXPECT_EQ(util::ReadDictionaryFromPlistFile(settingsPath().string())->get("someoneElsesKey"),
              platform::Value("kept"));

    dict.set("CFBundleVersion", "0.9");
    writeSettings(settingsPath(), dict);
    auto newer = TestAppCore::make();
    auto written = util::ReadDictionaryFromPlistFile(settingsPath().string());
    EXPECT_FALSE(written->contains("someoneElsesKey"));
    EXPECT_EQ(written->get("CFBundleVersion"), platform::Value("1.0"));
    EXPECT_EQ(written->get("soundVolume.max3"), platform::Value(1));

    // A file without a version counts as a first launch too.
    writeSettings(settingsPath(), platform::Value::dictionary({{"someoneElsesKey", "x"}}));
    TestAppCore::make();
    EXPECT_FALSE(
        util::ReadDictionaryFromPlistFile(settingsPath().string())->contains("someoneElsesKey"));
}

TEST_F(AppCoreSettings, WrongTypesAndOutOfRangeValues) {
    writeSettings(settingsPath(),
                  platform::Value::dictionary({{"CFBundleVersion", 10},
                                               {"soundVolume.max3", "3"},
                                               {"bgMusicMode", platform::Value::array({1})},
                                               {"contentsScaleIndex", 2.9},
                                               {"currentLevelId", "3"},
                                               {"neutralAccelerometer.o1.x", "0.5"},
                                               {"neutralAccelerometer.o1.y", 1}}));
    auto core = TestAppCore::make();
    EXPECT_EQ(core->settings().soundVolume, 2);
    EXPECT_EQ(core->settings().bgMusicMode, 1);
    EXPECT_EQ(core->settings().contentsScaleIndexSetting, 2);  // a real number is still a number
    EXPECT_EQ(core->currentLevelId(), 0);
    EXPECT_EQ(core->settings().neutralFor(ui::OrientationPortrait).x, 0.0);
    EXPECT_EQ(core->settings().neutralFor(ui::OrientationPortrait).y, 1.0);
    EXPECT_FALSE(core->settings().bundleVersion);

    // A neutral tilt that is no finite number keeps the default: it would poison every tilt.
    writeSettings(settingsPath(),
                  platform::Value::dictionary(
                      {{"neutralAccelerometer.o3.x", std::numeric_limits<double>::quiet_NaN()},
                       {"neutralAccelerometer.o3.y", std::numeric_limits<double>::infinity()},
                       {"neutralAccelerometer.o3.z", -0.5}}));
    {
        auto damaged = TestAppCore::make();
        auto& landscapeRight = damaged->settings().neutralFor(ui::OrientationLandscapeRight);
        EXPECT_EQ(landscapeRight.x, 0.0);
        EXPECT_EQ(landscapeRight.y, 0.0);
        EXPECT_EQ(landscapeRight.z, -0.5);
    }

    for (auto [stored, loaded] : {std::pair{9, 3}, std::pair{-2, 0}, std::pair{0, 0}}) {
        writeSettings(settingsPath(), platform::Value::dictionary({{"soundVolume.max3", stored}}));
        EXPECT_EQ(TestAppCore::make()->settings().soundVolume, loaded) << stored;
    }

    // Not a property list at all, or not a dictionary: defaults, and the file is replaced.
    writeFile(settingsPath(), "garbage");
    EXPECT_EQ(TestAppCore::make()->settings().soundVolume, 2);
    EXPECT_EQ(readBytes(settingsPath()).substr(0, 8), "bplist00");
    writeSettings(settingsPath(), platform::Value::array({1, 2}));
    EXPECT_EQ(TestAppCore::make()->settings().soundVolume, 2);
    EXPECT_TRUE(util::ReadDictionaryFromPlistFile(settingsPath().string()));
}

TEST_F(AppCoreSettings, VolumeTogglingAndTable) {
    auto core = TestAppCore::make();
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        core->settings().toggleSoundVolume();
        seen.push_back(core->settings().soundVolumeString());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"3", "OFF", "1", "2"}));
    core->settings().soundVolume = 3;
    EXPECT_EQ(core->settings().toggleSoundVolume(), 0);
    EXPECT_EQ(core->settings().soundVolumeString(), "OFF");

    EXPECT_EQ(SettingsRecord::volumePercentOfSetting(0), 0);
    EXPECT_EQ(SettingsRecord::volumePercentOfSetting(1), 20);
    EXPECT_EQ(SettingsRecord::volumePercentOfSetting(2), 50);
    EXPECT_EQ(SettingsRecord::volumePercentOfSetting(3), 100);
    EXPECT_EQ(SettingsRecord::volumePercentOfSetting(4), 0);
    EXPECT_EQ(SettingsRecord::volumePercentOfSetting(-1), 0);

    core->settings().soundVolume = 1;
    core->settings().bgMusicMode = 0;
    core->updateSoundSetting();
    EXPECT_FALSE(sound::SoundObj::musicIsEnabled());
    core->settings().bgMusicMode = 2;
    core->updateSoundSetting();
    EXPECT_TRUE(sound::SoundObj::musicIsEnabled());
}

TEST_F(AppCoreSettings, DrawingResolutionFollowsTheScreen) {
    auto core = TestAppCore::make();
    auto indexFor = [&](int setting) {
        core->settings().contentsScaleIndexSetting = setting;
        core->updateContentsScaleIndex();
        return core->drawingResolution().index();
    };

    platform::ui::Screen::mainScreen().setScale(2.0);
    EXPECT_TRUE(core->supportsContentsScale());
    EXPECT_EQ(DrawingResolution::defaultContentsScaleIndex(core->isIPad()), 3);
    EXPECT_EQ(indexFor(0), 3);
    EXPECT_EQ(core->contentsScaleValue(), 2.0f);
    EXPECT_EQ(indexFor(2), 2);
    EXPECT_EQ(core->contentsScaleValue(), 1.5f);
    EXPECT_EQ(indexFor(5), 3);
    EXPECT_EQ(indexFor(-3), 3);

    platform::ui::Screen::mainScreen().setScale(1.5);
    EXPECT_EQ(DrawingResolution::defaultContentsScaleIndex(core->isIPad()), 2);

    platform::ui::Screen::mainScreen().setScale(1.0);
    for (int setting : {0, 1, 2, 3, 7}) EXPECT_EQ(indexFor(setting), 1) << setting;
    EXPECT_FALSE(core->isIPad());

    // A tablet of scale 1 counts as 2.
    core->setDeviceTypeName("iPad3,1");
    EXPECT_TRUE(core->isIPad());
    EXPECT_EQ(DrawingResolution::displayContentsScale(core->isIPad()), 2.0f);
    EXPECT_EQ(indexFor(0), 3);

    EXPECT_EQ(DrawingResolution::contentsScaleValueFromIndex(0), 1.0f);
    EXPECT_EQ(DrawingResolution::contentsScaleValueFromIndex(4), 1.0f);
}

TEST_F(AppCoreSettings, PictureFilesFallBackLowerThenHigher) {
    auto pick = [](int index) {
        auto found = BundlePictures::pictureFileForName("car", index);
        return found ? fs::path(found->first).filename().string() + "@" +
                           std::to_string(found->second)
                     : std::string("none");
    };
    EXPECT_EQ(pick(3), "none");
    writeFile(bundle / "car.png", "x");
    EXPECT_EQ(pick(3), "car.png@1.000000");
    EXPECT_EQ(pick(1), "car.png@1.000000");
    fs::remove(bundle / "car.png");
    writeFile(bundle / "car_cs150.png", "x");
    EXPECT_EQ(pick(3), "car_cs150.png@1.500000");
    // From index 1 nothing lower exists; higher resolutions come next.
    EXPECT_EQ(pick(1), "car_cs150.png@1.500000");
    writeFile(bundle / "car_cs200.png", "x");
    EXPECT_EQ(pick(3), "car_cs200.png@2.000000");
    EXPECT_EQ(pick(2), "car_cs150.png@1.500000");
    EXPECT_EQ(pick(0), "car_cs150.png@1.500000");
    EXPECT_EQ(pick(-1), "car_cs200.png@2.000000");
    EXPECT_EQ(pick(-2), "none");
}

TEST_F(AppCoreSettings, ScreensShowTheBundlesPicturesAtTheScreensResolutionWithoutAnAppCore) {
    copyAsset("icon_scores.png");
    copyAsset("icon_scores_cs200.png");
    auto screen = app::ViewControllerBase::make<app::ViewControllerBase>();
    auto tabs = app::MyTabBarController::create({});
    auto low = screen->interfaceImageNamed("icon_scores.png");
    ASSERT_TRUE(low);
    EXPECT_EQ(low->scale(), 1);
    EXPECT_FALSE(tabs->interfaceImageNamed("icon_missing.png"));

    platform::ui::Screen::mainScreen().setScale(2);
    auto high = tabs->interfaceImageNamed("icon_scores.png");
    ASSERT_TRUE(high);
    EXPECT_EQ(high->scale(), 2);
    // Points stay the same: the sharper picture has twice the pixels.
    EXPECT_EQ(high->size(), low->size());
}
