#pragma once

// The page messages of an MRAID creative's script (our mraid.js):
//   "mraidLoaded"  - the script is ready: the slot's MRAID life starts (GADSlotMRAID).
//   "mraid"        - by "a": "resize" (the opener's resize road with the parameters; asked
//                    for before the slot has shown its ad, it waits for that, as an expand
//                    does: GADFullScreenSlot::deferMRAIDLayoutChangeUntilShown),
//                    "storePicture" (the picture at "iurl" into the album, after the user
//                    agreed), "createCalendarEvent" (the opener's calendar road with the
//                    parameters), "setOrientationProperties" (the orientations of the ad's
//                    full-screen controller); any other "a", or none, is ignored.
//
// Orientation properties are checked before anything changes: both "allowOrientationChange"
// and "forceOrientation" must be there, the latter one of "portrait", "landscape", "none",
// "any"; otherwise the creative hears "Received invalid orientation properties" and the mask
// stays as it was. They apply only to an ad in an SDK full-screen controller. When the new mask
// leaves out the interface's orientation, the platform is asked to turn to the device's
// orientation (when the controller may turn to it), else the interface is made to read the
// mask again by presenting and dismissing an invisible controller; when the mask shares no
// orientation with the window, nothing turns (one log line).
//
// Pictures: the question ("Permission") comes only from an ad on screen, through the opener's
// gate as a question within the ad: with the server's auto-click protection, one question per
// touch; without it, the ad's first question may come untouched and each later one needs a
// touch of its own, so a creative cannot ask again and again until the player gives in.
// Otherwise the creative hears why (not on screen, or no touch). One GADMRAIDPicture per
// URL while it is asked, downloaded and stored; a repeat of a URL pending is dropped, and
// while one picture's question is up another URL is refused with "Could not initialize
// picture download.". A declined picture is no longer pending. A question still up goes
// down, unanswered, when the full-screen screen the ad is shown by closes, or with the
// handler. Errors reach the creative as "onError" through the opener's slot.
//
// A warning a creative can repeat (orientations the window cannot take) is logged once per
// ad.
//
// Main thread, as every handler. Holds its opener (the page delegate's) strongly.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/fullscreen/GADMRAIDPicture.h"
#include "ads/web/GADGMSGHandler.h"
#include "platform/base/Value.h"
#include "platform/runtime/NotificationCenter.h"

namespace ads {

class GADOpener;

class GADMRAIDGMSGHandler : public GADGMSGHandler,
                            public GADMRAIDPictureDelegate,
                            public std::enable_shared_from_this<GADMRAIDGMSGHandler> {
    struct Private {};

  public:
    static constexpr const char* kInvalidOrientationProperties =
        "Received invalid orientation properties";
    static constexpr const char* kCouldNotInitializePicture =
        "Could not initialize picture download.";
    // What the gate's refusal of a picture question says, with its cause
    // (GADOpener::refusalMessage).
    static constexpr const char* kStoringPictures = "Storing pictures";

    static std::shared_ptr<GADMRAIDGMSGHandler> create(std::shared_ptr<GADOpener> opener);
    GADMRAIDGMSGHandler(Private, std::shared_ptr<GADOpener> opener) : opener_(std::move(opener)) {}
    // Questions still up go down with it.
    ~GADMRAIDGMSGHandler() override;

    const GADGMSGActionTable* actionBlockDictionary() const override;
    // The values of "mraid"'s "a" that do something.
    static std::vector<std::string> commandNames();

    void didReceiveMRAIDLoadNotification(const GADGMSGActionInfo& info);
    void didReceiveMRAIDNotification(const GADGMSGActionInfo& info);

    void actionResize(const platform::Value::Dictionary& parameters);
    void actionStorePicture(const platform::Value::Dictionary& parameters);
    void actionCreateCalendarEvent(const platform::Value::Dictionary& parameters);
    void actionSetOrientationProperties(const platform::Value::Dictionary& parameters);

    // The orientation mask the properties ask for while the interface stands in
    // `statusBarOrientation`, or none when they are invalid.
    static std::optional<unsigned> orientationMaskForProperties(
        const platform::Value::Dictionary& parameters, int statusBarOrientation);

    // Pictures waiting for the user or their download (tests, diagnostics).
    std::size_t pendingPictureCount() const { return pendingPictureDownloads_.size(); }

    // GADMRAIDPictureDelegate
    void MRAIDPictureDidStorePictureWithURL(GADMRAIDPicture& picture,
                                            const platform::Url& url) override;
    void MRAIDPictureFailedToStorePictureWithURL(GADMRAIDPicture& picture,
                                                 const std::optional<platform::Url>& url,
                                                 const std::string& message) override;
    void MRAIDPictureWasDeclined(GADMRAIDPicture& picture, const platform::Url& url) override;

  private:
    void reportError(const std::string& message, const std::string& action) const;
    void turnInterfaceIfNeeded(unsigned mask);
    void withdrawQuestionsWithTheScreen();
    void withdrawPictureQuestions();
    void warnOncePerAd(const std::string& line);

    std::shared_ptr<GADOpener> opener_;
    std::map<std::string, std::shared_ptr<GADMRAIDPicture>> pendingPictureDownloads_;
    platform::NotificationCenter::Observation screenClosing_;
    std::weak_ptr<const void> warnedAd_;
    std::set<std::string> warnings_;
};

}  // namespace ads
