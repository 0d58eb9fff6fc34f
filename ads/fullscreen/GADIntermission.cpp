#include "ads/fullscreen/GADIntermission.h"

#include "ads/fullscreen/GADFullScreenSlot.h"
#include "platform/runtime/OperationQueue.h"
#include "platform/ui/Application.h"

namespace ads {

namespace {

std::shared_ptr<GADIntermitting> strong(const GADIntermission::Participant& p) {
    return p.weakObject();
}

// Drops the boxes whose participant is gone; answers whether any was dropped.
bool purge(GADIntermission::ParticipantSet& set) {
    return std::erase_if(set, [](const auto& p) { return !strong(p); }) != 0;
}

}  // namespace

std::shared_ptr<GADIntermission> GADIntermission::create(
    const std::shared_ptr<GADFullScreenSlot>& slot) {
    if (!slot) return nullptr;
    return std::make_shared<GADIntermission>(Private{}, slot);
}

std::shared_ptr<GADIntermission> GADIntermission::currentForSlot(
    const std::shared_ptr<GADFullScreenSlot>& slot) {
    if (!slot) return nullptr;
    if (auto current = slot->intermission()) return current;
    auto made = create(slot);
    slot->setIntermission(made);
    return made;
}

GADIntermission::GADIntermission(Private, std::weak_ptr<GADFullScreenSlot> slot)
    : slot_(std::move(slot)),
      deactivationQueue_(platform::OperationQueue::onMainLoop("GADIntermission deactivation")) {}

GADIntermission::~GADIntermission() {
    cleanUpDeallocatedParticipants();
    if (phase_ == Phase::Active) willEnd();
    if (phase_ != Phase::Idle) didEnd();
}

void GADIntermission::addParticipant(const std::shared_ptr<GADIntermitting>& participant) {
    cleanUpDeallocatedParticipants();
    auto box = Participant::create(participant);
    if (!box) return;
    bool first = active_.empty() && deactivating_.empty();
    // A participant is in one set at a time.
    deactivating_.erase(*box);
    active_.insert(*box);
    updateDeactivationQueue();
    if (first) {
        begin();
    } else if (phase_ == Phase::Ending) {
        // Taking over from a screen that is leaving: the device stays awake for this one too.
        phase_ = Phase::Active;
        platform::ui::Application::shared().setIdleTimerDisabled(true);
    }
}

void GADIntermission::begin() {
    phase_ = Phase::Active;
    willDismissSent_ = false;
    statusBarOverridden_ = false;
    auto& app = platform::ui::Application::shared();
    publisherIdleTimerDisabled_ = app.isIdleTimerDisabled();
    app.setIdleTimerDisabled(true);
    statusBarWasOriginallyHidden_ = app.isStatusBarHidden();
    foregroundObservation_ = platform::NotificationCenter::defaultCenter().observe(
        platform::ui::kWillEnterForegroundNotification, nullptr,
        [weak = weak_from_this()](const platform::Notification&) {
            if (auto self = weak.lock()) self->applicationWillEnterForeground();
        });
    if (auto slot = slot_.lock()) slot->adWillPresentScreen();
}

void GADIntermission::participantWillOverrideStatusBarVisibility(
    const std::shared_ptr<GADIntermitting>&) {
    statusBarOverridden_ = true;
}

void GADIntermission::participantWillRelinquishScreen(
    const std::shared_ptr<GADIntermitting>& participant) {
    cleanUpDeallocatedParticipants();
    auto box = Participant::create(participant);
    if (!box || !active_.erase(*box)) return;
    deactivating_.insert(*box);
    updateDeactivationQueue();
    if (active_.empty()) willEnd();
}

void GADIntermission::willEnd() {
    phase_ = Phase::Ending;
    auto& app = platform::ui::Application::shared();
    app.setIdleTimerDisabled(publisherIdleTimerDisabled_);
    if (statusBarOverridden_) app.setStatusBarHidden(statusBarWasOriginallyHidden_);
    if (willDismissSent_) return;
    willDismissSent_ = true;
    if (auto slot = slot_.lock()) slot->adWillDismissScreen();
}

void GADIntermission::participantDidRelinquishScreen(
    const std::shared_ptr<GADIntermitting>& participant) {
    cleanUpDeallocatedParticipants();
    auto box = Participant::create(participant);
    if (!box) return;
    if (active_.count(*box)) participantWillRelinquishScreen(participant);
    if (deactivating_.erase(*box)) {
        updateDeactivationQueue();
        if (active_.empty() && deactivating_.empty()) didEnd();
    }
}

void GADIntermission::didEnd() {
    phase_ = Phase::Idle;
    foregroundObservation_.reset();
    if (auto slot = slot_.lock()) slot->adDidDismissScreen();
}

void GADIntermission::cleanUpDeallocatedParticipants() {
    bool droppedActive = purge(active_);
    bool droppedDeactivating = purge(deactivating_);
    if (!droppedActive && !droppedDeactivating) return;
    if (droppedActive && active_.empty() && phase_ == Phase::Active) willEnd();
    updateDeactivationQueue();
    if (active_.empty() && deactivating_.empty() && phase_ != Phase::Idle) didEnd();
}

void GADIntermission::updateDeactivationQueue() {
    // Foreground dismissals wait while anyone is leaving, so they happen one after another.
    bool suspend = !deactivating_.empty();
    if (deactivationQueue_->isSuspended() != suspend) deactivationQueue_->setSuspended(suspend);
}

void GADIntermission::applicationWillEnterForeground() {
    cleanUpDeallocatedParticipants();
    // Asked now, acted on in turn: each dismissal waits until the one before has finished.
    auto snapshot = active_;
    for (const auto& box : snapshot) {
        auto participant = strong(box);
        if (!participant || !participant->shouldDismissOnApplicationEnteringForeground()) continue;
        deactivationQueue_->addOperation(
            [weakSelf = weak_from_this(), weakParticipant = std::weak_ptr(participant)] {
                auto self = weakSelf.lock();
                auto participant = weakParticipant.lock();
                if (!self || !participant) return;
                if (!Participant::setContainsObject(self->active_, participant)) return;
                participant->relinquishScreenWithCompletion({});
            });
    }
}

}  // namespace ads
