#include "ads/web/GADGMSGHandler.h"

#include "platform/net/UrlRequest.h"

namespace ads {

bool GADGMSGHandler::handleRequest(const platform::UrlRequest& request,
                                   const std::shared_ptr<GADAdView>& adView) {
    if (!GADNotification::isNotificationURL(request.url())) return false;
    auto note = GADNotification::createWithNotificationURL(request.url());
    return note && handleNotification(note, adView);
}

bool GADGMSGHandler::handleNotification(const std::shared_ptr<const GADNotification>& note,
                                        const std::shared_ptr<GADAdView>& adView) {
    if (!note) return false;
    const GADGMSGActionTable* table = actionBlockDictionary();
    if (!table) return false;
    auto found = table->find(note->name());
    if (found == table->end() || !found->second) return false;
    // A copy of the info: the action may drop the last reference to the view or the message
    // its caller holds.
    const GADGMSGActionInfo info{adView, note};
    found->second(*this, info);
    return true;
}

}  // namespace ads
