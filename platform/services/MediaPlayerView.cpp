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
    : View(frame), player_(std::move(player)) {}

Rect MediaPlayerView::pictureRect() const {
    const Rect b = bounds();
    if (frame_.empty() || frame_.width() <= 0 || frame_.height() <= 0 || b.size.width <= 0 ||
        b.size.height <= 0)
        return {};
    const double scale = std::min(b.size.width / frame_.width(), b.size.height / frame_.height());
    const double w = frame_.width() * scale;
    const double h = frame_.height() * scale;
    return {{b.origin.x + (b.size.width - w) / 2, b.origin.y + (b.size.height - h) / 2}, {w, h}};
}

void MediaPlayerView::setBounds(Rect bounds) {
    View::setBounds(bounds);
    tellPictureLimit();
}

void MediaPlayerView::mediaPlayerDidShowFrame(const gfx::Image& frame) {
    MOVU_CHECK_MAIN_THREAD();
    frame_ = frame;
    ++generation_;
    setNeedsDisplay();
}

void MediaPlayerView::draw(ui::Painter& painter) {
    if (frame_.rgba().size() < std::size_t(frame_.width()) * std::size_t(frame_.height()) * 4)
        return;
    const Rect r = pictureRect();
    if (r.size.width <= 0 || r.size.height <= 0) return;
    ui::PixelBuffer pixels;
    pixels.id = bufferId_;
    pixels.generation = generation_;
    pixels.width = frame_.width();
    pixels.height = frame_.height();
    pixels.rgba = frame_.rgba().data();
    pixels.premultiplied = frame_.isPremultiplied();
    painter.drawPixels(pixels, r);
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
