#pragma once

// The one accelerometer of the machine. While it has a delegate it delivers a reading every
// update interval on the main loop. A desktop has no tilt sensor, so the reading is made from
// what the player has at hand, in this order:
//   - a script, when one is set (tests and headless runs): nothing else counts then;
//   - the arrow keys or A/D: a steady tilt while held, easing back when released;
//   - a gamepad's motion sensor, when SDL offers one;
//   - the mouse's horizontal position while the pointer is over the window (once it moved
//     there since the last key press or mouse click), easing like the keys: at first from the
//     window's middle, after a click from where the click was, so that a click on a control
//     (the pause button in a corner, Resume) is no steer; a game resumed by key holds the
//     pointer the same way where it rests;
//   - otherwise the reading eases back to lying flat.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/device/Acceleration.h"

union SDL_Event;
struct _SDL_GameController;

namespace platform {

class Timer;
class TiltScript;
class Accelerometer;

class AccelerometerDelegate {
  public:
    virtual ~AccelerometerDelegate() = default;
    virtual void accelerometerDidAccelerate(Accelerometer& accelerometer,
                                            const Acceleration& acceleration) = 0;
};

class Accelerometer {
  public:
    // Sideways tilt while an arrow key is held: a firm steer two thirds of the way to the
    // screen's edge; a tap steers less, as the tilt eases in.
    static constexpr double kKeyTilt = 0.2;
    // Tilt with the pointer on the window's left or right edge.
    static constexpr double kMouseTilt = 0.4;
    // How fast the key and mouse tilt follows its target (time constant, seconds).
    static constexpr double kEaseSeconds = 0.2;
    static constexpr double kMinInterval = 0.005;
    static constexpr double kMaxInterval = 1.0;

    static Accelerometer& shared();

    // Seconds between readings, kept within kMinInterval..kMaxInterval; a change takes effect
    // at once.
    void setUpdateInterval(double seconds);
    double updateInterval() const { return interval_; }
    // Readings go to the delegate, which is not owned; an empty one stops the readings.
    void setDelegate(std::weak_ptr<AccelerometerDelegate> delegate);
    std::shared_ptr<AccelerometerDelegate> delegate() const { return delegate_.lock(); }

    // A script replaces the live inputs (nullptr returns to them); it starts at time 0 now.
    void setScript(std::shared_ptr<TiltScript> script);
    bool hasScript() const { return script_ != nullptr; }

    // Keys, mouse, window focus and gamepads. Answers whether the event was one of ours
    // (others may use it too: the mouse also makes touches).
    bool handleEvent(const SDL_Event& event);
    // The window's width in the units of its mouse events.
    void setWindowWidth(int width) { windowWidth_ = width; }
    // The pointer resting where it is now is no steer until it moves, and steers from here
    // then: a game that resumes by key must not take a pointer left at an edge while it was
    // paused for a hard turn.
    void holdPointer();

    // The reading the next delivery would make, advancing the easing to `now`.
    Acceleration makeReading(double now);
    // Readings delivered since the program started (diagnostics, tests).
    long deliveries() const { return deliveries_; }

    // Back to no delegate, no script, no input held, the default interval (tests).
    void reset();

  private:
    Accelerometer() = default;
    void restartTimer();
    void deliver();
    void openGamepad(int deviceIndex);
    void closeGamepads();

    double interval_ = 0.02;
    std::weak_ptr<AccelerometerDelegate> delegate_;
    std::shared_ptr<Timer> timer_;
    long deliveries_ = 0;

    std::shared_ptr<TiltScript> script_;
    double scriptStart_ = 0;
    long scriptDeliveries_ = 0;

    bool keyA_ = false, keyD_ = false, keyLeft_ = false, keyRight_ = false;
    bool pointerInside_ = false;
    bool mouseSteers_ = false;
    double mouseX_ = 0;
    // Where the pointer was last pressed: the untilted position from then on.
    std::optional<double> mouseOrigin_;
    int windowWidth_ = 0;
    double tiltX_ = 0;
    double lastReading_ = -1;
    bool haveGamepadReading_ = false;
    Acceleration gamepadReading_;
    std::map<int32_t, _SDL_GameController*> gamepads_;
};

}  // namespace platform
