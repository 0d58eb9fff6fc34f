#pragma once

// The calendar's permission, which a desktop does not keep for us: the user's answer lives in
// the user defaults under kAuthorizationStatusKey as the numbers below. Asking while nothing
// is decided shows one alert ("Movuroute would like to add events to your calendar.", "Don't
// Allow", "OK") and stores the answer; asking once the user decided answers at once. A stored
// value outside 0-3 counts as undecided. Main thread only; answers come on a later main-loop
// turn.

#include <functional>

namespace platform::services {

enum class CalendarAuthorizationStatus {
    NotDetermined = 0,
    Restricted = 1,
    Denied = 2,
    Authorized = 3,
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
    // Granted or not; asks the user only while undecided.
    static void requestAccess(std::function<void(bool granted)> completion);
};

}  // namespace platform::services
