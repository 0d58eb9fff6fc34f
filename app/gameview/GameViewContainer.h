#pragma once

// The black full-screen view that holds the game view while a game runs: it fills the letterbox
// around the canvas and hands touches that land there to the game view.

#include <memory>

#include "platform/ui/View.h"

namespace app {

class GameViewBase;

class GameViewContainer : public platform::ui::View {
  public:
    static std::shared_ptr<GameViewContainer> create(platform::Rect frame,
                                                     std::weak_ptr<GameViewBase> gameView);
    explicit GameViewContainer(platform::Rect frame) : platform::ui::View(frame) {}
    const char* className() const override { return "GameViewContainer"; }

    std::shared_ptr<GameViewBase> gameView() const { return gameView_.lock(); }
    void setGameView(std::weak_ptr<GameViewBase> v) { gameView_ = std::move(v); }

    void touchesBegan(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesMoved(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesEnded(const platform::ui::TouchSet& touches,
                      const platform::ui::Event& event) override;
    void touchesCancelled(const platform::ui::TouchSet& touches,
                          const platform::ui::Event& event) override;

  private:
    std::weak_ptr<GameViewBase> gameView_;
};

}  // namespace app
