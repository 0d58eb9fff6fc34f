#pragma once

// The bookkeeping of one slot's time on screen: however many SDK screens stand over the app,
// stacked or handing over to one another, the app hears one will-present when the first
// arrives and one will-dismiss and one did-dismiss when the last has gone; meanwhile the device
// stays awake. Each screen is a participant (GADIntermitting).
//
// Main thread only. The slot refers to its intermission weakly and each participant holds it
// strongly while it belongs to it, so it lives as long as some participant still does; the
// intermission holds its participants and its slot weakly. A participant that goes away
// without leaving is purged at the next call (and when the intermission goes), and the end
// events still follow.
//
// Participants go through: addParticipant (active) -> participantWillRelinquishScreen
// (deactivating) -> participantDidRelinquishScreen (gone). When the application comes back to
// the foreground, every active participant that asks for it is told to leave, one at a time:
// the dismissals wait on a main-loop operation queue that stands still while anyone is
// deactivating.

#include <memory>
#include <unordered_set>

#include "ads/foundation/GADWeakReference.h"
#include "ads/fullscreen/GADIntermitting.h"
#include "platform/runtime/NotificationCenter.h"

namespace platform {
class OperationQueue;
}

namespace ads {

class GADFullScreenSlot;

class GADIntermission : public std::enable_shared_from_this<GADIntermission> {
    struct Private {};

  public:
    using Participant = GADWeakReference<GADIntermitting>;
    using ParticipantSet = std::unordered_set<Participant>;

    // Nothing without a slot.
    static std::shared_ptr<GADIntermission> create(const std::shared_ptr<GADFullScreenSlot>& slot);
    // The slot's current intermission, or a new one that the slot then refers to; nothing
    // without a slot.
    static std::shared_ptr<GADIntermission> currentForSlot(
        const std::shared_ptr<GADFullScreenSlot>& slot);

    GADIntermission(Private, std::weak_ptr<GADFullScreenSlot> slot);
    // Ends what is still under way: the app hears the end events it has not heard yet.
    ~GADIntermission();
    GADIntermission(const GADIntermission&) = delete;
    GADIntermission& operator=(const GADIntermission&) = delete;

    // The first participant begins the intermission (will-present, idle timer off). A
    // participant that joins while the others are leaving carries the intermission on: the
    // app hears no second will-present, and no second will-dismiss later.
    void addParticipant(const std::shared_ptr<GADIntermitting>& participant);
    // The last active participant starting to leave ends the intermission for the app
    // (will-dismiss, idle timer and status bar back). A participant that is not active
    // changes nothing.
    void participantWillRelinquishScreen(const std::shared_ptr<GADIntermitting>& participant);
    // The last participant gone finishes it (did-dismiss). An active participant that skipped
    // the first step is taken through it first.
    void participantDidRelinquishScreen(const std::shared_ptr<GADIntermitting>& participant);
    // A presenter is about to hide the status bar: the end puts it back.
    void participantWillOverrideStatusBarVisibility(
        const std::shared_ptr<GADIntermitting>& participant);

    const ParticipantSet& activeParticipants() const { return active_; }
    const ParticipantSet& deactivatingParticipants() const { return deactivating_; }
    void cleanUpDeallocatedParticipants();

  private:
    enum class Phase { Idle, Active, Ending };

    void begin();
    void willEnd();
    void didEnd();
    void applicationWillEnterForeground();
    void updateDeactivationQueue();

    std::weak_ptr<GADFullScreenSlot> slot_;
    ParticipantSet active_;
    ParticipantSet deactivating_;
    std::unique_ptr<platform::OperationQueue> deactivationQueue_;
    platform::NotificationCenter::Observation foregroundObservation_;
    Phase phase_ = Phase::Idle;
    // The app heard will-dismiss in this intermission: a participant that took over while the
    // others left does not make it hear a second one.
    bool willDismissSent_ = false;
    bool publisherIdleTimerDisabled_ = false;
    bool statusBarWasOriginallyHidden_ = false;
    bool statusBarOverridden_ = false;
};

}  // namespace ads
