#include <gtest/gtest.h>

#include <vector>

#include "appbase/Random.h"
#include "appbase/ScIntHolder.h"
#include "core/JTException.h"
#include "platform/base/LogSink.h"

using namespace JTAppBase;

// The mask is process-wide and can only be set once holders are gone, so every case here
// drops its holders before the next one runs.

TEST(ScIntHolder, ValueSurvivesSaltAndMask) {
    SetScIntMask(0x5A5A1234);
    std::vector<long> salts{11, 22, 0x5A5A1234};
    size_t i = 0;
    Random::Scoped scripted([&] { return salts[i++ % salts.size()]; });

    auto h = JTCore::JTNew<ScIntHolder>(1000);
    EXPECT_EQ(h->get(), 1000);
    EXPECT_EQ(h->saltForTesting(), 11);
    EXPECT_EQ(h->storedForTesting(), 11 ^ 1000 ^ 0x5A5A1234);

    h->set(1000);  // a new salt: same value, different bits in memory
    EXPECT_EQ(h->get(), 1000);
    EXPECT_EQ(h->storedForTesting(), 22 ^ 1000 ^ 0x5A5A1234);

    h->set(-7);  // salt equal to the mask: only then the plain value lies in memory
    EXPECT_EQ(h->storedForTesting(), -7);
    EXPECT_EQ(h->get(), -7);
}

TEST(ScIntHolder, ZeroMaskBecomesOneAndChangesAreRefusedWhileHoldersLive) {
    SetScIntMask(0);
    EXPECT_EQ(GetScIntMask(), 1);

    platform::LogSink::Capture log;
    {
        auto a = JTCore::JTNew<ScIntHolder>(42);
        auto b = JTCore::JTNew<ScIntHolder>();
        EXPECT_EQ(ScIntHolder::liveHolders(), 2);
        SetScIntMask(99);  // would turn every live value into garbage
        EXPECT_EQ(GetScIntMask(), 1);
        EXPECT_TRUE(log.contains("[WARN] SetScIntMask"));
        SetScIntMask(1);  // the same mask again is harmless
        EXPECT_EQ(a->get(), 42);
        EXPECT_EQ(b->get(), 0);
    }
    EXPECT_EQ(ScIntHolder::liveHolders(), 0);
    SetScIntMask(99);
    EXPECT_EQ(GetScIntMask(), 99);
}
