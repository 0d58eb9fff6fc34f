#pragma once

// The only doors from the game core into the app shell. The shell implements these classes
// (its objects live in std::shared_ptr); the game core keeps std::weak_ptr to them, never an
// owning reference, and treats an empty pointer as "nothing there": a call through it does
// nothing and answers 0, false or empty.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <boost/intrusive_ptr.hpp>

#include "platform/base/Geometry.h"

namespace JTAppBase {

class JTScene;
class JTLevelInfo;
class ShellAppCore;
class ShellGameView;

// A GL texture of the shell: a picture or a rendered text.
class ShellTexture {
  public:
    // Pixel formats as the shell reports them; the canvas only cares about kA8.
    static constexpr int kRGBA8888 = 1;
    static constexpr int kRGB565 = 2;
    static constexpr int kA8 = 3;

    virtual ~ShellTexture() = default;
    virtual int pixelFormat() const = 0;
    // The picture's size in logical points.
    virtual platform::Size contentSize() const = 0;
    // Drawing coordinates have their origin at the bottom left (GL's).
    virtual void drawAtPoint(platform::Point p) = 0;  // centred on p
    virtual void drawInRect(platform::Rect r) = 0;
    virtual void drawFromRect(platform::Rect src, platform::Rect dst) = 0;
};

// Renders a text into an alpha-only texture. The box and the font size are in pixels; the
// alignment is 0 left, 1 centred, 2 right.
class TextTextureFactory {
  public:
    virtual ~TextTextureFactory() = default;
    virtual std::shared_ptr<ShellTexture> newTextTexture(const std::string& utf8Text,
                                                         platform::Size dimensionsPx, int alignment,
                                                         const std::string& fontName,
                                                         double fontSizePx,
                                                         float contentsScale) = 0;
};

// One sound effect or music resource.
class ShellSound {
  public:
    virtual ~ShellSound() = default;
    virtual void start() = 0;
};

// The tilt input of the game view, relative to the neutral tilt the player calibrated.
class ShellTilt {
  public:
    virtual ~ShellTilt() = default;
    // Positive steers right.
    virtual double accelerationFromNeutralH() = 0;
    // Angles in radians, -pi..pi.
    virtual void getAnglesFromNeutral(double& outRotH, double& outRotV) = 0;
};

// One finger on the screen.
class ShellTouch {
  public:
    virtual ~ShellTouch() = default;
    // Position in the raw coordinates of the view (what convertPointFromRawView takes).
    virtual platform::Point locationInView(const ShellGameView* view) const = 0;
};

// The shell's view of a level record, handed to the game view and the score files. The level
// record makes it and owns it; once the record is gone the mirror answers defaults.
class LevelInfo {
  public:
    virtual ~LevelInfo() = default;
    virtual int32_t levelId() const = 0;
    virtual int32_t webLevelId() const = 0;
    // Empty when the record has no title / description.
    virtual std::optional<std::string> name() const = 0;
    virtual std::optional<std::string> helpMessage() const = 0;
    virtual int32_t canvasLayout() const = 0;
    virtual std::shared_ptr<ShellAppCore> appCore() const = 0;
};

// What the game core asks of the application core.
class ShellAppCore {
  public:
    virtual ~ShellAppCore() = default;

    // Images by index (0 game-over picture, 1 car, 2 "+100", 3 after-image, 4 hamburger);
    // empty for an index without one.
    virtual std::shared_ptr<ShellTexture> texture(int index) = 0;
    virtual TextTextureFactory* textTextureFactory() = 0;
    // Pixels per logical point of the drawing surface.
    virtual float contentsScaleValue() = 0;

    virtual int32_t currentLevelId() = 0;
    virtual void setCurrentLevelId(int32_t id) = 0;
    virtual void saveSettings() = 0;

    virtual void startTitleView() = 0;
    // kind 1 back to the title, 2 title to tools, 4 pause / game over.
    virtual void transitionAnimation(int kind, double duration) = 0;
    virtual bool isIPad() = 0;
    // A one-button ("OK") alert.
    virtual void showSimpleAlert(const std::string& title, const std::string& message) = 0;

    // Sound effects and music by index; empty for an index without one.
    virtual std::shared_ptr<ShellSound> sound(int index) = 0;
    virtual std::shared_ptr<ShellSound> music(int index) = 0;
    virtual void stopLoopingEffects(bool loops, bool music) = 0;
    virtual bool musicIsEnabled() = 0;
};

// What the game core asks of the game view (the GL view that runs the loop).
class ShellGameView {
  public:
    virtual ~ShellGameView() = default;

    // Records the score and opens the game-over screen.
    virtual void gameOverWithScore(int32_t score) = 0;
    virtual void setLevelInfo(std::shared_ptr<LevelInfo> levelInfo) = 0;
    // An empty scene stops the view running one.
    virtual void startGameScene(const boost::intrusive_ptr<JTScene>& scene) = 0;
    virtual void stop() = 0;
    // Canvas coordinates, origin top left; a negative coordinate counts from the far edge.
    virtual void setPauseBtnPos(platform::Point p) = 0;
    // 1 portrait, 2 upside down, 3 landscape right, 4 landscape left.
    virtual int64_t interfaceOrientation() = 0;
    virtual std::shared_ptr<ShellAppCore> appCore() = 0;
    // Raw view point -> canvas point (origin top left).
    virtual platform::Point convertPointFromRawView(platform::Point p) = 0;
    virtual void setMultipleTouchEnabled(bool enabled) = 0;
    // Empty when the device gives no tilt input.
    virtual std::shared_ptr<ShellTilt> accelerometerHelper() = 0;
};

}  // namespace JTAppBase
