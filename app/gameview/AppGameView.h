#pragma once

// What the app core needs of the game view beyond what the game core asks of it: starting,
// resuming and stopping the loop, and where the pause button sits so the pause screen can put
// its resume button over it.

#include "appbase/JTScene.h"
#include "appbase/ShellInterfaces.h"

namespace app {

class AppGameView : public JTAppBase::ShellGameView {
  public:
    // Surface, canvas and timer; the first frame is drawn before the first tick.
    virtual void start() = 0;
    // Back from the pause screen: the view returns to the window and the timer restarts.
    virtual void resume() = 0;
    virtual bool started() const = 0;
    // The pause button's position in the view, (0, 0) when it has none.
    virtual platform::Point pauseBtnPosInView() = 0;
    virtual JTAppBase::JTScenePtr gameScene() const = 0;
};

}  // namespace app
