#include <gtest/gtest.h>

#include "appbase/ScIntHolder.h"
#include "core/JTException.h"

using namespace JTAppBase;

// Runs in its own process under CTest, so the mask is still unset here.
TEST(ScIntHolderNoMask, ConstructorThrowsUntilMaskIsSet) {
    if (GetScIntMask() != 0) GTEST_SKIP() << "mask already set by an earlier case in this process";
    bool thrown = false;
    try {
        JTCore::JTNew<ScIntHolder>(5);
    } catch (const JTCore::JTExceptionPtr& e) {
        thrown = true;
        EXPECT_FALSE(e->getMessage());
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(ScIntHolder::liveHolders(), 0);
}
