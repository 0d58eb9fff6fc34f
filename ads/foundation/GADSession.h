#pragma once

// One run of the program as the ad server counts it: a random 64-bit id, in decimal, made with
// the application state and sent with every request as "session_id".

#include <memory>
#include <string>

namespace ads {

class GADSession {
  public:
    static std::shared_ptr<GADSession> create();

    const std::string& uniqueID() const { return uniqueID_; }

  private:
    struct Private {};

  public:
    GADSession(Private, std::string uniqueID) : uniqueID_(std::move(uniqueID)) {}

  private:
    const std::string uniqueID_;
};

}  // namespace ads
