#include "ads/native/GADOverlayView.h"

#include "ads/foundation/GADURLUtilities.h"
#include "ads/foundation/GADViewAdditions.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADAdViewDelegate.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/runtime/WeakCall.h"

namespace ads {

using platform::Value;

namespace {

const Value::Dictionary& dictionaryOf(const Value& value) {
    static const Value::Dictionary empty;
    return value.isDictionary() ? value.asDictionary() : empty;
}

}  // namespace

std::shared_ptr<GADOverlayView> GADOverlayView::create(platform::Rect frame) {
    return std::make_shared<GADOverlayView>(Private{}, frame);
}

GADOverlayView::GADOverlayView(Private, platform::Rect frame) : platform::ui::View(frame) {}

GADOverlayView::~GADOverlayView() {
    // The subview goes with this view's tree; only its delegate must not point here any more.
    if (overlayView_) overlayView_->setDelegate({});
}

void GADOverlayView::setAdView(const std::shared_ptr<GADAdView>& adView) {
    MOVU_CHECK_MAIN_THREAD();
    if (adView == adView_) return;
    removeOverlaySubview();
    setHidden(true);
    adView_ = adView;
    hostObservations_.clear();
    if (!adView_) return;

    const std::weak_ptr<GADOverlayView> weakSelf =
        std::static_pointer_cast<GADOverlayView>(shared_from_this());
    auto& center = platform::NotificationCenter::defaultCenter();
    const auto observe = [&](const char* name, void (*act)(GADOverlayView&, const Value&)) {
        hostObservations_.push_back(center.observe(
            name, adView_.get(),
            platform::weakCall(
                weakSelf, [act](GADOverlayView& view, const platform::Notification& notification) {
                    act(view, notification.userInfo);
                })));
    };
    observe(kLoadHtmlMessage, [](GADOverlayView& view, const Value& userInfo) {
        view.loadOverlayWithUserInfo(userInfo);
    });
    observe(kShowOverlayMessage, [](GADOverlayView& view, const Value&) { view.setHidden(false); });
    observe(kHideOverlayMessage, [](GADOverlayView& view, const Value&) { view.setHidden(true); });
    observe(kSendMessageToNativeJsMessage, [](GADOverlayView& view, const Value& userInfo) {
        view.sendMessageToOverlayWithUserInfo(userInfo);
    });
}

void GADOverlayView::loadOverlayWithUserInfo(const Value& userInfo) {
    MOVU_CHECK_MAIN_THREAD();
    const Value* html = userInfo.find("overlayHtml");
    if (!html || !html->isString()) return;
    std::optional<platform::Url> baseURL;
    if (const Value* base = userInfo.find("baseUrl"); base && base->isString()) {
        const auto url = platform::Url::parse(base->stringRef());
        if (!url) return;
        // Only a web origin: a "file:" base would let the ad's page read local files.
        if (gad_isWebURL(*url)) baseURL = url;
    }
    if (!overlayView_) addOverlaySubview();
    // No base stands for "about:blank".
    overlayView_->loadHTMLString(html->stringRef(), baseURL);
    loadOverlayUserInfo_ = userInfo;
}

void GADOverlayView::sendMessageToOverlayWithUserInfo(const Value& userInfo) {
    MOVU_CHECK_MAIN_THREAD();
    if (!overlayView_) addOverlaySubview();
    overlayView_->postJSNotification(kSendMessageToSdkMessage, &dictionaryOf(userInfo));
}

void GADOverlayView::handleSendMessageToAdView(const Value& userInfo) {
    Value::Dictionary message = dictionaryOf(userInfo);
    if (!message.count("id") && overlayIdentifier_) message["id"] = Value(*overlayIdentifier_);
    if (adView_) adView_->postJSNotification(kSendMessageToNativeJsMessage, &message);
}

void GADOverlayView::addOverlaySubview() {
    MOVU_CHECK_MAIN_THREAD();
    removeOverlaySubview();
    overlayView_ = GADAdView::create({});
    adViewDelegate_ = GADAdViewDelegate::create();
    const auto self = std::static_pointer_cast<GADOverlayView>(shared_from_this());
    overlayView_->setDelegate(std::static_pointer_cast<GADAdViewDelegateProtocol>(self));
    overlayView_->configureAsBannerAdView();
    overlayView_->setHidden(false);
    addSubview(overlayView_);
    gad_fillSuperview(*overlayView_);

    const std::weak_ptr<GADOverlayView> weakSelf = self;
    auto& center = platform::NotificationCenter::defaultCenter();
    overlayObservations_.push_back(center.observe(
        kHideOverlayMessage, overlayView_.get(),
        platform::weakCall(weakSelf, [](GADOverlayView& view, const platform::Notification&) {
            view.setHidden(true);
        })));
    overlayObservations_.push_back(center.observe(
        kSendMessageToSdkMessage, overlayView_.get(),
        platform::weakCall(weakSelf,
                           [](GADOverlayView& view, const platform::Notification& notification) {
                               view.handleSendMessageToAdView(notification.userInfo);
                           })));
}

void GADOverlayView::removeOverlaySubview() {
    MOVU_CHECK_MAIN_THREAD();
    if (!overlayView_) return;
    overlayObservations_.clear();
    overlayView_->removeFromSuperview();
    overlayView_->setDelegate({});
    overlayView_.reset();
}

bool GADOverlayView::adViewShouldStartLoadWithRequest(const std::shared_ptr<GADAdView>& adView,
                                                      const platform::UrlRequest& request,
                                                      platform::web::NavigationType type) {
    if (!adViewDelegate_) return true;
    return adViewDelegate_->adViewShouldStartLoadWithRequest(adView, request, type);
}

void GADOverlayView::adViewDidStartLoad(const std::shared_ptr<GADAdView>& adView) {
    if (adViewDelegate_) adViewDelegate_->adViewDidStartLoad(adView);
}

void GADOverlayView::adViewDidFailLoadWithError(const std::shared_ptr<GADAdView>& adView,
                                                const platform::Error& error) {
    if (adViewDelegate_) adViewDelegate_->adViewDidFailLoadWithError(adView, error);
    if (adView && adView == overlayView_) {
        overlayIdentifier_.reset();
        loadOverlayUserInfo_.reset();
    }
}

void GADOverlayView::adViewDidFinishLoad(const std::shared_ptr<GADAdView>& adView) {
    if (adViewDelegate_) adViewDelegate_->adViewDidFinishLoad(adView);
    if (!adView || adView != overlayView_ || !loadOverlayUserInfo_) return;
    overlayIdentifier_.reset();
    if (const Value* id = loadOverlayUserInfo_->find("id"); id && id->isString())
        overlayIdentifier_ = id->stringRef();
    loadOverlayUserInfo_.reset();
    Value::Dictionary message{{"messageType", Value("htmlLoaded")}};
    if (overlayIdentifier_) message["id"] = Value(*overlayIdentifier_);
    if (adView_) adView_->postJSNotification(kSendMessageToNativeJsMessage, &message);
}

}  // namespace ads
