#include "ads/fullscreen/GADUnclickableView.h"

namespace ads {

std::shared_ptr<GADUnclickableView> GADUnclickableView::create(platform::Rect frame) {
    return std::make_shared<GADUnclickableView>(Private{}, frame);
}

std::shared_ptr<platform::ui::View> GADUnclickableView::hitTest(platform::Point p,
                                                                const platform::ui::Event* event) {
    auto hit = platform::ui::View::hitTest(p, event);
    return hit.get() == this ? nullptr : hit;
}

}  // namespace ads
