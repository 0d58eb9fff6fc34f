#include "ads/web/GADVideoPlayerGMSGHandler.h"

#include <cmath>
#include <functional>
#include <string>
#include <unordered_map>

#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewVideoAdditions.h"
#include "ads/web/GADPageLog.h"
#include "ads/web/GADPageVideoBudget.h"
#include "platform/base/NumberText.h"

namespace ads {

namespace {

using SubAction = std::function<void(GADAdView&, const GADNotification&)>;

// The player of the ad view, or nullptr while the page has not made one.
GADVideoPlayer* player(GADAdView& adView) {
    return adView.hasVideoAdditions() ? adView.videoAdditions().videoPlayer().get() : nullptr;
}

void position(GADAdView& adView, const GADNotification& note) {
    auto x = note.parameter("x"), y = note.parameter("y");
    auto w = note.parameter("w"), h = note.parameter("h");
    platform::Rect frame;
    if (x && y && w && h) {
        frame = {platform::floatValue(*x), platform::floatValue(*y), platform::floatValue(*w),
                 platform::floatValue(*h)};
    }
    adView.videoAdditions().setCachedVideoPlayerFrame(frame);
    adView.setNeedsLayout();
}

const std::unordered_map<std::string, SubAction>& subActionBlockDictionary() {
    static const std::unordered_map<std::string, SubAction> table{
        {"new",
         [](GADAdView& adView, const GADNotification& note) {
             position(adView, note);
             if (!player(adView)) adView.videoAdditions().setUpVideoPlayerWithURL(std::nullopt);
         }},
        {"position", &position},
        {"src",
         [](GADAdView& adView, const GADNotification& note) {
             auto text = note.parameter("src");
             adView.videoAdditions().setUpVideoPlayerWithURL(text ? platform::Url::parse(*text)
                                                                  : std::nullopt);
         }},
        {"load",
         [](GADAdView& adView, const GADNotification&) {
             if (auto* p = player(adView)) p->load();
         }},
        {"play",
         [](GADAdView& adView, const GADNotification&) {
             if (auto* p = player(adView)) p->play();
         }},
        {"pause",
         [](GADAdView& adView, const GADNotification&) {
             if (auto* p = player(adView)) p->pause();
         }},
        {"volume",
         [](GADAdView& adView, const GADNotification& note) {
             auto* p = player(adView);
             auto volume = note.parameter("volume");
             if (p && volume) p->setVolume(platform::floatValue(*volume));
         }},
        {"muted",
         [](GADAdView& adView, const GADNotification& note) {
             auto* p = player(adView);
             auto muted = note.parameter("muted");
             if (p && muted) p->setMuted(platform::boolValue(*muted));
         }},
        {"currentTime",
         [](GADAdView& adView, const GADNotification& note) {
             auto* p = player(adView);
             auto time = note.parameter("time");
             if (p && time) p->seekToTime(platform::doubleValue(*time));
         }},
        {"hide",
         [](GADAdView& adView, const GADNotification&) {
             if (adView.hasVideoAdditions()) adView.videoAdditions().hideVideo();
         }},
        {"show",
         [](GADAdView& adView, const GADNotification&) {
             if (adView.hasVideoAdditions()) adView.videoAdditions().showVideo();
         }},
    };
    return table;
}

// A source counts as one when it would be opened (one that may not play opens nothing), and
// as a switch when it cuts short an item the page opened before.
GADPageVideoBudget::Kind kindOf(GADAdView& adView, const std::string& action,
                                const GADNotification& note) {
    if (action != "src") return GADPageVideoBudget::Kind::Action;
    const auto src = note.parameter("src");
    const auto url = src ? platform::Url::parse(*src) : std::nullopt;
    if (!url || !GADVideoPlayer::isPlayableSource(*url)) return GADPageVideoBudget::Kind::Action;
    const auto* p = player(adView);
    return p && p->hasUnfinishedItem() ? GADPageVideoBudget::Kind::Switch
                                       : GADPageVideoBudget::Kind::Source;
}

}  // namespace

std::shared_ptr<GADVideoPlayerGMSGHandler> GADVideoPlayerGMSGHandler::create(
    std::weak_ptr<GADAdViewDelegate> adViewDelegate) {
    return std::make_shared<GADVideoPlayerGMSGHandler>(Private{}, std::move(adViewDelegate));
}

GADVideoPlayerGMSGHandler::GADVideoPlayerGMSGHandler(
    Private, std::weak_ptr<GADAdViewDelegate> adViewDelegate)
    : adViewDelegate_(std::move(adViewDelegate)) {}

const GADGMSGActionTable* GADVideoPlayerGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"video", action(&GADVideoPlayerGMSGHandler::didReceiveVideoAction)},
    };
    return &table;
}

void GADVideoPlayerGMSGHandler::didReceiveVideoAction(const GADGMSGActionInfo& info) {
    if (!info.note || !info.adView) return;
    auto subAction = info.note->parameter("action");
    if (!subAction) return;
    const auto& table = subActionBlockDictionary();
    auto found = table.find(*subAction);
    if (found == table.end()) return;
    const GADPageVideoBudget::Kind kind = kindOf(*info.adView, found->first, *info.note);
    if (!GADPageVideoBudget::shared().admit(info.adView, kind)) {
        GADPageLog::write(info.adView.get(),
                          [&] { return std::string(kVideoActionRefusedText) + found->first; });
        // The page hears it, as of any video that does not play; a source refused leaves no
        // old item for its next "play" to play instead.
        auto* p = player(*info.adView);
        if (p && found->first == "src") {
            p->refuseSource();
        } else {
            GADVideoPlayer::postError(*info.adView);
        }
        return;
    }
    found->second(*info.adView, *info.note);
}

}  // namespace ads
