#pragma once

// The switch that lets MRAID creatives have their script served while an ad loads. Ad slots
// turn it on when a request starts and off again when it ends (a valid ad, a failure, a failed
// SDK core); pages of the full-screen ad app do the same around their own loads. Several loads
// may run at once, so it is a count: serving is on while any of them holds it. The count never
// goes below zero, so a stray release cannot switch off another load's hold.
//
// Thread-safe: the URL-loading side asks from its own threads, so the count sits behind a
// mutex.

#include <cstdint>

namespace ads {

class GADMRAIDInterceptor {
  public:
    GADMRAIDInterceptor() = delete;

    static void enableCanInitWithRequest();
    static void disableCanInitWithRequest();
    // How many holds are in force now.
    static std::int64_t canInitWithRequestCount();

    // Back to no holds (tests).
    static void resetCanInitWithRequestCount();
};

}  // namespace ads
