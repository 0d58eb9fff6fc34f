#pragma once

// A view drawn with GL ES 1 by its owner. Its surface is a framebuffer object of the view's size
// in pixels; the owner draws into it whenever it likes (between prepare and swapBuffers), and
// the compositor shows the last finished frame with the rest of the window.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/GLView.h"

namespace platform::gfx {
class GLContext;
}

namespace app {

class EAGLView;

class EAGLViewDelegate {
  public:
    virtual ~EAGLViewDelegate() = default;
    virtual void didResizeEAGLSurfaceForView(EAGLView& view) = 0;
};

class EAGLView : public platform::ui::GLView {
  public:
    explicit EAGLView(platform::Rect frame = {});
    ~EAGLView() override;
    const char* className() const override { return "EAGLView"; }

    // The context to draw with; none in the base class, which then draws nothing.
    virtual std::shared_ptr<platform::gfx::GLContext> initialEAGLContext() { return nullptr; }

    virtual void start();
    virtual void stop() {}
    void dispose() { destroySurface(); }

    bool setCurrentContext();
    bool isCurrentContext() const;
    bool clearCurrentContext();
    // Finishes the frame: drawing leaves the surface and the compositor shows it next.
    void swapBuffers();
    platform::Point convertPointFromViewToSurface(platform::Point p) const;

    void layoutSubviews() override;
    // The compositor draws the finished frame; a surface it had to remake (new size) becomes
    // ours and is drawn into from the next frame on.
    void renderContent(int pixelWidth, int pixelHeight) override;

    std::shared_ptr<EAGLViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<EAGLViewDelegate> d) { delegate_ = std::move(d); }
    bool autoresizesSurface() const { return autoresize_; }
    void setAutoresizesEAGLSurface(bool autoresize);
    platform::Size surfaceSize() const { return size_; }
    bool hasSurface() { return framebuffer() != nullptr; }
    const std::string& pixelFormat() const { return format_; }
    uint32_t depthFormat() const { return depthFormat_; }
    std::shared_ptr<platform::gfx::GLContext> context() const { return context_; }
    // Pixels per point of the surface.
    double contentScaleFactor() const { return contentScaleFactor_; }
    void setContentScaleFactor(double s) { contentScaleFactor_ = s > 0 ? s : 1; }
    // Frames finished since the view was made.
    long framesSwapped() const { return framesSwapped_; }

  protected:
    bool createSurface();
    void destroySurface();
    // Directs drawing into the surface (made on demand); false when there is none.
    bool bindSurface();

  private:
    std::string format_;
    uint32_t depthFormat_ = 0;
    bool autoresize_ = false;
    std::shared_ptr<platform::gfx::GLContext> context_;
    platform::Size size_;
    std::weak_ptr<EAGLViewDelegate> delegate_;
    double contentScaleFactor_ = 1;
    bool bound_ = false;
    long framesSwapped_ = 0;
};

}  // namespace app
