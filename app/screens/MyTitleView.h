#pragma once

// The game's own title screen; the game needs nothing beyond the base, but the app core makes
// this class so the game has a place for its own behaviour.

#include "app/screens/TitleView.h"

namespace app {

class MyTitleView : public TitleView {
  public:
    explicit MyTitleView(std::string nibName = "Title_Portrait") : TitleView(std::move(nibName)) {}
    const char* className() const override { return "MyTitleView"; }
};

}  // namespace app
