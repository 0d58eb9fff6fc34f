#include "app/gameview/MyGameView.h"

namespace app {

std::shared_ptr<MyGameView> MyGameView::create(std::shared_ptr<GameViewHost> host,
                                               platform::ui::InterfaceOrientation orientation) {
    return std::make_shared<MyGameView>(std::move(host), orientation);
}

}  // namespace app
