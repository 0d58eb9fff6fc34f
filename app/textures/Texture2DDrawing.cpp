#include "app/textures/Texture2D.h"

#include <algorithm>
#include <iterator>

#include "platform/gfx/GLES1.h"

namespace app {

bool Texture2D::isEmpty() const {
    return name_ == 0 || width_ == 0 || height_ == 0 || !(size_.width > 0) || !(size_.height > 0);
}

void Texture2D::drawQuad(float x0, float y0, float x1, float y1, float s0, float t0, float s1,
                         float t1) {
    // Strip order: (left, low y), (right, low y), (left, high y), (right, high y). The picture's
    // top is at t0, so the low-y edge shows its bottom.
    const GLfloat vertices[12] = {x0, y0, 0, x1, y0, 0, x0, y1, 0, x1, y1, 0};
    const GLfloat coordinates[8] = {s0, t1, s1, t1, s0, t0, s1, t0};
    std::copy(std::begin(vertices), std::end(vertices), vertices_);
    std::copy(std::begin(coordinates), std::end(coordinates), coordinates_);

    auto& g = platform::gfx::gl();
    g.glBindTexture(GL_TEXTURE_2D, name_);
    g.glVertexPointer(3, GL_FLOAT, 0, vertices_);
    g.glTexCoordPointer(2, GL_FLOAT, 0, coordinates_);
    g.glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void Texture2D::drawAtPoint(platform::Point point) {
    if (isEmpty()) return;
    const double w = size_.width;
    const double h = size_.height;
    drawQuad(float(point.x - w / 2), float(point.y - h / 2), float(point.x + w / 2),
             float(point.y + h / 2), edgeMarginH_, edgeMarginV_, maxS_ - edgeMarginH_,
             maxT_ - edgeMarginV_);
}

void Texture2D::drawInRect(platform::Rect rect) {
    if (isEmpty()) return;
    drawQuad(float(rect.origin.x), float(rect.origin.y), float(rect.origin.x + rect.size.width),
             float(rect.origin.y + rect.size.height), edgeMarginH_, edgeMarginV_,
             maxS_ - edgeMarginH_, maxT_ - edgeMarginV_);
}

void Texture2D::drawFromRect(platform::Rect source, platform::Rect destination) {
    if (isEmpty()) return;
    const double w = size_.width;
    const double h = size_.height;
    const float s0 = float(maxS_ * source.origin.x / w) + edgeMarginH_;
    const float s1 = float(maxS_ * (source.origin.x + source.size.width) / w) - edgeMarginH_;
    const float t0 = float(maxT_ * source.origin.y / h) + edgeMarginV_;
    const float t1 = float(maxT_ * (source.origin.y + source.size.height) / h) - edgeMarginV_;
    drawQuad(float(destination.origin.x), float(destination.origin.y),
             float(destination.origin.x + destination.size.width),
             float(destination.origin.y + destination.size.height), s0, t0, s1, t1);
}

}  // namespace app
