#pragma once

// Shows a media player's newest picture, fitted inside the view's bounds with its proportions
// kept (bars left clear). The view asks its player to decode no larger than the view's pixels
// (at most 1920 x 1080): a small banner never pays for a full-size picture. Main thread only.
//
// The view holds its player; the player holds the view weakly and hands it each new frame.

#include <memory>

#include "platform/services/MediaPlayer.h"
#include "platform/ui/PixelContentView.h"

namespace platform::services {

class MediaPlayerView : public ui::PixelContentView, public MediaPlayerFrameSink {
    struct Private {};

  public:
    static constexpr int kMaxPictureWidth = 1920;
    static constexpr int kMaxPictureHeight = 1080;

    static std::shared_ptr<MediaPlayerView> create(std::shared_ptr<MediaPlayer> player,
                                                   Rect frame = {});
    MediaPlayerView(Private, std::shared_ptr<MediaPlayer> player, Rect frame);
    const char* className() const override { return "MediaPlayerView"; }

    const std::shared_ptr<MediaPlayer>& player() const { return player_; }
    const gfx::Image& shownFrame() const { return content(); }
    // Where the picture lands inside the bounds: fitted, centred; empty without a picture.
    Rect pictureRect() const;

    void setBounds(Rect bounds) override;
    void mediaPlayerDidShowFrame(const gfx::Image& frame) override;

  protected:
    void draw(ui::Painter& painter) override;

  private:
    void tellPictureLimit();

    std::shared_ptr<MediaPlayer> player_;
};

}  // namespace platform::services
