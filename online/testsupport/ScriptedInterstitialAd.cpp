#include "online/testsupport/ScriptedInterstitialAd.h"

#include "platform/ui/ViewController.h"

namespace online::testing {

void ScriptedInterstitialAd::loadRequest() {
    ++loads;
}

void ScriptedInterstitialAd::presentFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    ++presentations;
    used = true;
    presentedFrom = root;
    if (refusalCode) fail(*refusalCode, "presentation refused");
}

void ScriptedInterstitialAd::receive() {
    ready = true;
    if (auto d = delegate_.lock()) d->interstitialDidReceiveAd(*this);
}

void ScriptedInterstitialAd::fail(int code, const std::string& text) {
    ready = false;
    if (auto d = delegate_.lock()) {
        d->interstitialDidFailToReceiveAdWithError(
            *this, platform::Error::make("com.zivivu.ads", code, text));
    }
}

void ScriptedInterstitialAd::dismiss() {
    if (auto d = delegate_.lock()) d->interstitialDidDismissScreen(*this);
}

AnnounceInterstitialAdFactory ScriptedInterstitialAds::factory() {
    return [this](const std::string& adUnitId) {
        if (onMake) onMake(adUnitId);
        made_.push_back(std::make_shared<ScriptedInterstitialAd>(adUnitId));
        return made_.back();
    };
}

}  // namespace online::testing
