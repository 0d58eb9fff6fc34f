#pragma once

// Pictures and texts that draw one 32 x 32 quad each through the GL table, as the shell's
// textures do, so draw calls land in a recorder in the order the scene made them.

#include <memory>
#include <string>

#include "appbase/ShellInterfaces.h"
#include "platform/gfx/GLES1.h"

namespace gametest {

class QuadTexture : public JTAppBase::ShellTexture {
  public:
    QuadTexture(GLuint id, int format) : id_(id), format_(format) {}

    int pixelFormat() const override { return format_; }
    platform::Size contentSize() const override { return {32, 32}; }
    void drawAtPoint(platform::Point p) override;
    void drawInRect(platform::Rect r) override;
    void drawFromRect(platform::Rect, platform::Rect dst) override { drawInRect(dst); }

  private:
    GLuint id_;
    int format_;
};

// Every text becomes an A8 quad bound to the one texture name kLabelTexture.
class QuadTextFactory : public JTAppBase::TextTextureFactory {
  public:
    static constexpr GLuint kLabelTexture = 100;

    std::shared_ptr<JTAppBase::ShellTexture> newTextTexture(const std::string&, platform::Size, int,
                                                            const std::string&, double,
                                                            float) override;
};

}  // namespace gametest
