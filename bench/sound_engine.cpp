// Costs of the sound engine on the main thread, on a loopback device so the numbers do not
// depend on a sound card: starting a one-shot effect, restarting a looping effect (which
// starts and joins its hand-over thread), setting the volume of every game sound, and mixing
// the four game sounds at once.

#include "platform/audio/AudioDevice.h"
#include "sound/SoundEngine.h"
#include "sound/SoundObj.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const char* const kGameSounds[] = {"fall2", "go", "fly2_06_22k", "bom1s"};

std::string assetPath(const char* name) {
    return std::string(MOVU_SOURCE_DIR) + "/assets/" + name + ".wav";
}

class Engine {
  public:
    Engine() {
        platform::audio::AudioDevice::setLoopbackMode(true);
        sound::SoundSystemInitialize(sound::SoundObj::kMixerOutputRate);
        sound::ListenerSetPosition(0, 0, 1);
        for (const char* name : kGameSounds) {
            uint32_t id = 0;
            sound::EffectLoad(assetPath(name).c_str(), &id);
            ids.push_back(id);
        }
        sound::EffectLoadLooping(assetPath("go").c_str(), assetPath("bom1s").c_str(), nullptr,
                                 &loopId);
    }
    ~Engine() {
        sound::SoundSystemTeardown();
        platform::audio::AudioDevice::setLoopbackMode(false);
    }
    platform::audio::AudioDevice& device() {
        return *platform::audio::AudioDevice::activeLoopback();
    }

    std::vector<uint32_t> ids;
    uint32_t loopId = 0;
};

void BM_EffectStart(benchmark::State& state) {
    Engine engine;
    for (auto _ : state) benchmark::DoNotOptimize(sound::EffectStart(engine.ids[3]));
}
BENCHMARK(BM_EffectStart);

void BM_LoopingEffectRestart(benchmark::State& state) {
    Engine engine;
    for (auto _ : state) {
        benchmark::DoNotOptimize(sound::EffectStart(engine.loopId));
        sound::EffectStop(engine.loopId, false);
    }
}
BENCHMARK(BM_LoopingEffectRestart);

void BM_VolumeChangeOfAllSounds(benchmark::State& state) {
    Engine engine;
    float level = 0.2f;
    for (auto _ : state) {
        for (uint32_t id : engine.ids) sound::EffectSetLevel(id, level);
        level = level == 0.2f ? 0.5f : 0.2f;
    }
}
BENCHMARK(BM_VolumeChangeOfAllSounds);

// One 30 ms game tick of output (1323 frames at 44.1 kHz) with all four sounds playing.
void BM_MixFourSoundsPerTick(benchmark::State& state) {
    Engine engine;
    for (auto _ : state) {
        state.PauseTiming();
        for (uint32_t id : engine.ids) sound::EffectStart(id);
        state.ResumeTiming();
        engine.device().render(1323);
    }
}
BENCHMARK(BM_MixFourSoundsPerTick);

}  // namespace

BENCHMARK_MAIN();
