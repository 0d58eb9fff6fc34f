#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "appbase/ShellInterfaces.h"
#include "core/JTString.h"

namespace JTAppBase {

class JTAccelerometerHelper;
class JTCanvas;
class JTKeyHelper;
class JTLevelInfo;
class JTLevelManager;
class JTScene;
class JTSoundHelper;
class JTTextLabel;
using JTAccelerometerHelperPtr = boost::intrusive_ptr<JTAccelerometerHelper>;
using JTCanvasPtr = boost::intrusive_ptr<JTCanvas>;
using JTKeyHelperPtr = boost::intrusive_ptr<JTKeyHelper>;
using JTLevelInfoPtr = boost::intrusive_ptr<JTLevelInfo>;
using JTLevelManagerPtr = boost::intrusive_ptr<JTLevelManager>;
using JTScenePtr = boost::intrusive_ptr<JTScene>;
using JTSoundHelperPtr = boost::intrusive_ptr<JTSoundHelper>;
using JTTextLabelPtr = boost::intrusive_ptr<JTTextLabel>;

// Root of the game core. Its virtual operations are the only calls from the game core into
// the shell; the shell reaches the game core through it (canvas, level manager, level).
// The game view and the app core are held weakly: the shell owns them and may drop them at
// any time, and every call through them is skipped once they are gone.
class JTAppContext : public JTCore::JTObject {
  public:
    JTAppContext();
    ~JTAppContext() override;

    virtual JTTextLabelPtr newTextLabel(const JTCanvasPtr& canvas);
    virtual JTTextLabelPtr newTextLabel();
    virtual JTSoundHelperPtr getSoundHelper();
    virtual JTKeyHelperPtr getKeyHelper();
    virtual JTAccelerometerHelperPtr getAccelerometerHelper();
    // The level being played; empty before the first startLevel.
    virtual JTLevelInfoPtr getLevelInfo();
    virtual JTCore::JTObjectPtr getLevelData();
    virtual bool isDebug();
    virtual void setDebug(bool debug);
    // Debug log (level 1); the text is not even looked at unless isDebug().
    virtual void logD(const JTCore::JTStringPtr& text);
    virtual JTCanvasPtr getCanvas();
    // Opens the level manager's notice queue, lets it judge the run, then hands the score to
    // the game view (which shows the game-over screen and its notices).
    virtual void gameOver(int score);
    virtual void startLevel(int id);
    virtual void startGameScene(const JTScenePtr& scene);
    virtual void setLevelManager(const JTLevelManagerPtr& manager);
    virtual JTLevelManagerPtr getLevelManager();
    virtual void showMessage(const JTCore::JTStringPtr& title, const JTCore::JTStringPtr& message);
    virtual void setPauseButtonPos(int x, int y);
    virtual void backToTitle();
    virtual JTCore::JTObjectPtr getAuxObject();
    virtual void setStartSuppressed(bool suppressed);
    virtual bool isStartSuppressed();
    virtual bool isIPad();

    void setAppCore(const std::shared_ptr<ShellAppCore>& appCore);
    // Also hands the view to the canvas; no view drops the current level.
    void setGameView(const std::shared_ptr<ShellGameView>& view);
    std::shared_ptr<ShellAppCore> getAppCore() const { return appCore_.lock(); }
    std::shared_ptr<ShellGameView> getGameView() const { return gameView_.lock(); }

    // Touch state, written by the game view between ticks and read by the canvas.
    // Multi-touch mode: the touches of the current event, in the order they were added.
    const std::vector<std::shared_ptr<ShellTouch>>& activeTouches() const { return activeTouches_; }
    void clearActiveTouches() { activeTouches_.clear(); }
    // Adds a touch once (a set: adding it again changes nothing).
    void addActiveTouch(const std::shared_ptr<ShellTouch>& touch);
    // Single-touch mode: the finger that is down, or none.
    const std::shared_ptr<ShellTouch>& currentTouch() const { return currentTouch_; }
    void setCurrentTouch(std::shared_ptr<ShellTouch> touch) { currentTouch_ = std::move(touch); }

    // Interface orientation of the game view last handed in (1 at start).
    int64_t getOrientation() const { return orientation_; }

  private:
    JTSoundHelperPtr soundHelper_;
    JTAccelerometerHelperPtr accelerometerHelper_;
    JTLevelInfoPtr levelInfo_;
    JTCore::JTObjectPtr levelData_;
    bool debug_ = false;
    JTCanvasPtr canvas_;
    JTLevelManagerPtr levelManager_;
    JTKeyHelperPtr keyHelper_;
    bool startSuppressed_ = false;
    std::weak_ptr<ShellGameView> gameView_;
    std::weak_ptr<ShellAppCore> appCore_;
    std::vector<std::shared_ptr<ShellTouch>> activeTouches_;
    std::shared_ptr<ShellTouch> currentTouch_;
    int64_t orientation_ = 1;
};

using JTAppContextPtr = boost::intrusive_ptr<JTAppContext>;

}  // namespace JTAppBase
