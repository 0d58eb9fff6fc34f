#include "platform/services/SystemSound.h"

#include <map>
#include <mutex>

namespace platform::services {

namespace {

std::mutex& countMutex() {
    static std::mutex m;
    return m;
}

std::map<std::uint32_t, std::uint64_t>& counts() {
    static std::map<std::uint32_t, std::uint64_t> c;
    return c;
}

}  // namespace

void SystemSound::play(std::uint32_t soundId) {
    std::lock_guard lock(countMutex());
    ++counts()[soundId];
}

std::uint64_t SystemSound::playCount(std::uint32_t soundId) {
    std::lock_guard lock(countMutex());
    auto it = counts().find(soundId);
    return it == counts().end() ? 0 : it->second;
}

void SystemSound::resetCountsForTesting() {
    std::lock_guard lock(countMutex());
    counts().clear();
}

}  // namespace platform::services
