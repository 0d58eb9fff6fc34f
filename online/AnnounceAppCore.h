#pragma once

// What the announcement service needs of the application core. The app library depends on
// this one, never the reverse, so the core is reached through this small interface.

#include <cstdint>
#include <memory>
#include <string>

namespace platform::ui {
class ViewController;
}

namespace online {

class AnnounceAppCore {
  public:
    virtual ~AnnounceAppCore() = default;

    virtual int32_t gameId() const = 0;
    virtual std::string appVersionString() const = 0;
    // The account id as 32 lower-case hex digits.
    virtual std::string aridStr() const = 0;
    virtual std::string webSecretKey() const = 0;
    // The web service base, ending in "/iphone/".
    virtual std::string iphoneWebUrl() const = 0;
    // "<device model>;<system version>", unencoded.
    virtual std::string tnParamStr() const = 0;
    // Notices of a run's end that are still to be shown; nothing else may pop up meanwhile.
    virtual bool levelManagerHasPendingMessages() const = 0;
    // A one-button ("OK") alert.
    virtual void showSimpleAlert(const std::string& title, const std::string& message) = 0;
    // The screens are laid out for a landscape orientation (3 or 4).
    virtual bool landscape() const { return false; }
    // The banner-ad support could put an iAd banner beside ours; ours then makes room for it
    // in landscape.
    virtual bool canShowIAd() const { return false; }
    // The root view controller of the app's window, which an interstitial is presented from;
    // none: no interstitial shows.
    virtual std::shared_ptr<platform::ui::ViewController> rootViewController() const {
        return nullptr;
    }
};

}  // namespace online
