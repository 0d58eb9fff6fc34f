#include "platform/device/Battery.h"

#include <gtest/gtest.h>

#include "platform/storage/AtomicFile.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/TempDir.h"

namespace platform {
namespace {

using Files = Battery::SupplyFiles;

class BatteryTest : public ::testing::Test {
  protected:
    ~BatteryTest() override { Battery::shared().setMonitoringEnabled(false); }

    void supply(const std::string& name, const std::map<std::string, std::string>& files) {
        std::filesystem::create_directories(sysfs / name);
        for (const auto& [file, text] : files)
            ASSERT_TRUE(AtomicFile::write(sysfs / name / file, text));
    }

    testing::PlatformStateScope platformState;
    testing::TempDir dir;
    std::filesystem::path sysfs = dir / "power_supply";
};

TEST_F(BatteryTest, ReadsTheMachinesBatteryOnlyWhileMonitoring) {
    supply("AC", {{"type", "Mains\n"}, {"online", "1\n"}});
    supply("BAT0", {{"type", "Battery\n"}, {"capacity", "57\n"}, {"status", "Discharging\n"}});
    // A wireless mouse's battery is not the machine's.
    supply("hidpp_battery_0", {{"type", "Battery\n"},
                               {"scope", "Device\n"},
                               {"capacity", "5\n"},
                               {"status", "Charging\n"}});
    Battery::setSysfsRootForTesting(sysfs);

    Battery& battery = Battery::shared();
    EXPECT_FALSE(battery.isMonitoringEnabled());
    EXPECT_EQ(battery.level(), Battery::kUnknownLevel);
    EXPECT_EQ(battery.state(), BatteryState::Unknown);

    battery.setMonitoringEnabled(true);
    EXPECT_FLOAT_EQ(battery.level(), 0.57f);
    EXPECT_EQ(battery.state(), BatteryState::Unplugged);

    // An attribute far longer than a line is not believed.
    ASSERT_TRUE(AtomicFile::write(sysfs / "BAT0" / "capacity", "5" + std::string(4000, '0')));
    EXPECT_EQ(battery.level(), Battery::kUnknownLevel);
    EXPECT_EQ(battery.state(), BatteryState::Unplugged);

    // No battery at all (a desktop, a container, a missing folder): both unknown.
    Battery::setSysfsRootForTesting(dir / "nothing-here");
    EXPECT_EQ(battery.level(), Battery::kUnknownLevel);
    EXPECT_EQ(battery.state(), BatteryState::Unknown);
}

TEST_F(BatteryTest, SeveralBatteriesAndOddTextCombineSafely) {
    auto bat = [](std::string capacity, std::string status) {
        return Files{"Battery", "", "", std::move(capacity), std::move(status)};
    };
    auto combine = [](std::vector<Files> supplies) { return Battery::combine(supplies); };

    auto two = combine({bat("40", "Charging"), bat("80\n", "Full")});
    EXPECT_FLOAT_EQ(two.level, 0.6f);
    EXPECT_EQ(two.state, BatteryState::Charging);
    // Running on one battery is running on battery.
    EXPECT_EQ(combine({bat("100", "Full"), bat("90", "Discharging")}).state,
              BatteryState::Unplugged);
    // Held below full by a charge limit: plugged in and not charging.
    EXPECT_EQ(combine({bat("80", "Not charging"), bat("100", "Full")}).state, BatteryState::Full);
    EXPECT_EQ(combine({bat("80", "Unknown")}).state, BatteryState::Unknown);

    for (const char* junk :
         {"", "101", "-5", "abc", "12abc", "1e2", "0x10", "99999999999999999999"}) {
        auto r = combine({bat(junk, "Charging")});
        EXPECT_EQ(r.level, Battery::kUnknownLevel) << junk;
        EXPECT_EQ(r.state, BatteryState::Charging) << junk;
    }
    EXPECT_FLOAT_EQ(combine({bat("0", "Discharging")}).level, 0.0f);
    EXPECT_FLOAT_EQ(combine({bat(" 100 \n", "Full")}).level, 1.0f);

    // Absent batteries, other supplies and nothing at all.
    Files absent = bat("50", "Discharging");
    absent.present = "0\n";
    Files mains{"Mains", "", "", "100", "Charging"};
    auto none = combine({absent, mains});
    EXPECT_EQ(none.level, Battery::kUnknownLevel);
    EXPECT_EQ(none.state, BatteryState::Unknown);
}

}  // namespace
}  // namespace platform
