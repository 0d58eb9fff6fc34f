#include "platform/device/DeviceInfo.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(DeviceInfoTest, ReportsThePhoneAndScopesDescribeOtherDevices) {
    EXPECT_EQ(DeviceInfo::model(), "iPhone");
    EXPECT_EQ(DeviceInfo::systemVersion(), "8.4");
    EXPECT_EQ(DeviceInfo::systemMajorVersion(), 8);
    EXPECT_EQ(DeviceInfo::userInterfaceIdiom(), UserInterfaceIdiom::Phone);
    {
        DeviceInfo::Scope pad({"iPad", "iPhone OS", "7.1.2", UserInterfaceIdiom::Pad});
        EXPECT_EQ(DeviceInfo::model(), "iPad");
        EXPECT_EQ(DeviceInfo::systemMajorVersion(), 7);
        EXPECT_EQ(DeviceInfo::userInterfaceIdiom(), UserInterfaceIdiom::Pad);
        {
            DeviceInfo::Scope odd({"x", "y", "", UserInterfaceIdiom::Unspecified});
            EXPECT_EQ(DeviceInfo::systemMajorVersion(), 0);
        }
        EXPECT_EQ(DeviceInfo::model(), "iPad");
    }
    EXPECT_EQ(DeviceInfo::model(), "iPhone");
    EXPECT_EQ(static_cast<int>(UserInterfaceIdiom::Pad), 1);
}

}  // namespace
}  // namespace platform
