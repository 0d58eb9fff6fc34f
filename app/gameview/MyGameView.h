#pragma once

// The game's own game view; the game needs nothing beyond the base, but the app core makes
// this class so the game has a place for its own behaviour.

#include <memory>

#include "app/gameview/GameViewBase.h"

namespace app {

class MyGameView : public GameViewBase {
  public:
    static std::shared_ptr<MyGameView> create(std::shared_ptr<GameViewHost> host,
                                              platform::ui::InterfaceOrientation orientation);
    MyGameView(std::shared_ptr<GameViewHost> host, platform::ui::InterfaceOrientation orientation)
        : GameViewBase(std::move(host), orientation) {}
    const char* className() const override { return "MyGameView"; }
};

}  // namespace app
