#include "platform/device/Accelerometer.h"

#include <algorithm>
#include <cmath>

#include <SDL.h>

#include "platform/device/TiltScript.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Timer.h"

namespace platform {

Accelerometer& Accelerometer::shared() {
    static Accelerometer* accelerometer = new Accelerometer();  // lives until the process ends
    return *accelerometer;
}

void Accelerometer::setUpdateInterval(double seconds) {
    if (!std::isfinite(seconds)) seconds = kMaxInterval;
    seconds = std::clamp(seconds, kMinInterval, kMaxInterval);
    if (seconds == interval_) return;
    interval_ = seconds;
    if (timer_) restartTimer();
}

void Accelerometer::setDelegate(std::weak_ptr<AccelerometerDelegate> delegate) {
    delegate_ = std::move(delegate);
    if (delegate_.lock()) {
        if (!timer_) restartTimer();
    } else if (timer_) {
        timer_->invalidate();
        timer_.reset();
    }
}

void Accelerometer::restartTimer() {
    if (timer_) timer_->invalidate();
    timer_ = Timer::schedule(interval_, true, [this] { deliver(); });
}

void Accelerometer::deliver() {
    auto delegate = delegate_.lock();
    if (!delegate) {
        if (timer_) timer_->invalidate();
        timer_.reset();
        return;
    }
    double now = Clock::monotonic();
    std::optional<Acceleration> reading;
    if (script_) {
        reading = script_->sample(scriptDeliveries_++, now - scriptStart_);
        if (reading) reading->timestamp = now;
    } else {
        reading = makeReading(now);
    }
    if (!reading) return;
    ++deliveries_;
    delegate->accelerometerDidAccelerate(*this, *reading);
}

void Accelerometer::setScript(std::shared_ptr<TiltScript> script) {
    script_ = std::move(script);
    scriptStart_ = Clock::monotonic();
    scriptDeliveries_ = 0;
}

Acceleration Accelerometer::makeReading(double now) {
    double dt = lastReading_ < 0 ? 0 : std::max(0.0, now - lastReading_);
    lastReading_ = now;

    bool left = keyLeft_ || keyA_;
    bool right = keyRight_ || keyD_;
    double target = 0;
    if (left || right) {
        target = (right ? kKeyTilt : 0) - (left ? kKeyTilt : 0);
    } else if (haveGamepadReading_) {
        // The pad is the sensor itself: no easing, but keys and mouse continue from here.
        tiltX_ = std::clamp(gamepadReading_.x, -1.0, 1.0);
        Acceleration a = gamepadReading_;
        a.timestamp = now;
        return a;
    } else if (pointerInside_ && mouseSteers_ && windowWidth_ > 0) {
        double across = 0;
        if (mouseOrigin_) {
            // Relative to where the pointer was pressed, with the whole tilt still reachable
            // on either side of it.
            double d = mouseX_ - *mouseOrigin_;
            double room = d >= 0 ? windowWidth_ - *mouseOrigin_ : *mouseOrigin_;
            across = room > 0 ? std::clamp(d / room, -1.0, 1.0) : 0;
        } else {
            across = std::clamp(2 * mouseX_ / windowWidth_ - 1, -1.0, 1.0);
        }
        target = across * kMouseTilt;
    }
    tiltX_ += (target - tiltX_) * (1 - std::exp(-dt / kEaseSeconds));
    return Acceleration::sideways(tiltX_, now);
}

bool Accelerometer::handleEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            bool down = event.type == SDL_KEYDOWN;
            switch (event.key.keysym.scancode) {
                case SDL_SCANCODE_LEFT:
                    keyLeft_ = down;
                    break;
                case SDL_SCANCODE_RIGHT:
                    keyRight_ = down;
                    break;
                case SDL_SCANCODE_A:
                    keyA_ = down;
                    break;
                case SDL_SCANCODE_D:
                    keyD_ = down;
                    break;
                default:
                    return false;
            }
            // Steering by key hands the car back from the mouse until the mouse moves again.
            if (down) mouseSteers_ = false;
            return true;
        }
        case SDL_MOUSEBUTTONDOWN:
            // A press works a control (pause, resume, a button), wherever it is: the pointer
            // resting there is no steer. It steers again once it moves, from this point.
            mouseSteers_ = false;
            mouseOrigin_ = std::clamp(double(event.button.x), 0.0, double(windowWidth_));
            return true;
        case SDL_MOUSEMOTION:
            mouseX_ = event.motion.x;
            pointerInside_ = true;
            mouseSteers_ = true;
            return true;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_ENTER:
                    pointerInside_ = true;
                    return true;
                case SDL_WINDOWEVENT_LEAVE:
                    pointerInside_ = false;
                    return true;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    // Key-up events go to the window that has the focus; without it keys would
                    // stick.
                    keyLeft_ = keyRight_ = keyA_ = keyD_ = false;
                    return true;
                default:
                    return false;
            }
        case SDL_CONTROLLERDEVICEADDED:
            openGamepad(event.cdevice.which);
            return true;
        case SDL_CONTROLLERDEVICEREMOVED: {
            auto it = gamepads_.find(event.cdevice.which);
            if (it != gamepads_.end()) {
                SDL_GameControllerClose(it->second);
                gamepads_.erase(it);
            }
            if (gamepads_.empty()) haveGamepadReading_ = false;
            return true;
        }
        case SDL_CONTROLLERSENSORUPDATE: {
            if (event.csensor.sensor != SDL_SENSOR_ACCEL) return false;
            const float* d = event.csensor.data;
            if (!std::isfinite(d[0]) || !std::isfinite(d[1]) || !std::isfinite(d[2])) return true;
            // SDL reports the force that holds the pad up (m/s^2; x right, y up, z towards the
            // player); a reading here is gravity's pull in g with the pad held like a phone lying
            // screen up: x right, y away from the player, z up out of the pad's face.
            gamepadReading_.x = -d[0] / SDL_STANDARD_GRAVITY;
            gamepadReading_.y = d[2] / SDL_STANDARD_GRAVITY;
            gamepadReading_.z = -d[1] / SDL_STANDARD_GRAVITY;
            haveGamepadReading_ = true;
            return true;
        }
        default:
            return false;
    }
}

void Accelerometer::holdPointer() {
    mouseSteers_ = false;
    // Where the pointer is unknown (it never moved over the window), the window's middle
    // stays the untilted position.
    if (pointerInside_ && windowWidth_ > 0)
        mouseOrigin_ = std::clamp(mouseX_, 0.0, double(windowWidth_));
}

void Accelerometer::openGamepad(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) return;
    SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
    if (gamepads_.count(id) || !SDL_GameControllerHasSensor(pad, SDL_SENSOR_ACCEL) ||
        SDL_GameControllerSetSensorEnabled(pad, SDL_SENSOR_ACCEL, SDL_TRUE) != 0) {
        // Already open (SDL reports pads present at start-up too), or no motion sensor.
        SDL_GameControllerClose(pad);
        return;
    }
    gamepads_[id] = pad;
}

void Accelerometer::closeGamepads() {
    for (auto& [id, pad] : gamepads_) SDL_GameControllerClose(pad);
    gamepads_.clear();
    haveGamepadReading_ = false;
}

void Accelerometer::reset() {
    if (timer_) timer_->invalidate();
    timer_.reset();
    delegate_.reset();
    interval_ = 0.02;
    deliveries_ = 0;
    script_.reset();
    scriptStart_ = 0;
    scriptDeliveries_ = 0;
    keyA_ = keyD_ = keyLeft_ = keyRight_ = false;
    pointerInside_ = mouseSteers_ = false;
    mouseX_ = 0;
    mouseOrigin_.reset();
    windowWidth_ = 0;
    tiltX_ = 0;
    lastReading_ = -1;
    closeGamepads();
}

}  // namespace platform
