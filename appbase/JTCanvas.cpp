#include "appbase/JTCanvas.h"

#include <cmath>

#include "appbase/JTAppContext.h"
#include "platform/gfx/GLES1.h"

namespace JTAppBase {

using platform::gfx::gl;

namespace {
constexpr double kPi = 3.14159265358979323846;

float clampTo(double v, double bound) {
    if (!(v > 0)) return 0;  // also catches NaN
    return static_cast<float>(v > bound ? bound : v);
}

// Untextured geometry: texturing and the texture-coordinate array are off while it draws, so
// no stale coordinate pointer is read for its vertices.
void drawUntextured(GLenum mode, const GLfloat* vertices, GLsizei count) {
    auto& g = gl();
    g.glDisable(GL_TEXTURE_2D);
    g.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    g.glVertexPointer(3, GL_FLOAT, 0, vertices);
    g.glDrawArrays(mode, 0, count);
    g.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    g.glEnable(GL_TEXTURE_2D);
}
}  // namespace

JTCanvas::JTCanvas(JTAppContext* context)
    : context_(context),
      touches_(JTCore::JTNew<JTCore::JTArrayList>()),
      spareTouch_(JTCore::JTNew<JTTouchInfo>()) {
    // Scenes may ask for the touch before the first tick has gathered one.
    currentTouch_ = spareTouch_;
}

void JTCanvas::setSize(int w, int h) {
    width_ = w;
    height_ = h;
    setMultiTouchEnabled(multiTouch_);
    appliedColor_ = 0xFFFFFFFF;
    resetColor();
}

JTAppContextPtr JTCanvas::getAppContext() const {
    return context_.lock();
}

void JTCanvas::setColor(uint32_t color) {
    color_ = color;
    colorMode_ = kModeAuto;
}

void JTCanvas::resetColor() {
    setColor(0xFFFFFFFF);
}

void JTCanvas::setAddColor() {
    color_ = 0xFFFFFFFF;
    colorMode_ = kModeAdd;
}

void JTCanvas::clearAddColor() {
    resetColor();
}

std::shared_ptr<ShellTexture> JTCanvas::textureFor(int image) const {
    auto core = appCore_.lock();
    return core ? core->texture(image) : nullptr;
}

int JTCanvas::getImageWidth(int image) {
    auto t = textureFor(image);
    return t ? static_cast<int>(t->contentSize().width) : 0;
}

int JTCanvas::getImageHeight(int image) {
    auto t = textureFor(image);
    return t ? static_cast<int>(t->contentSize().height) : 0;
}

void JTCanvas::applyColor(const ShellTexture* texture) {
    int mode = colorMode_;
    if (mode == kModeAuto) {
        mode = (texture == nullptr || texture->pixelFormat() == ShellTexture::kA8)
                   ? kModeStraight
                   : kModePremultiplied;
    }
    if (mode == appliedMode_ && color_ == appliedColor_) return;

    const unsigned a = (color_ >> 24) & 0xFF;
    const unsigned r = (color_ >> 16) & 0xFF;
    const unsigned g = (color_ >> 8) & 0xFF;
    const unsigned b = color_ & 0xFF;
    auto& api = gl();
    switch (mode) {
        case kModePremultiplied:
            api.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            api.glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
            api.glColor4ub(r * a / 255, g * a / 255, b * a / 255, a);
            break;
        case kModeStraight:
            api.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
            api.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            api.glColor4ub(r, g, b, a);
            break;
        case kModeAdd:
            api.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
            api.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            api.glColor4ub(r, g, b, a);
            break;
        default:
            break;  // no colour requested yet
    }
    appliedMode_ = mode;
    appliedColor_ = color_;
}

void JTCanvas::drawTextureInRect(ShellTexture& texture, float x, float y, float w, float h) {
    texture.drawInRect(platform::Rect(x, y, w, h));
}

void JTCanvas::drawImage(int image, float x, float y, float anchorX, float anchorY) {
    drawImageScaled(image, x, y, anchorX, anchorY, 1.0f, 1.0f);
}

void JTCanvas::drawImageScaled(int image, float x, float y, float anchorX, float anchorY,
                               float scaleX, float scaleY) {
    auto t = textureFor(image);
    if (!t) return;
    const platform::Size size = t->contentSize();
    const float w = static_cast<float>(size.width) * scaleX;
    const float h = static_cast<float>(size.height) * scaleY;
    applyColor(t.get());
    drawTextureInRect(*t, x - anchorX * w, (height_ - y) - (1 - anchorY) * h, w, h);
}

void JTCanvas::drawImageRotated(int image, float x, float y, float anchorX, float anchorY,
                                float scaleX, float scaleY, float angle) {
    auto t = textureFor(image);
    if (!t) return;
    const platform::Size size = t->contentSize();
    const float w = static_cast<float>(size.width) * scaleX;
    const float h = static_cast<float>(size.height) * scaleY;
    applyColor(t.get());
    auto& g = gl();
    g.glPushMatrix();
    g.glTranslatef(x, height_ - y, 0);
    g.glRotatef(static_cast<float>(angle * 180.0 / kPi), 0, 0, 1);
    drawTextureInRect(*t, -anchorX * w, -(1 - anchorY) * h, w, h);
    g.glPopMatrix();
}

void JTCanvas::drawImageRegion(int image, float sx, float sy, float sw, float sh, float tx,
                               float ty, float tw, float th) {
    auto t = textureFor(image);
    if (!t) return;
    applyColor(t.get());
    t->drawFromRect(platform::Rect(sx, sy, sw, sh),
                    platform::Rect(tx, height_ - (ty + th), tw, th));
}

void JTCanvas::fillRect(float x, float y, float w, float h) {
    applyColor(nullptr);
    const float y0 = height_ - y - h;
    const GLfloat v[] = {x, y0, 0, x + w, y0, 0, x, y0 + h, 0, x + w, y0 + h, 0};
    drawUntextured(GL_TRIANGLE_STRIP, v, 4);
}

void JTCanvas::drawLine(float x1, float y1, float x2, float y2, float lineWidth) {
    applyColor(nullptr);
    const GLfloat v[] = {x1, height_ - y1, 0, x2, height_ - y2, 0};
    // Without an app core there is no surface scale to honour; draw at one pixel per unit.
    auto core = appCore_.lock();
    const float scale = core ? core->contentsScaleValue() : 1.0f;
    auto& g = gl();
    g.glDisable(GL_TEXTURE_2D);
    g.glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    g.glLineWidth(lineWidth * scale);
    g.glVertexPointer(3, GL_FLOAT, 0, v);
    g.glDrawArrays(GL_LINES, 0, 2);
    g.glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    g.glEnable(GL_TEXTURE_2D);
}

void JTCanvas::clear(uint32_t color) {
    auto& g = gl();
    g.glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                   (color & 0xFF) / 255.0f, ((color >> 24) & 0xFF) / 255.0f);
    g.glClear(GL_COLOR_BUFFER_BIT);
}

void JTCanvas::setMultiTouchEnabled(bool enabled) {
    multiTouch_ = enabled;
    if (auto view = gameView_.lock()) view->setMultipleTouchEnabled(enabled);
    if (!enabled) touches_->clear();
}

void JTCanvas::beginRender() {
    appliedMode_ = kModeNone;
}

void JTCanvas::fillTouch(JTTouchInfo& record, const ShellTouch& touch, ShellGameView* view) const {
    platform::Point p = touch.locationInView(view);
    if (view != nullptr) p = view->convertPointFromRawView(p);
    record.setX(clampTo(p.x, width_));
    record.setY(clampTo(p.y, height_));
    record.setDown(true);
}

void JTCanvas::beginFrame() {
    const int32_t n = touches_->size();
    currentTouch_ = spareTouch_;
    spareTouch_->setDown(false);

    auto context = context_.lock();
    if (!context) return;
    auto view = gameView_.lock();

    if (!multiTouch_) {
        if (const auto& touch = context->currentTouch())
            fillTouch(*currentTouch_, *touch, view.get());
        return;
    }

    int32_t i = 0;
    for (const auto& touch : context->activeTouches()) {
        if (!touch) continue;
        JTTouchInfoPtr record;
        if (i < n) {
            record = boost::static_pointer_cast<JTTouchInfo>(touches_->get(i));
        } else {
            record = i == 0 ? spareTouch_ : JTCore::JTNew<JTTouchInfo>();
            touches_->add(record);
        }
        fillTouch(*record, *touch, view.get());
        ++i;
    }
    while (touches_->size() > i) touches_->remove(touches_->size() - 1);
}

void JTCanvas::setView(const std::shared_ptr<ShellGameView>& view) {
    gameView_ = view;
    appCore_ = view ? view->appCore() : nullptr;
}

}  // namespace JTAppBase
