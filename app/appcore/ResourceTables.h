#pragma once

// The game's textures and sound effects by slot, as the game core asks for them by index
// (textures: 0 game-over picture, 1 car, 2 "+100", 3 after-image, 4 hamburger; sounds: the
// effects the level plays). A slot out of range is empty when read and refused when written,
// never a write past the table. Owned by the app core, so the textures and sounds go with it.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace sound {
class SoundObj;
}

namespace app {

class Texture2D;

class ResourceTables {
  public:
    static constexpr int kTextureCount = 5;
    static constexpr int kSoundCount = 4;

    std::shared_ptr<Texture2D> texture(int slot) const;
    std::shared_ptr<sound::SoundObj> sound(int slot) const;

    // Assigning drops the old texture, which frees its GL name exactly once.
    void setTexture(int slot, std::shared_ptr<Texture2D> texture);
    // The effect of the bundle's "<name>.wav"; the old one of the slot is unloaded first.
    void loadEffect(int slot, const std::string& name);
    void setEffectVolume(int slot, int32_t volume);
    // Half a texel of margin on every edge, so linear filtering never reads past the picture.
    void cutEdge(int slot);
    // Empties every slot (the effects are unloaded), so the next game loads afresh instead of
    // drawing with textures whose GL names are gone.
    void clear();

  private:
    std::array<std::shared_ptr<Texture2D>, kTextureCount> textures_;
    std::array<std::shared_ptr<sound::SoundObj>, kSoundCount> sounds_;
};

}  // namespace app
