#include "platform/services/SystemSound.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace platform::services {
namespace {

TEST(SystemSoundTest, VibrationIsCountedFromAnyThread) {
    SystemSound::resetCountsForTesting();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 100; ++i) SystemSound::play(kSystemSoundIDVibrate);
        });
    for (auto& t : threads) t.join();
    SystemSound::play(1007);
    EXPECT_EQ(SystemSound::playCount(kSystemSoundIDVibrate), 400u);
    EXPECT_EQ(SystemSound::playCount(1007), 1u);
    EXPECT_EQ(SystemSound::playCount(1), 0u);
    SystemSound::resetCountsForTesting();
    EXPECT_EQ(SystemSound::playCount(kSystemSoundIDVibrate), 0u);
}

}  // namespace
}  // namespace platform::services
