#include "sound/SoundObj.h"

#include "platform/audio/AudioSession.h"
#include "platform/storage/Bundle.h"
#include "sound/SoundEngine.h"
#include "util/LogMessage.h"

#include <algorithm>

namespace sound {

using platform::audio::AudioSession;

namespace {

struct ClassState {
    // Weak: the engine's list must not keep a sound alive past its owner (the app core), or
    // the sound would be released after the engine it was loaded into.
    std::vector<std::weak_ptr<SoundObj>> soundObjs;
    bool engineUp = false;
    bool musicEnabled = true;
    bool musicExists = false;
    double masterVolumeScale = 0.0;
    SoundObj::ResourcePathResolver resolver;
};

ClassState& state() {
    static ClassState s;
    return s;
}

std::string defaultResourcePath(const std::string& name, const std::string& type) {
    auto bundle = platform::Bundle::mainBundle();
    auto path = bundle ? bundle->pathForResource(name, type) : std::nullopt;
    return path ? path->string() : std::string();
}

}  // namespace

void SoundObj::setResourcePathResolver(ResourcePathResolver resolver) {
    state().resolver = std::move(resolver);
}

std::string SoundObj::pathForResource(const std::string& name, const std::string& type) {
    return state().resolver ? state().resolver(name, type) : defaultResourcePath(name, type);
}

std::shared_ptr<SoundObj> SoundObj::newEffectWithResourceName(const std::string& name,
                                                              const std::string& type) {
    return create(kTypeEffect, pathForResource(name, type));
}

std::shared_ptr<SoundObj> SoundObj::newLoopingEffectWithResourceName(const std::string& name,
                                                                     const std::string& type) {
    return create(kTypeLoopingEffect, pathForResource(name, type));
}

std::shared_ptr<SoundObj> SoundObj::newMusicWithResourceName(const std::string& name,
                                                             const std::string& type) {
    return create(kTypeMusic, pathForResource(name, type));
}

SoundObj::SoundObj(int32_t type, std::string resourcePath)
    : _type(type), _resourcePath(std::move(resourcePath)) {}

SoundObj::~SoundObj() {
    // The owner let go while the engine is up: its effect and music go now, not at teardown.
    unloadResource();
}

std::shared_ptr<SoundObj> SoundObj::create(int32_t type, const std::string& resourcePath) {
    auto obj = std::make_shared<SoundObj>(type, resourcePath);
    if (type == kTypeMusic) state().musicExists = true;
    state().soundObjs.push_back(obj);
    if (state().engineUp) obj->loadResource();
    return obj;
}

void SoundObj::setupWithVolume(int volume) {
    ClassState& s = state();
    if (!s.engineUp) {
        if (volume == 0) return;
        updateAudioSession();
        SoundSystemInitialize(kMixerOutputRate);
        ListenerSetPosition(0, 0, 1.0f);
        s.engineUp = true;
        for (auto& obj : soundObjs()) obj->loadResource();
    }
    s.masterVolumeScale = volume / 100.0;
    for (auto& obj : soundObjs()) obj->onUpdateVolume();
}

void SoundObj::teardown() {
    ClassState& s = state();
    for (auto& obj : soundObjs()) obj->unloadResource();
    s.soundObjs.clear();
    if (s.engineUp) SoundSystemTeardown();
    s.engineUp = false;
}

void SoundObj::updateAudioSession() {
    const ClassState& s = state();
    AudioSession& session = AudioSession::shared();
    session.setCategory(s.musicEnabled && s.musicExists
                            ? platform::audio::kAudioSessionCategory_SoloAmbientSound
                            : platform::audio::kAudioSessionCategory_AmbientSound);
    session.setActive(true);
}

void SoundObj::stopLoopingEffects(bool loops, bool music) {
    for (auto& obj : soundObjs()) {
        if (!obj->_playingLoop) continue;
        if ((obj->_type == kTypeLoopingEffect && loops) || (obj->_type == kTypeMusic && music))
            obj->stop();
    }
}

bool SoundObj::musicIsEnabled() {
    return state().musicEnabled;
}

void SoundObj::setMusicIsEnabled(bool enabled) {
    state().musicEnabled = enabled;
    updateAudioSession();
}

std::vector<std::shared_ptr<SoundObj>> SoundObj::soundObjs() {
    auto& list = state().soundObjs;
    std::erase_if(list, [](const std::weak_ptr<SoundObj>& w) { return w.expired(); });
    std::vector<std::shared_ptr<SoundObj>> live;
    live.reserve(list.size());
    for (const auto& w : list)
        if (auto obj = w.lock()) live.push_back(std::move(obj));
    return live;
}

bool SoundObj::engineIsUp() {
    return state().engineUp;
}

double SoundObj::masterVolumeScale() {
    return state().masterVolumeScale;
}

void SoundObj::resetClassState() {
    teardown();
    ClassState& s = state();
    s.musicEnabled = true;
    s.musicExists = false;
    s.masterVolumeScale = 0.0;
    s.resolver = nullptr;
}

void SoundObj::loadResource() {
    const bool engineUp = state().engineUp;
    switch (_type) {
        case kTypeEffect:
            if (!engineUp || _handle != 0) return;
            EffectLoad(_resourcePath.c_str(), &_handle);
            util::LogMessage("-[SoundObj loadResource]", 1, "SE handle " + std::to_string(_handle));
            setPositionXYZ(0, 0, 0);
            if (_playingLoop) start();
            return;
        case kTypeLoopingEffect:
            if (!engineUp || _handle != 0) return;
            EffectLoadLooping(_resourcePath.c_str(), nullptr, nullptr, &_handle);
            util::LogMessage("-[SoundObj loadResource]", 1, "SE handle " + std::to_string(_handle));
            setPositionXYZ(0, 0, 0);
            // A loop asked for before the engine was up begins now.
            if (_playingLoop) {
                _playingLoop = false;
                start();
            }
            return;
        case kTypeMusic:
            if (engineUp && _playingLoop) {
                _playingLoop = false;
                start();
            }
            return;
    }
}

void SoundObj::start() {
    const bool engineUp = state().engineUp;
    switch (_type) {
        case kTypeEffect:
            if (engineUp && _handle != 0) EffectStart(_handle);
            return;
        case kTypeLoopingEffect:
            if (engineUp && _handle != 0 && !_playingLoop) EffectStart(_handle);
            _playingLoop = true;
            return;
        case kTypeMusic:
            if (_playingLoop) return;
            stopLoopingEffects(false, true);
            if (!state().musicEnabled) return;
            _playingLoop = true;
            if (engineUp) {
                BackgroundTrackLoad(_resourcePath.c_str(), false, false);
                onUpdateVolume();
                BackgroundTrackStart();
                util::LogMessage("-[SoundObj start]", 1, "start music");
            }
            return;
    }
}

void SoundObj::stop() {
    const bool engineUp = state().engineUp;
    switch (_type) {
        case kTypeEffect:
            if (engineUp && _handle != 0) EffectStop(_handle, false);
            return;
        case kTypeLoopingEffect:
            if (engineUp && _handle != 0 && _playingLoop) EffectStop(_handle, false);
            _playingLoop = false;
            return;
        case kTypeMusic:
            if (!_playingLoop) return;
            if (engineUp) BackgroundTrackUnload();
            _playingLoop = false;
            return;
    }
}

void SoundObj::onUpdateVolume() {
    if (!state().engineUp) return;
    const float level = static_cast<float>(state().masterVolumeScale * _sndVolume);
    if (isEffectKind() && _handle != 0)
        EffectSetLevel(_handle, level);
    else if (_type == kTypeMusic && _playingLoop)
        BackgroundTrackSetVolume(level);
}

void SoundObj::setVolume(int volume) {
    _sndVolume = static_cast<float>(volume / 100.0);
    onUpdateVolume();
}

void SoundObj::setPositionXYZ(float x, float y, float z) {
    if (isEffectKind() && _handle != 0 && state().engineUp) EffectSetPosition(_handle, x, y, z);
}

void SoundObj::setPitch(float pitch) {
    if (isEffectKind() && _handle != 0 && state().engineUp) EffectSetPitch(_handle, pitch);
}

void SoundObj::unloadResource() {
    stop();
    if (isEffectKind() && _handle != 0 && state().engineUp) {
        EffectUnload(_handle);
        _handle = 0;
    }
}

void SoundObj::dispose() {
    unloadResource();
    std::erase_if(state().soundObjs, [this](const std::weak_ptr<SoundObj>& w) {
        auto obj = w.lock();
        return !obj || obj.get() == this;
    });
}

}  // namespace sound
