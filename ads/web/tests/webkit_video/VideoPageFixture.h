#pragma once

// What the WebKit tests of a page's video share: the hostile unit's interstitials, with the
// player's GStreamer backend and the library's rooms loaded as the program loads them, and the
// ad server's clip (kMediaClipPath, and kServedMediaPath's kinds) one that tools/media_clips
// made.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ads/Ads.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/web/tests/webkit_video/MediaClips.h"
#include "platform/services/MediaPlayer.h"
#include "platform/services/gst/GstMediaPlayerBackend.h"
#include "platform/ui/Application.h"

namespace ads::testing {

class VideoPageFixture : public HostileInterstitialsFixture {
  protected:
    VideoPageFixture(const char* unit, const char* clip)
        : HostileInterstitialsFixture(unit), clipName_(clip) {}

    void SetUp() override {
        HostileInterstitialsFixture::SetUp();
        if (IsSkipped()) return;
        if (!platform::services::GstMediaPlayerBackend::available())
            GTEST_SKIP() << "GStreamer is missing";
        std::string clip = mediaClip(clipName_);
        ASSERT_FALSE(clip.empty());
        clipBytes = clip.size();
        // What the program does at start-up: the player's backend, then the library's rooms;
        // and its application is active, so an ad it shows is seen.
        platform::ui::Application::shared().becomeActive();
        platform::services::GstMediaPlayerBackend::install();
        ads::load();
        ads.server().setMediaClip(std::move(clip));
    }
    void TearDown() override {
        HostileInterstitialsFixture::TearDown();
        platform::services::MediaPlayer::setBackendFactory({});
    }

    // The start of a page's script: `video(q)` sends a "video" message, and each event its
    // video hears goes to the ad server as a creative event ("?video=<event>"); then `onEvent`
    // runs, with the event in `p.event`.
    std::string videoScript(const std::string& onEvent = "") {
        return "function video(q) { send('gmsg://movuroute/video?' + q); }"
               "function RADE_ReceiveMessage(name, p) {"
               " if (name !== 'onVideoEvent') return;"
               " new Image().src = '" +
               ads.server().url("/mads/creative_event") + "?video=' + p.event; " + onEvent + " }";
    }

    std::size_t clipBytes = 0;

  private:
    const char* clipName_;
};

}  // namespace ads::testing
