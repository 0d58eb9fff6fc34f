#include "game/testsupport/QuietAppCore.h"

namespace gametest {

std::shared_ptr<JTAppBase::ShellTexture> QuietAppCore::texture(int index) {
    auto it = textures.find(index);
    return it == textures.end() ? nullptr : it->second;
}

}  // namespace gametest
