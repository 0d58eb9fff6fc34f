#include "app/gameview/GameViewContainer.h"

#include "app/gameview/GameViewBase.h"

namespace app {

std::shared_ptr<GameViewContainer> GameViewContainer::create(platform::Rect frame,
                                                             std::weak_ptr<GameViewBase> gameView) {
    auto v = std::make_shared<GameViewContainer>(frame);
    v->setBackgroundColor(platform::Color::black());
    v->setGameView(std::move(gameView));
    return v;
}

void GameViewContainer::touchesBegan(const platform::ui::TouchSet& touches,
                                     const platform::ui::Event& event) {
    if (auto v = gameView()) v->touchesBegan(touches, event);
}

void GameViewContainer::touchesMoved(const platform::ui::TouchSet& touches,
                                     const platform::ui::Event& event) {
    if (auto v = gameView()) v->touchesMoved(touches, event);
}

void GameViewContainer::touchesEnded(const platform::ui::TouchSet& touches,
                                     const platform::ui::Event& event) {
    if (auto v = gameView()) v->touchesEnded(touches, event);
}

void GameViewContainer::touchesCancelled(const platform::ui::TouchSet& touches,
                                         const platform::ui::Event& event) {
    if (auto v = gameView()) v->touchesCancelled(touches, event);
}

}  // namespace app
