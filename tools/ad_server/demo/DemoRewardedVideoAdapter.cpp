#include "tools/ad_server/demo/DemoRewardedVideoAdapter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ads/foundation/GADRequestError.h"
#include "ads/mediation/GADAdReward.h"
#include "ads/mediation/GADMAdNetworkAdapterProtocol.h"
#include "ads/mediation/GADMRewardBasedVideoAdNetworkConnectorProtocol.h"
#include "platform/runtime/ClassRegistry.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/Once.h"
#include "platform/runtime/Timer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace tools::adserver {

namespace {

using platform::Color;
using platform::ui::Button;
using platform::ui::Label;
using platform::ui::View;

// Seconds from the credentials: a positive number up to an hour, else the default.
double secondsFrom(const std::optional<std::string>& text) {
    if (!text) return DemoRewardedVideoAdapter::kDefaultSeconds;
    char* end = nullptr;
    const double value = std::strtod(text->c_str(), &end);
    if (end == text->c_str() || *end != '\0' || !std::isfinite(value) || value <= 0 ||
        value > 3600) {
        return DemoRewardedVideoAdapter::kDefaultSeconds;
    }
    return value;
}

std::shared_ptr<Button> button(const std::string& title, platform::Rect frame) {
    auto made = Button::create(platform::ui::ButtonType::Custom, frame);
    made->setTitle(title, platform::ui::ControlStateNormal);
    made->setTitleColor(Color::whiteColor(), platform::ui::ControlStateNormal);
    made->setBackgroundColor(Color::rgba(0.2f, 0.45f, 0.85f));
    return made;
}

}  // namespace

// The screen

DemoRewardedVideoController::DemoRewardedVideoController(
    std::weak_ptr<DemoRewardedVideoAdapter> adapter, double seconds)
    : adapter_(std::move(adapter)), seconds_(seconds) {}

DemoRewardedVideoController::~DemoRewardedVideoController() {
    if (timer_) timer_->invalidate();
}

void DemoRewardedVideoController::loadView() {
    auto view = View::create({0, 0, 320, 480});
    view->setBackgroundColor(Color::rgba(0.08f, 0.08f, 0.12f));
    auto title = Label::create({20, 120, 280, 40}, "Movuroute demo video");
    title->setTextColor(Color::whiteColor());
    title->setTextAlignment(platform::ui::TextAlignment::Center);
    view->addSubview(title);

    bar_ = View::create({30, 220, 260, 24});
    bar_->setBackgroundColor(Color::white(0.3f));
    fill_ = View::create({0, 0, 0, 24});
    fill_->setBackgroundColor(Color::rgba(0.95f, 0.75f, 0.1f));
    bar_->addSubview(fill_);
    view->addSubview(bar_);

    countdown_ = Label::create({20, 260, 280, 30});
    countdown_->setTextColor(Color::whiteColor());
    countdown_->setTextAlignment(platform::ui::TextAlignment::Center);
    view->addSubview(countdown_);

    learnMore_ = button("Learn more", {60, 330, 200, 44});
    learnMore_->addTarget(
        [adapter = adapter_](platform::ui::Control*) {
            if (auto a = adapter.lock()) a->learnMore();
        },
        platform::ui::ControlEventTouchUpInside);
    view->addSubview(learnMore_);

    close_ = button("Close", {230, 30, 70, 36});
    close_->setHidden(true);
    close_->addTarget(
        [adapter = adapter_](platform::ui::Control*) {
            if (auto a = adapter.lock()) a->closed();
        },
        platform::ui::ControlEventTouchUpInside);
    view->addSubview(close_);
    setView(view);
    showProgress();
}

void DemoRewardedVideoController::viewDidAppear(bool) {
    if (timer_ || finished_) return;
    std::weak_ptr<DemoRewardedVideoController> weak =
        std::static_pointer_cast<DemoRewardedVideoController>(shared_from_this());
    timer_ = platform::Timer::schedule(kTick, true, [weak] {
        if (auto self = weak.lock()) self->tick();
    });
}

double DemoRewardedVideoController::progress() const {
    return std::min(1.0, ticks_ * kTick / seconds_);
}

void DemoRewardedVideoController::tick() {
    ++ticks_;
    showProgress();
    if (progress() < 1.0 || finished_) return;
    finished_ = true;
    timer_->invalidate();
    close_->setHidden(false);
    if (auto adapter = adapter_.lock()) adapter->videoFinished();
}

void DemoRewardedVideoController::showProgress() {
    if (!fill_) return;
    const double share = progress();
    fill_->setFrame({0, 0, 260 * share, 24});
    const int left = int(std::ceil(seconds_ * (1 - share) - 1e-9));
    countdown_->setText(left > 0 ? "Reward in " + std::to_string(left) + " s"
                                 : std::string("Reward earned"));
}

// The adapter

void DemoRewardedVideoAdapter::registerClass() {
    static platform::Once once;
    once.call([] {
        auto& registry = platform::ClassRegistry::shared();
        registry.registerClass<ads::GADMRewardBasedVideoAdNetworkAdapter>(
            kClassName, "NSObject", {kProtocolName},
            [] { return std::make_shared<DemoRewardedVideoAdapter>(); });
        ads::GADMAdapterClassRecord record;
        record.adapterVersion = [] { return std::string("1.0"); };
        registry.setClassRecord(kClassName, std::move(record));
    });
}

void DemoRewardedVideoAdapter::initWithGADMAdNetworkConnector(
    std::weak_ptr<ads::GADMRewardBasedVideoAdNetworkConnectorProtocol> connector) {
    connector_ = std::move(connector);
}

std::shared_ptr<ads::GADMRewardBasedVideoAdNetworkConnectorProtocol>
DemoRewardedVideoAdapter::connector() const {
    return stopped_ ? nullptr : connector_.lock();
}

std::optional<std::string> DemoRewardedVideoAdapter::credential(const std::string& key) const {
    auto c = connector();
    if (!c) return std::nullopt;
    const auto credentials = c->credentials();
    const auto found = credentials.find(key);
    if (found == credentials.end() || !found->second.isString()) return std::nullopt;
    return found->second.stringRef();
}

void DemoRewardedVideoAdapter::setUpWithUserID(const std::string&) {
    platform::MainLoop::main().post([weak = weak_from_this()] {
        auto self = weak.lock();
        auto c = self ? self->connector() : nullptr;
        if (c) c->adapterDidSetUpRewardBasedVideoAd(*self);
    });
}

void DemoRewardedVideoAdapter::requestRewardBasedVideoAd() {
    const bool fills = credential("fill") != std::optional<std::string>("0");
    platform::MainLoop::main().post([weak = weak_from_this(), fills] {
        auto self = weak.lock();
        auto c = self ? self->connector() : nullptr;
        if (!c) return;
        if (fills) {
            c->adapterDidReceiveRewardBasedVideoAd(*self);
        } else {
            c->adapterDidFailToLoadRewardBasedVideoAdwithError(
                *self, ads::GADRequestError::errorWithCode(ads::kGADErrorNoFill).error());
        }
    });
}

void DemoRewardedVideoAdapter::presentRewardBasedVideoAdWithRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    auto c = connector();
    if (!c || !root) return;
    auto controller = std::make_shared<DemoRewardedVideoController>(
        weak_from_this(), secondsFrom(credential("duration")));
    if (!root->presentViewController(controller, false)) return;
    controller_ = controller;
    c->adapterDidOpenRewardBasedVideoAd(*this);
    if (auto again = connector()) again->adapterDidStartPlayingRewardBasedVideoAd(*this);
}

void DemoRewardedVideoAdapter::stopBeingDelegate() {
    stopped_ = true;
}

void DemoRewardedVideoAdapter::learnMore() {
    auto c = connector();
    if (!c) return;
    auto keep = shared_from_this();
    c->adapterDidGetAdClick(*this);
    if (auto again = connector()) again->adapterWillLeaveApplication(*this);
    if (const auto landing = credential("landing")) {
        platform::ui::Application::shared().openURL(*landing);
    }
}

void DemoRewardedVideoAdapter::videoFinished() {
    if (auto c = connector()) {
        c->adapterDidRewardUserWithReward(
            *this, ads::GADAdReward::create("coins", platform::Decimal::fromInteger(1)));
    }
}

void DemoRewardedVideoAdapter::closed() {
    auto controller = controller_.lock();
    if (!controller) return;
    auto keep = shared_from_this();
    controller_.reset();
    controller->dismissViewController(false);
    if (auto c = connector()) c->adapterDidCloseRewardBasedVideoAd(*this);
}

}  // namespace tools::adserver
