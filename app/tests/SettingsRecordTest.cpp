#include "app/appcore/SettingsRecord.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/base/LogSink.h"
#include "platform/testing/TempDir.h"

namespace ui = platform::ui;
namespace fs = std::filesystem;

using app::SettingsFile;
using app::SettingsRecord;

TEST(SettingsRecord, WritesEveryKeyAndReadsBackOnlyWhatFits) {
    SettingsRecord record;
    record.soundVolume = 1;
    record.bgMusicMode = 0;
    record.contentsScaleIndexSetting = 3;
    record.currentLevelId = 7;
    record.neutralFor(ui::OrientationLandscapeLeft) = {0.5, -0.25, -0.75};
    platform::Value dict = platform::Value::dictionary();
    record.writeTo(dict);
    EXPECT_EQ(dict.size(), 4u + 12u);
    EXPECT_EQ(dict.get("neutralAccelerometer.o4.y"), platform::Value(-0.25));

    dict.set("CFBundleVersion", "2.1");
    dict.set("bgMusicMode", "on");  // the wrong kind: the field keeps what it had
    SettingsRecord back;
    back.readFrom(dict);
    EXPECT_EQ(back.soundVolume, 1);
    EXPECT_EQ(back.bgMusicMode, 1);
    EXPECT_EQ(back.contentsScaleIndexSetting, 3);
    EXPECT_EQ(back.currentLevelId, 7);
    EXPECT_EQ(back.neutralFor(ui::OrientationLandscapeLeft).x, 0.5);
    EXPECT_EQ(back.neutralFor(ui::OrientationLandscapeLeft).z, -0.75);
    EXPECT_EQ(back.bundleVersion, "2.1");
    // An orientation the records do not know shares portrait's tilt, as the screens do.
    EXPECT_EQ(&back.neutralFor(ui::InterfaceOrientation(7)),
              &back.neutralFor(ui::OrientationPortrait));
}

TEST(SettingsRecord, VolumeStaysInItsFourSteps) {
    SettingsRecord record;
    record.soundVolume = -5;
    EXPECT_EQ(record.toggleSoundVolume(), 0);
    EXPECT_EQ(record.soundVolumeString(), "OFF");
    record.soundVolume = 9;
    record.clampSoundVolume();
    EXPECT_EQ(record.soundVolume, 3);
}

TEST(SettingsFile, AFileThatCannotBeReadIsNotSavedOverUntilItIsGone) {
    platform::testing::TempDir home;
    const std::string path = (home / "settings.plist").string();
    SettingsFile file;
    EXPECT_FALSE(file.read(path, "test"));  // none yet
    EXPECT_FALSE(file.loadedAtLaunch());
    const platform::Value dict = platform::Value::dictionary({{"soundVolume.max3", 3}});
    ASSERT_TRUE(file.write(path, dict, "test"));
    ASSERT_TRUE(file.read(path, "test"));
    EXPECT_TRUE(file.loadedAtLaunch());

    fs::remove(path);
    fs::create_directory(path);
    SettingsFile blocked;
    EXPECT_FALSE(blocked.read(path, "test"));
    {
        platform::LogSink::Capture log;
        EXPECT_FALSE(blocked.write(path, dict, "test"));
        EXPECT_TRUE(log.contains("settings not saved"));
    }
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);
    EXPECT_TRUE(blocked.write(path, dict, "test"));
    EXPECT_TRUE(fs::is_regular_file(path));
}
