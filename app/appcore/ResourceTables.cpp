#include "app/appcore/ResourceTables.h"

#include "app/textures/Texture2D.h"
#include "sound/SoundObj.h"

namespace app {

namespace {

bool inRange(int slot, int count) {
    return slot >= 0 && slot < count;
}

}  // namespace

std::shared_ptr<Texture2D> ResourceTables::texture(int slot) const {
    return inRange(slot, kTextureCount) ? textures_[slot] : nullptr;
}

std::shared_ptr<sound::SoundObj> ResourceTables::sound(int slot) const {
    return inRange(slot, kSoundCount) ? sounds_[slot] : nullptr;
}

void ResourceTables::setTexture(int slot, std::shared_ptr<Texture2D> texture) {
    if (inRange(slot, kTextureCount)) textures_[slot] = std::move(texture);
}

void ResourceTables::loadEffect(int slot, const std::string& name) {
    if (!inRange(slot, kSoundCount)) return;
    if (auto old = std::move(sounds_[slot])) old->dispose();
    sounds_[slot] = sound::SoundObj::newEffectWithResourceName(name, "wav");
}

void ResourceTables::setEffectVolume(int slot, int32_t volume) {
    if (inRange(slot, kSoundCount) && sounds_[slot]) sounds_[slot]->setVolume(volume);
}

void ResourceTables::cutEdge(int slot) {
    if (!inRange(slot, kTextureCount) || !textures_[slot]) return;
    auto& t = *textures_[slot];
    if (t.pixelsWide() > 0) t.setEdgeMarginH(0.5f / static_cast<float>(t.pixelsWide()));
    if (t.pixelsHigh() > 0) t.setEdgeMarginV(0.5f / static_cast<float>(t.pixelsHigh()));
}

void ResourceTables::clear() {
    for (auto& t : textures_) t.reset();
    for (auto& s : sounds_) {
        if (s) s->dispose();
        s.reset();
    }
}

}  // namespace app
