// The texture and sound tables the game core uses by index.

#include "app/appcore/AppCoreBase.h"
#include "app/gameview/AppGameView.h"
#include "app/textures/Texture2D.h"
#include "sound/SoundObj.h"

namespace app {

namespace {
bool inRange(int slot, int count) {
    return slot >= 0 && slot < count;
}
}  // namespace

std::shared_ptr<JTAppBase::ShellTexture> AppCoreBase::texture(int index) {
    return inRange(index, kTextureCount) ? textures_[index] : nullptr;
}

std::shared_ptr<JTAppBase::ShellSound> AppCoreBase::sound(int index) {
    return inRange(index, kSoundCount) ? sounds_[index] : nullptr;
}

std::shared_ptr<JTAppBase::ShellSound> AppCoreBase::music(int) {
    return nullptr;
}

void AppCoreBase::stopLoopingEffects(bool loops, bool music) {
    sound::SoundObj::stopLoopingEffects(loops, music);
}

bool AppCoreBase::musicIsEnabled() {
    return sound::SoundObj::musicIsEnabled();
}

void AppCoreBase::loadImageAt(int slot, const std::string& name) {
    if (!inRange(slot, kTextureCount)) return;
    // Assigning drops the old texture, which frees its GL name exactly once.
    textures_[slot] = newTextureWithName(name);
}

void AppCoreBase::loadSEAt(int slot, const std::string& name) {
    if (!inRange(slot, kSoundCount)) return;
    if (auto old = std::move(sounds_[slot])) old->dispose();
    sounds_[slot] = sound::SoundObj::newEffectWithResourceName(name, "wav");
}

// The game has no music slots: a load into a slot that does not exist is refused rather than
// written past the table.
void AppCoreBase::loadMusicAt(int, const std::string&) {}

void AppCoreBase::setSEVolumeAt(int slot, int32_t volume) {
    if (inRange(slot, kSoundCount) && sounds_[slot]) sounds_[slot]->setVolume(volume);
}

void AppCoreBase::setMusicVolumeAt(int, int32_t) {}

void AppCoreBase::cutEdgeImageAt(int slot) {
    if (!inRange(slot, kTextureCount) || !textures_[slot]) return;
    auto& t = *textures_[slot];
    if (t.pixelsWide() > 0) t.setEdgeMarginH(0.5f / static_cast<float>(t.pixelsWide()));
    if (t.pixelsHigh() > 0) t.setEdgeMarginV(0.5f / static_cast<float>(t.pixelsHigh()));
}

void AppCoreBase::releaseResources() {
    if (!resourceLoaded_) return;
    resourceLoaded_ = false;
    // Every slot is emptied, not just released, so the next game loads afresh instead of
    // drawing with textures whose GL names are gone.
    texIconPause_.reset();
    if (appContext_) appContext_->setGameView(nullptr);
    for (auto& info : orientationDependedInfo_) info.gameView.reset();
    for (auto& t : textures_) t.reset();
    for (auto& s : sounds_) {
        if (s) s->dispose();
        s.reset();
    }
}

}  // namespace app
