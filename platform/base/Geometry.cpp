#include "platform/base/Geometry.h"

#include <algorithm>

namespace platform {

Rect Rect::standardized() const {
    if (isNull()) return *this;
    Rect r = *this;
    if (r.size.width < 0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}

double Rect::minX() const {
    return standardized().origin.x;
}
double Rect::minY() const {
    return standardized().origin.y;
}
double Rect::maxX() const {
    Rect r = standardized();
    return r.origin.x + r.size.width;
}
double Rect::maxY() const {
    Rect r = standardized();
    return r.origin.y + r.size.height;
}
double Rect::midX() const {
    Rect r = standardized();
    return r.origin.x + r.size.width / 2;
}
double Rect::midY() const {
    Rect r = standardized();
    return r.origin.y + r.size.height / 2;
}

bool Rect::contains(Point p) const {
    if (isNull()) return false;
    Rect r = standardized();
    return p.x >= r.origin.x && p.x < r.origin.x + r.size.width && p.y >= r.origin.y &&
           p.y < r.origin.y + r.size.height;
}

bool Rect::contains(const Rect& other) const {
    if (isNull() || other.isNull()) return false;
    return intersection(other) == other.standardized();
}

Rect Rect::intersection(const Rect& other) const {
    if (isNull() || other.isNull()) return null();
    Rect a = standardized();
    Rect b = other.standardized();
    double x0 = std::max(a.origin.x, b.origin.x);
    double y0 = std::max(a.origin.y, b.origin.y);
    double x1 = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width);
    double y1 = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height);
    if (x1 < x0 || y1 < y0) return null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::unionWith(const Rect& other) const {
    if (isNull()) return other.standardized();
    if (other.isNull()) return standardized();
    Rect a = standardized();
    Rect b = other.standardized();
    double x0 = std::min(a.origin.x, b.origin.x);
    double y0 = std::min(a.origin.y, b.origin.y);
    double x1 = std::max(a.origin.x + a.size.width, b.origin.x + b.size.width);
    double y1 = std::max(a.origin.y + a.size.height, b.origin.y + b.size.height);
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect Rect::insetBy(double dx, double dy) const {
    if (isNull()) return *this;
    Rect r = standardized();
    r.origin.x += dx;
    r.origin.y += dy;
    r.size.width -= 2 * dx;
    r.size.height -= 2 * dy;
    // Insetting past the middle leaves nothing: the null rectangle, which callers test for with
    // isNull().
    if (r.size.width < 0 || r.size.height < 0) return null();
    return r;
}

Rect Rect::offsetBy(double dx, double dy) const {
    if (isNull()) return *this;
    Rect r = standardized();
    r.origin.x += dx;
    r.origin.y += dy;
    return r;
}

Rect Rect::integral() const {
    if (isNull()) return *this;
    Rect r = standardized();
    double x0 = std::floor(r.origin.x);
    double y0 = std::floor(r.origin.y);
    double x1 = std::ceil(r.origin.x + r.size.width);
    double y1 = std::ceil(r.origin.y + r.size.height);
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

bool operator==(const Rect& a, const Rect& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    return a.origin == b.origin && a.size == b.size;
}

AffineTransform AffineTransform::rotation(double radians) {
    double s = std::sin(radians);
    double c = std::cos(radians);
    return {c, s, -s, c, 0, 0};
}

AffineTransform AffineTransform::concat(const AffineTransform& t) const {
    return {a * t.a + b * t.c, a * t.b + b * t.d,          c * t.a + d * t.c,
            c * t.b + d * t.d, tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty};
}

AffineTransform AffineTransform::inverted() const {
    double det = a * d - b * c;
    if (det == 0 || !std::isfinite(det)) return *this;
    AffineTransform r;
    r.a = d / det;
    r.b = -b / det;
    r.c = -c / det;
    r.d = a / det;
    r.tx = (c * ty - d * tx) / det;
    r.ty = (b * tx - a * ty) / det;
    return r;
}

Rect AffineTransform::apply(const Rect& r) const {
    if (r.isNull()) return r;
    Rect s = r.standardized();
    Point p[4] = {apply(s.origin), apply(Point{s.origin.x + s.size.width, s.origin.y}),
                  apply(Point{s.origin.x, s.origin.y + s.size.height}),
                  apply(Point{s.origin.x + s.size.width, s.origin.y + s.size.height})};
    double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (const Point& q : p) {
        x0 = std::min(x0, q.x);
        x1 = std::max(x1, q.x);
        y0 = std::min(y0, q.y);
        y1 = std::max(y1, q.y);
    }
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

}  // namespace platform
