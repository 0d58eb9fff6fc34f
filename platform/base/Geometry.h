#pragma once

// Points, sizes, rectangles and affine transforms with the rules the view code was written against:
// a rectangle may have a negative size (it is standardized before any measurement), and the "null"
// rectangle (what an empty intersection answers) differs from the zero rectangle.

#include <cmath>
#include <limits>

namespace platform {

struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
    Point operator+(const Point& o) const { return {x + o.x, y + o.y}; }
    Point operator-(const Point& o) const { return {x - o.x, y - o.y}; }
};

struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point o, Size s) : origin(o), size(s) {}
    constexpr Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

    static constexpr Rect zero() { return {}; }
    // The rectangle with no position at all; its origin is infinite, so no union or intersection
    // with it can be mistaken for a real position.
    static constexpr Rect null() {
        constexpr double inf = std::numeric_limits<double>::infinity();
        return Rect(inf, inf, 0, 0);
    }
    static constexpr Rect infinite() {
        constexpr double big = std::numeric_limits<double>::max() / 2;
        return Rect(-big, -big, std::numeric_limits<double>::max(),
                    std::numeric_limits<double>::max());
    }

    bool isNull() const { return std::isinf(origin.x) && origin.x > 0; }
    // Null rectangles and rectangles without area are empty.
    bool isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }

    // Same rectangle with a non-negative size.
    Rect standardized() const;

    double minX() const;
    double midX() const;
    double maxX() const;
    double minY() const;
    double midY() const;
    double maxY() const;
    double width() const { return std::fabs(size.width); }
    double height() const { return std::fabs(size.height); }

    // Points on the max edges are outside, so two rectangles that share an edge never both hit.
    bool contains(Point p) const;
    bool contains(const Rect& r) const;
    bool intersects(const Rect& r) const { return !intersection(r).isNull(); }

    // Null when the rectangles do not overlap (touching edges give a zero-area rectangle).
    Rect intersection(const Rect& r) const;
    // The null rectangle is the identity of the union.
    Rect unionWith(const Rect& r) const;
    Rect insetBy(double dx, double dy) const;
    Rect offsetBy(double dx, double dy) const;
    // Rounds outwards to whole numbers.
    Rect integral() const;

    // Null rectangles are all equal; others compare exactly.
    friend bool operator==(const Rect& a, const Rect& b);
};

struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static constexpr AffineTransform identity() { return {}; }
    static AffineTransform translation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    // Counter-clockwise by the angle in radians in a y-up system (clockwise on screen).
    static AffineTransform rotation(double radians);

    bool isIdentity() const { return *this == identity(); }

    // this, then t: points go through this transform first.
    AffineTransform concat(const AffineTransform& t) const;
    AffineTransform translated(double x, double y) const { return translation(x, y).concat(*this); }
    AffineTransform scaled(double sx, double sy) const { return scale(sx, sy).concat(*this); }
    AffineTransform rotated(double radians) const { return rotation(radians).concat(*this); }
    // A singular transform is answered unchanged (it has no inverse; callers keep working with what
    // they had rather than with NaNs).
    AffineTransform inverted() const;

    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    Size apply(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
    // Bounding box of the transformed rectangle.
    Rect apply(const Rect& r) const;

    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

}  // namespace platform
