#pragma once

// Pictures of the dragged view that a test's swipe animator makes instead of rendering it:
// tagged, so that a walk of the window finds every one left anywhere in it.

#include <functional>
#include <memory>
#include <vector>

#include "ads/slot/GADSwipeAnimation.h"
#include "platform/ui/View.h"

namespace ads::testing {

inline constexpr int kSwipePictureTag = 77;

inline GADViewControllerFullScreenSwipeAnimation::SnapshotMaker taggedSwipePictures() {
    return [](platform::ui::View& v) {
        auto picture = platform::ui::View::create(v.bounds());
        picture->setTag(kSwipePictureTag);
        return picture;
    };
}

inline std::vector<std::shared_ptr<platform::ui::View>> swipePicturesIn(
    const std::shared_ptr<platform::ui::View>& root) {
    std::vector<std::shared_ptr<platform::ui::View>> found;
    std::function<void(const std::shared_ptr<platform::ui::View>&)> walk = [&](const auto& v) {
        if (v->tag() == kSwipePictureTag) found.push_back(v);
        for (const auto& s : v->subviews()) walk(s);
    };
    walk(root);
    return found;
}

}  // namespace ads::testing
