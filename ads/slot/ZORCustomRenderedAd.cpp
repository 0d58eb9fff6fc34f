#include "ads/slot/ZORCustomRenderedAd.h"

#include "platform/runtime/ThreadChecker.h"

namespace ads {

std::shared_ptr<ZORCustomRenderedAd> ZORCustomRenderedAd::create(
    std::string adHTML, std::optional<platform::Url> adBaseURL) {
    return std::make_shared<ZORCustomRenderedAd>(Private{}, std::move(adHTML),
                                                 std::move(adBaseURL));
}

ZORCustomRenderedAd::ZORCustomRenderedAd(Private, std::string adHTML,
                                         std::optional<platform::Url> adBaseURL)
    : adHTML_(std::move(adHTML)), adBaseURL_(std::move(adBaseURL)) {}

void ZORCustomRenderedAd::recordClick() {
    MOVU_CHECK_MAIN_THREAD();
    if (auto delegate = delegate_.lock()) delegate->recordClick(*this);
}

void ZORCustomRenderedAd::recordImpression() {
    MOVU_CHECK_MAIN_THREAD();
    if (auto delegate = delegate_.lock()) delegate->recordCustomAdImpression(*this);
}

void ZORCustomRenderedAd::finishedRenderingAdView(platform::ui::View* view) {
    MOVU_CHECK_MAIN_THREAD();
    if (auto delegate = delegate_.lock()) delegate->finishedRenderingAdView(*this, view);
}

}  // namespace ads
