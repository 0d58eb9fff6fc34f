#include "ads/slot/GADMRAIDGMSGHandler.h"

#include <unordered_map>

#include "ads/foundation/GADURLUtilities.h"
#include "ads/fullscreen/GADOpener.h"
#include "ads/fullscreen/GADViewController.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/GADSlotMRAID.h"
#include "ads/web/GADAdView.h"
#include "ads/web/GADPageLog.h"
#include "platform/base/NumberText.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadChecker.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace ads {

using platform::Value;
using platform::ui::Application;

namespace {

constexpr unsigned kPortraitMask = (1u << 1) | (1u << 2);
constexpr unsigned kLandscapeMask = (1u << 3) | (1u << 4);
constexpr unsigned kAllMask = kPortraitMask | kLandscapeMask;

std::optional<std::string> textParameter(const Value::Dictionary& parameters, const char* key) {
    auto it = parameters.find(key);
    if (it == parameters.end() || !it->second.isString()) return std::nullopt;
    return it->second.asString();
}

}  // namespace

std::shared_ptr<GADMRAIDGMSGHandler> GADMRAIDGMSGHandler::create(
    std::shared_ptr<GADOpener> opener) {
    return std::make_shared<GADMRAIDGMSGHandler>(Private{}, std::move(opener));
}

const GADGMSGActionTable* GADMRAIDGMSGHandler::actionBlockDictionary() const {
    static const GADGMSGActionTable table{
        {"mraidLoaded", action(&GADMRAIDGMSGHandler::didReceiveMRAIDLoadNotification)},
        {"mraid", action(&GADMRAIDGMSGHandler::didReceiveMRAIDNotification)},
    };
    return &table;
}

void GADMRAIDGMSGHandler::reportError(const std::string& message, const std::string& action) const {
    if (opener_) opener_->reportMRAIDError(message, action);
}

void GADMRAIDGMSGHandler::didReceiveMRAIDLoadNotification(const GADGMSGActionInfo& info) {
    MOVU_CHECK_MAIN_THREAD();
    auto slot = opener_ ? std::dynamic_pointer_cast<GADSlot>(opener_->slot()) : nullptr;
    if (!slot || !slot->MRAID()) return;
    // Another page of the ad (the second of a two-part expand) announces itself in its own
    // view: what it is owed comes with its screen (GADSupplementalAdAppViewController), and
    // the slot's creative must not be told its life starts again.
    if (info.adView && slot->adView() && info.adView != slot->adView()) return;
    slot->MRAID()->MRAIDAdDidLoad();
}

namespace {

using SubAction = void (GADMRAIDGMSGHandler::*)(const Value::Dictionary&);

const std::unordered_map<std::string, SubAction>& subActions() {
    static const std::unordered_map<std::string, SubAction> table{
        {"resize", &GADMRAIDGMSGHandler::actionResize},
        {"storePicture", &GADMRAIDGMSGHandler::actionStorePicture},
        {"createCalendarEvent", &GADMRAIDGMSGHandler::actionCreateCalendarEvent},
        {"setOrientationProperties", &GADMRAIDGMSGHandler::actionSetOrientationProperties},
    };
    return table;
}

}  // namespace

std::vector<std::string> GADMRAIDGMSGHandler::commandNames() {
    std::vector<std::string> names;
    for (const auto& [name, subAction] : subActions()) names.push_back(name);
    return names;
}

void GADMRAIDGMSGHandler::didReceiveMRAIDNotification(const GADGMSGActionInfo& info) {
    MOVU_CHECK_MAIN_THREAD();
    if (!info.note) return;
    const auto name = info.note->parameter("a");
    if (!name) return;
    auto it = subActions().find(*name);
    if (it == subActions().end()) return;
    if (*name == "resize") {
        // Asked for before the slot has shown its ad, the resize waits for it to be on screen.
        auto resize = [weak = weak_from_this(), parameters = info.note->parameters()] {
            if (auto handler = weak.lock()) handler->actionResize(parameters);
        };
        auto slot = opener_ ? opener_->slot() : nullptr;
        if (slot && slot->deferMRAIDLayoutChangeUntilShown(info.adView, "resize", resize)) return;
    }
    (this->*(it->second))(info.note->parameters());
}

void GADMRAIDGMSGHandler::actionResize(const Value::Dictionary& parameters) {
    if (opener_) opener_->openWebAppWithResizeProperties(parameters);
}

void GADMRAIDGMSGHandler::actionCreateCalendarEvent(const Value::Dictionary& parameters) {
    if (opener_) opener_->openCalendarWithDictionary(parameters);
}

void GADMRAIDGMSGHandler::actionStorePicture(const Value::Dictionary& parameters) {
    auto text = textParameter(parameters, "iurl");
    auto url = text ? platform::Url::parse(*text) : std::nullopt;
    if (!url || url->absoluteString().empty()) {
        reportError(GADMRAIDPicture::kNoURL, "storePicture");
        return;
    }
    const std::string key = url->absoluteString();
    if (pendingPictureDownloads_.count(key)) return;
    // One question at a time: a second picture while the user is being asked is refused.
    for (const auto& [pendingURL, picture] : pendingPictureDownloads_) {
        if (picture->isAsking()) {
            reportError(kCouldNotInitializePicture, "storePicture");
            return;
        }
    }
    // An address that is no picture on the web fails with its own reason, asking nobody.
    if (gad_isWebURL(*url)) {
        const auto answer =
            opener_ ? opener_->gate(GADOpening::Picture) : GADGateAnswer::NotOnScreen;
        if (answer != GADGateAnswer::Allowed) {
            reportError(GADOpener::refusalMessage(kStoringPictures, answer), "storePicture");
            return;
        }
    }
    auto picture = GADMRAIDPicture::create(*url);
    picture->setDelegate(weak_from_this());
    picture->setAdView(opener_ ? opener_->adView() : nullptr);
    pendingPictureDownloads_[key] = picture;
    withdrawQuestionsWithTheScreen();
    picture->storeInPhotoAlbum();
}

void GADMRAIDGMSGHandler::withdrawQuestionsWithTheScreen() {
    // A question belongs to the ad's screen: when the screen the ad is presented from closes
    // (an interstitial, an expanded ad), its question goes with it.
    std::weak_ptr<GADMRAIDGMSGHandler> weak = weak_from_this();
    auto leaving = GADViewController::observeLeaving(opener_->viewController(), [weak] {
        if (auto self = weak.lock()) self->withdrawPictureQuestions();
    });
    if (leaving) screenClosing_ = std::move(leaving);
}

void GADMRAIDGMSGHandler::withdrawPictureQuestions() {
    MOVU_CHECK_MAIN_THREAD();
    screenClosing_.reset();
    for (auto it = pendingPictureDownloads_.begin(); it != pendingPictureDownloads_.end();) {
        if (it->second->isAsking()) {
            it->second->withdrawQuestion();
            it = pendingPictureDownloads_.erase(it);
        } else {
            ++it;
        }
    }
}

GADMRAIDGMSGHandler::~GADMRAIDGMSGHandler() {
    for (auto& [url, picture] : pendingPictureDownloads_) picture->withdrawQuestion();
}

void GADMRAIDGMSGHandler::MRAIDPictureDidStorePictureWithURL(GADMRAIDPicture&,
                                                             const platform::Url& url) {
    pendingPictureDownloads_.erase(url.absoluteString());
}

void GADMRAIDGMSGHandler::MRAIDPictureFailedToStorePictureWithURL(
    GADMRAIDPicture&, const std::optional<platform::Url>& url, const std::string& message) {
    if (url) pendingPictureDownloads_.erase(url->absoluteString());
    reportError(message, "storePicture");
}

void GADMRAIDGMSGHandler::MRAIDPictureWasDeclined(GADMRAIDPicture&, const platform::Url& url) {
    // Declined is done: a later request for the same picture is a new question, which needs
    // a new touch.
    pendingPictureDownloads_.erase(url.absoluteString());
}

void GADMRAIDGMSGHandler::warnOncePerAd(const std::string& line) {
    // A creative that repeats what cannot be done would otherwise fill the log: one line per
    // ad says it all.
    // Each ad has statistics of its own: they tell one ad from the next.
    auto slot = opener_ ? opener_->slot() : nullptr;
    std::shared_ptr<const void> ad = slot ? slot->currentAdStatistics() : nullptr;
    if (warnedAd_.lock() != ad) {
        warnings_.clear();
        warnedAd_ = ad;
    }
    if (!warnings_.insert(line).second) return;
    GADPageLog::write(opener_ ? opener_->adView().get() : nullptr, line);
}

std::optional<unsigned> GADMRAIDGMSGHandler::orientationMaskForProperties(
    const Value::Dictionary& parameters, int statusBarOrientation) {
    auto allow = textParameter(parameters, "allowOrientationChange");
    auto force = textParameter(parameters, "forceOrientation");
    if (!allow || !force) return std::nullopt;
    unsigned forced = 0;
    if (*force == "portrait") {
        forced = kPortraitMask;
    } else if (*force == "landscape") {
        forced = kLandscapeMask;
    } else if (*force == "any") {
        forced = kAllMask;
    } else if (*force == "none") {
        const bool landscape = statusBarOrientation == 3 || statusBarOrientation == 4;
        forced = landscape ? kLandscapeMask : kPortraitMask;
    } else {
        return std::nullopt;
    }
    if (platform::boolValue(*allow)) return kAllMask;
    return forced;
}

void GADMRAIDGMSGHandler::actionSetOrientationProperties(const Value::Dictionary& parameters) {
    MOVU_CHECK_MAIN_THREAD();
    auto controller =
        opener_ ? std::dynamic_pointer_cast<GADViewController>(opener_->viewController()) : nullptr;
    if (!controller) return;
    auto& application = Application::shared();
    const auto mask = orientationMaskForProperties(parameters, application.statusBarOrientation());
    if (!mask) {
        reportError(kInvalidOrientationProperties, "setOrientationProperties");
        return;
    }
    controller->setSupportedInterfaceOrientations(*mask);
    const int current = application.statusBarOrientation();
    if (*mask & (1u << current)) return;
    platform::ui::Window* window =
        controller->isViewLoaded() ? controller->view()->window() : nullptr;
    if (!(*mask & application.supportedInterfaceOrientationsForWindow(window))) {
        warnOncePerAd("MRAID: the ad's orientations share none with the window; nothing turns");
        return;
    }
    if (current == controller->interfaceOrientation() && controller->shouldAutorotate() &&
        (*mask & (1u << application.deviceOrientation()))) {
        application.attemptRotationToDeviceOrientation();
        return;
    }
    // The interface reads the orientations again when a controller comes and goes: an
    // invisible one, presented and dismissed at once, makes it turn.
    std::weak_ptr<GADViewController> weak = controller;
    const unsigned newMask = *mask;
    platform::MainLoop::main().post([weak, newMask] {
        auto controller = weak.lock();
        if (!controller) return;
        auto turner = GADViewController::create();
        turner->setSlot(controller->slot());
        turner->setSupportedInterfaceOrientations(newMask);
        turner->view()->setAlpha(0);
        controller->presentViewController(turner, false, [weak] {
            platform::MainLoop::main().post([weak] {
                auto controller = weak.lock();
                if (!controller) return;
                controller->dismissViewController(false, [weak] {
                    if (auto controller = weak.lock()) {
                        controller->viewChangedToOrientation(
                            Application::shared().statusBarOrientation());
                    }
                });
            });
        });
    });
}

}  // namespace ads
