#include "platform/audio/AudioDevice.h"

#include <AL/alext.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <vector>

#include "platform/audio/AudioSession.h"

namespace platform::audio {
namespace {

std::atomic<bool> loopbackOn{false};
std::atomic<AudioDevice*> lastLoopback{nullptr};

constexpr int kLoopbackDefaultRate = 44100;

// ALSA reports every configuration step it fails on, eight lines on a machine without a sound
// card, before the device open fails anyway; the caller reports that failure in one line.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// OpenAL's own log level, set before main: setenv while another thread reads the environment
// (curl does on every transfer) can crash that thread, and before main there is no other one.
[[maybe_unused]] const bool openALQuieted = [] {
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    return true;
}();

// The audio libraries write to the terminal on their own. Whoever wants their account can
// still ask for it: ALSOFT_LOGLEVEL set by the user is kept.
void quietAudioLibraries() {
    static const bool done = [] {
        snd_lib_error_set_handler(&quietAlsa);
        return true;
    }();
    (void)done;
}

}  // namespace

std::unique_ptr<AudioDevice> AudioDevice::openDefault() {
    bool loopback = loopbackOn.load();
    if (!loopback) quietAudioLibraries();
    ALCdevice* device =
        loopback ? al().alcLoopbackOpenDeviceSOFT(nullptr) : al().alcOpenDevice(nullptr);
    if (!device) return nullptr;
    std::unique_ptr<AudioDevice> result(new AudioDevice(device, loopback));
    if (loopback)
        lastLoopback.store(result.get());
    else
        AudioSession::shared().outputDeviceOpened();
    return result;
}

void AudioDevice::setLoopbackMode(bool on) {
    loopbackOn.store(on);
}

bool AudioDevice::loopbackMode() {
    return loopbackOn.load();
}

AudioDevice* AudioDevice::activeLoopback() {
    return lastLoopback.load();
}

AudioDevice::AudioDevice(ALCdevice* device, bool loopback) : device_(device), loopback_(loopback) {}

AudioDevice::~AudioDevice() {
    AudioDevice* self = this;
    lastLoopback.compare_exchange_strong(self, nullptr);
    if (context_) {
        // A context that is still current cannot be destroyed: unset it first.
        if (al().alcGetCurrentContext() == context_) al().alcMakeContextCurrent(nullptr);
        al().alcDestroyContext(context_);
    }
    if (device_) al().alcCloseDevice(device_);
    if (!loopback_) AudioSession::shared().outputDeviceClosed();
}

ALCenum AudioDevice::createContext(int mixerRate) {
    std::vector<ALCint> attributes;
    if (loopback_) {
        // A loopback device needs its render format spelled out.
        attributes = {ALC_FORMAT_CHANNELS_SOFT,
                      ALC_STEREO_SOFT,
                      ALC_FORMAT_TYPE_SOFT,
                      ALC_SHORT_SOFT,
                      ALC_FREQUENCY,
                      mixerRate > 0 ? mixerRate : kLoopbackDefaultRate};
    } else if (mixerRate > 0) {
        attributes = {ALC_FREQUENCY, mixerRate};
    }
    attributes.push_back(0);
    al().alcGetError(device_);
    context_ = al().alcCreateContext(device_, attributes.data());
    ALCenum error = al().alcGetError(device_);
    if (!context_ && error == ALC_NO_ERROR) error = ALC_INVALID_VALUE;
    return context_ ? ALC_NO_ERROR : error;
}

ALCenum AudioDevice::makeCurrent() {
    al().alcGetError(device_);
    if (al().alcMakeContextCurrent(context_)) return ALC_NO_ERROR;
    ALCenum error = al().alcGetError(device_);
    return error == ALC_NO_ERROR ? ALC_INVALID_CONTEXT : error;
}

int AudioDevice::frequency() const {
    if (!context_) return 0;
    ALCint rate = 0;
    al().alcGetIntegerv(device_, ALC_FREQUENCY, 1, &rate);
    return rate;
}

void AudioDevice::pause() {
    if (loopback_ || paused_) return;
    al().alcDevicePauseSOFT(device_);
    paused_ = true;
}

void AudioDevice::resume() {
    if (!paused_) return;
    al().alcDeviceResumeSOFT(device_);
    paused_ = false;
}

void AudioDevice::render(int frames) {
    if (!loopback_ || !context_ || frames <= 0) return;
    std::vector<short> block(static_cast<size_t>(frames) * 2);
    al().alcRenderSamplesSOFT(device_, block.data(), frames);
    int peak = 0;
    for (short s : block) peak = std::max(peak, std::abs(static_cast<int>(s)));
    lastPeak_ = peak;
}

}  // namespace platform::audio
