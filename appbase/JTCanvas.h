#pragma once

#include <cstdint>
#include <memory>

#include "appbase/JTTouchInfo.h"
#include "appbase/ShellInterfaces.h"
#include "core/JTArrayList.h"

namespace JTAppBase {

class JTAppContext;
using JTAppContextPtr = boost::intrusive_ptr<JTAppContext>;

// The scenes' drawing surface and touch source. Scenes draw in logical units with the origin
// at the top left; the canvas turns that into GL ES 1 calls (origin bottom left) through
// platform::gfx::gl(), drawing the app core's textures by index. Colour state is sent to GL
// only when it changes, and touch records are reused from tick to tick.
class JTCanvas : public JTCore::JTObject {
  public:
    // Colours are alpha << 24 | red << 16 | green << 8 | blue.
    static constexpr int kModeNone = 0;
    static constexpr int kModePremultiplied = 2;
    static constexpr int kModeStraight = 3;
    static constexpr int kModeAuto = 4;
    static constexpr int kModeAdd = 5;

    explicit JTCanvas(JTAppContext* context);

    virtual void setSize(int w, int h);
    virtual int getHeight() const { return height_; }
    virtual int getWidth() const { return width_; }
    virtual JTAppContextPtr getAppContext() const;
    virtual void setColor(uint32_t color);
    virtual void resetColor();
    virtual void setAddColor();
    virtual void clearAddColor();
    virtual int getImageWidth(int image);
    virtual int getImageHeight(int image);
    virtual void drawImage(int image, float x, float y, float anchorX, float anchorY);
    virtual void drawImageScaled(int image, float x, float y, float anchorX, float anchorY,
                                 float scaleX, float scaleY);
    virtual void drawImageRotated(int image, float x, float y, float anchorX, float anchorY,
                                  float scaleX, float scaleY, float angle);
    virtual void drawImageRegion(int image, float sx, float sy, float sw, float sh, float tx,
                                 float ty, float tw, float th);
    virtual void fillRect(float x, float y, float w, float h);
    virtual void drawLine(float x1, float y1, float x2, float y2, float lineWidth);
    virtual void clear(uint32_t color);
    // The single-touch record (in multi-touch mode also the first of the list). Never empty.
    virtual JTTouchInfoPtr getTouch() const { return currentTouch_; }
    // Multi-touch records of this tick; stays empty in single-touch mode.
    virtual JTCore::JTArrayListPtr getTouches() const { return touches_; }
    virtual void setMultiTouchEnabled(bool enabled);
    virtual void beginRender();
    virtual void endRender() {}
    virtual void beginFrame();
    virtual void endFrame() {}

    // Takes the app core from the view; no view, no app core.
    void setView(const std::shared_ptr<ShellGameView>& view);
    // Sends the colour state for a draw with the given texture (none for fills and lines).
    void applyColor(const ShellTexture* texture);

    bool isMultiTouchEnabled() const { return multiTouch_; }
    std::shared_ptr<ShellAppCore> getAppCore() const { return appCore_.lock(); }

  private:
    std::shared_ptr<ShellTexture> textureFor(int image) const;
    void drawTextureInRect(ShellTexture& texture, float x, float y, float w, float h);
    void fillTouch(JTTouchInfo& record, const ShellTouch& touch, ShellGameView* view) const;

    JTCore::JTWeakPtr<JTAppContext> context_;
    int width_ = 1;
    int height_ = 1;
    JTTouchInfoPtr currentTouch_;
    JTCore::JTArrayListPtr touches_;
    bool multiTouch_ = false;
    JTTouchInfoPtr spareTouch_;
    std::weak_ptr<ShellAppCore> appCore_;
    std::weak_ptr<ShellGameView> gameView_;
    uint32_t color_ = 0;
    int colorMode_ = kModeNone;
    uint32_t appliedColor_ = 0;
    int appliedMode_ = kModeNone;
};

using JTCanvasPtr = boost::intrusive_ptr<JTCanvas>;

}  // namespace JTAppBase
