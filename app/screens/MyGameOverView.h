#pragma once

#include "app/screens/GameOverView.h"

namespace app {

// The game's own game-over screen, the one the app core makes.
class MyGameOverView : public GameOverView {
  public:
    using GameOverView::GameOverView;
    const char* className() const override { return "MyGameOverView"; }
};

}  // namespace app
