#include "platform/services/MediaPlayerView.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Screen.h"

namespace platform::services {

std::shared_ptr<MediaPlayerView> MediaPlayerView::create(std::shared_ptr<MediaPlayer> player,
                                                         Rect frame) {
    auto view = std::make_shared<MediaPlayerView>(Private{}, std::move(player), frame);
    if (view->player_) view->player_->setFrameSink(view);
    view->tellPictureLimit();
    return view;
}

MediaPlayerView::MediaPlayerView(Private, std::shared_ptr<MediaPlayer> player, Rect frame)
    : PixelContentView(frame), player_(std::move(player)) {}

Rect MediaPlayerView::pictureRect() const {
    const Rect b = bounds();
    const gfx::Image& frame = content();
    if (frame.empty() || frame.width() <= 0 || frame.height() <= 0 || b.size.width <= 0 ||
        b.size.height <= 0)
        return {};
    const double scale = std::min(b.size.width / frame.width(), b.size.height / frame.height());
    const double w = frame.width() * scale;
    const double h = frame.height() * scale;
    return {{b.origin.x + (b.size.width - w) / 2, b.origin.y + (b.size.height - h) / 2}, {w, h}};
}

void MediaPlayerView::setBounds(Rect bounds) {
    PixelContentView::setBounds(bounds);
    tellPictureLimit();
}

void MediaPlayerView::mediaPlayerDidShowFrame(const gfx::Image& frame) {
    MOVU_CHECK_MAIN_THREAD();
    setContent(frame);
}

void MediaPlayerView::draw(ui::Painter& painter) {
    const Rect r = pictureRect();
    if (r.size.width > 0 && r.size.height > 0) drawContent(painter, r);
}

void MediaPlayerView::tellPictureLimit() {
    // A view without a size yet says nothing: its first layout will.
    if (!player_ || bounds().size.width <= 0 || bounds().size.height <= 0) return;
    const double scale = ui::Screen::mainScreen().scale();
    const Size size = bounds().size;
    const auto pixels = [scale](double points, int most) {
        const double p = std::ceil(points * scale);
        return std::isfinite(p) && p >= 1 ? static_cast<int>(std::min<double>(p, most)) : 1;
    };
    player_->setPictureLimit(pixels(size.width, kMaxPictureWidth),
                             pixels(size.height, kMaxPictureHeight));
}

}  // namespace platform::services
