// The texture and sound tables the game core uses by index.

#include "app/appcore/AppCoreBase.h"
#include "app/gameview/AppGameView.h"
#include "app/textures/Texture2D.h"
#include "sound/SoundObj.h"

namespace app {

std::shared_ptr<JTAppBase::ShellTexture> AppCoreBase::texture(int index) {
    return resources_.texture(index);
}

std::shared_ptr<JTAppBase::ShellSound> AppCoreBase::sound(int index) {
    return resources_.sound(index);
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
    if (slot < 0 || slot >= kTextureCount) return;
    resources_.setTexture(slot, newTextureWithName(name));
}

void AppCoreBase::loadSEAt(int slot, const std::string& name) {
    resources_.loadEffect(slot, name);
}

// The game has no music slots: a load into a slot that does not exist is refused rather than
// written past the table.
void AppCoreBase::loadMusicAt(int, const std::string&) {}

void AppCoreBase::setSEVolumeAt(int slot, int32_t volume) {
    resources_.setEffectVolume(slot, volume);
}

void AppCoreBase::setMusicVolumeAt(int, int32_t) {}

void AppCoreBase::cutEdgeImageAt(int slot) {
    resources_.cutEdge(slot);
}

void AppCoreBase::releaseResources() {
    if (!resourceLoaded_) return;
    resourceLoaded_ = false;
    // Every slot is emptied, not just released, so the next game loads afresh instead of
    // drawing with textures whose GL names are gone.
    texIconPause_.reset();
    if (appContext_) appContext_->setGameView(nullptr);
    screens_.dropGameViews();
    resources_.clear();
}

}  // namespace app
