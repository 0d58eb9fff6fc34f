#pragma once

// Where the user is, as an app hands it to an ad request: coordinates with their accuracy, or
// a free description of a place. The server reads a precise location as the "uule" record
// (microseconds, 1e-7 degrees, millimetres). An immutable value; copies keep the moment the
// original was made.

#include <cstddef>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace ads {

class GADLocation {
  public:
    // Coordinates that are not a precise location (below) are refused.
    static std::optional<GADLocation> initWithLatitude(double latitude, double longitude,
                                                       double accuracy);
    // An empty description is refused.
    static std::optional<GADLocation> initWithLocationDescription(std::string description);

    // Within range (|latitude| <= 90, |longitude| <= 180) and not 0,0: both coordinates
    // within 1.19e-7 of zero is how an unset location arrives. A place on the equator or on
    // the prime meridian is precise. An accuracy that is not a finite number is refused.
    static bool isPreciseLocation(double latitude, double longitude, double accuracy);
    static constexpr double kEpsilon = 1.1920928955078125e-7;

    double latitude() const { return latitude_; }
    double longitude() const { return longitude_; }
    double accuracy() const { return accuracy_; }
    // Seconds since 1970 at creation.
    double timestamp() const { return timestamp_; }
    bool isPreciseLocation() const;

    // The given description; for coordinates "%f,%f"; otherwise "".
    std::string locationDescription() const;
    // For a precise location: {"time": microseconds, "lat", "long": 1e-7 degrees truncated,
    // "radius": millimetres}; nothing otherwise.
    std::optional<platform::Value> dictionaryRepresentation() const;

    // Precise locations are equal when every coordinate and the accuracy differ by less than
    // kEpsilon; the others by their descriptions. The time never counts.
    friend bool operator==(const GADLocation& a, const GADLocation& b);
    // Alike for equal locations: since precise locations are equal within a tolerance, they
    // all share one value.
    std::size_t hash() const;

    // "<GADLocation: description>"
    std::string description() const;

  private:
    GADLocation() = default;

    double latitude_ = 0;
    double longitude_ = 0;
    double accuracy_ = 0;
    std::optional<std::string> description_;
    double timestamp_ = 0;
};

}  // namespace ads

template <>
struct std::hash<ads::GADLocation> {
    std::size_t operator()(const ads::GADLocation& location) const { return location.hash(); }
};
