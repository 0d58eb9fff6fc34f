#pragma once

// A quiet app core whose pictures and texts are real textures on the current GL context: the
// game's five pictures by index, loaded from PNG files, and texts rendered as the shell does.

#include <string>

#include "appbase/ShellInterfaces.h"
#include "game/testsupport/QuietAppCore.h"

namespace app {

class Texture2DTextFactory : public JTAppBase::TextTextureFactory {
  public:
    std::shared_ptr<JTAppBase::ShellTexture> newTextTexture(const std::string& text,
                                                            platform::Size dimensions,
                                                            int alignment,
                                                            const std::string& fontName,
                                                            double fontSize, float scale) override;
};

class Texture2DAppCore : public gametest::QuietAppCore {
  public:
    // Picture i is `<directory>/<name><suffix>.png` ("gameover", "movucar", "gotpts", "circle",
    // "hamburger"), made at `scale`, which is also the contents scale. A picture that does not
    // load is left out: textures.size() tells.
    Texture2DAppCore(const std::string& directory, const std::string& suffix, float scale);

  private:
    Texture2DTextFactory factory_;
};

}  // namespace app
