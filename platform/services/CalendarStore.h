#pragma once

// The calendar's permission, which a desktop does not keep for us: the user's answer lives in
// the user defaults under kAuthorizationStatusKey as the numbers below. Asking while nothing
// is decided shows one alert ("Movuroute would like to add events to your calendar.", "Don't
// Allow", "OK") and stores the answer; asking once the user decided answers at once. A stored
// value outside 0-3 counts as undecided. Main thread only; answers come on a later main-loop
// turn. Whoever asked may withdraw a question still waiting (its screen went): it goes down
// unanswered, nothing is stored and the completion never runs.

#include <functional>
#include <memory>

namespace platform::services {

enum class CalendarAuthorizationStatus {
    NotDetermined = 0,
    Restricted = 1,
    Denied = 2,
    Authorized = 3,
};

// A question to the user that is up or waiting for its turn.
class CalendarAccessRequest {
  public:
    virtual ~CalendarAccessRequest() = default;
    // Takes the question down, or out of the queue, unanswered; nothing once answered.
    virtual void withdraw() = 0;
};

class CalendarStore {
  public:
    static constexpr const char* kAuthorizationStatusKey = "MovurouteCalendarAuthorizationStatus";
    static constexpr const char* kAccessQuestion =
        "Movuroute would like to add events to your calendar.";
    static constexpr const char* kDenyTitle = "Don't Allow";
    static constexpr const char* kAllowTitle = "OK";

    static CalendarAuthorizationStatus authorizationStatus();
    static void setAuthorizationStatus(CalendarAuthorizationStatus status);
    // Granted or not; asks the user only while undecided, and then gives the question back
    // (nullptr when the answer is known already).
    static std::shared_ptr<CalendarAccessRequest> requestAccess(
        std::function<void(bool granted)> completion);
};

}  // namespace platform::services
