#pragma once

// Accelerometer readings that come from a description instead of a hand: what tests and
// headless runs steer with. A script answers the reading for a time since it started; it may
// also answer nothing, as a sensor that has gone silent does.
//
// Descriptions:
//   "flat"                  lying still, screen up
//   "0.2", "const:0.2"      a steady sideways tilt of 0.2 g (right edge down when positive)
//   "sine", "sine:A:P"      a sideways tilt swinging A g (0.08) over P seconds (4): a gentle
//                           weave that keeps the car on the road
//   "silent"                never a reading
//   any other text          a file of samples, one per line, "#" starts a comment:
//                             "x y z"     one reading per delivery, in turn
//                             "t x y z"   from t seconds on
//                           the last reading is held once the file runs out

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/device/Acceleration.h"

namespace platform {

class TiltScript {
  public:
    // nullptr with the reason in *error for a description that is neither a known form nor a
    // readable, well-formed file.
    static std::shared_ptr<TiltScript> parse(const std::string& description,
                                             std::string* error = nullptr);
    // The same for the text of a sample file; `name` only names the source in errors.
    static std::shared_ptr<TiltScript> fromSamples(const std::string& text, const std::string& name,
                                                   std::string* error = nullptr);
    static std::shared_ptr<TiltScript> constant(double x);
    static std::shared_ptr<TiltScript> sine(double amplitude, double period);
    static std::shared_ptr<TiltScript> silent();

    // The reading for the n-th delivery (counted from 0) at `elapsed` seconds since the script
    // started; nothing for a silent script.
    std::optional<Acceleration> sample(long delivery, double elapsed) const;

  private:
    enum class Kind { Constant, Sine, Silent, Sequence, Timed };
    struct Row {
        double t = 0;
        double x = 0, y = 0, z = -1;
    };

    Kind kind_ = Kind::Constant;
    double amplitude_ = 0;
    double period_ = 1;
    std::vector<Row> rows_;
};

}  // namespace platform
