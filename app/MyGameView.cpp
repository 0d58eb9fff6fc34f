#include "app/MyGameView.h"

std::shared_ptr<MyGameView> MyGameView::create(std::weak_ptr<AppCoreBase> appCore,
                                               int64_t orientation) {
    return create(AppCoreGameViewHost::create(std::move(appCore)), orientation);
}

std::shared_ptr<MyGameView> MyGameView::create(std::shared_ptr<GameViewHost> host,
                                               int64_t orientation) {
    return std::make_shared<MyGameView>(std::move(host), orientation);
}
