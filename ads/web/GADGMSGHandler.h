#pragma once

// The base of every handler of page messages. A handler class declares one action table, from
// action name to action, built the first time it is asked for and shared by every object of
// the class for the rest of the process. A class that declares none answers its base class's
// table. The table is asked through the object, so a subclass that keeps its parent's table
// runs the parent's actions:
//
//     const GADGMSGActionTable* GADDefaultGMSGHandler::actionBlockDictionary() const {
//         static const GADGMSGActionTable table{
//             {"log", action(&GADDefaultGMSGHandler::log)},
//         };
//         return &table;
//     }
//
// Handlers are asked on the main thread (GADAdViewDelegate hops there), so actions start on
// it; the table itself may be asked for from any thread.

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "ads/web/GADNotification.h"

namespace platform {
class UrlRequest;
}

namespace ads {

class GADAdView;
class GADGMSGHandler;

// What an action gets besides its handler: the ad view whose page sent the message (nullptr
// for pages without one, such as the SDK core's) and the message.
struct GADGMSGActionInfo {
    std::shared_ptr<GADAdView> adView;
    std::shared_ptr<const GADNotification> note;
};

using GADGMSGActionBlock = std::function<void(GADGMSGHandler&, const GADGMSGActionInfo&)>;
using GADGMSGActionTable = std::unordered_map<std::string, GADGMSGActionBlock>;

class GADGMSGHandler {
  public:
    virtual ~GADGMSGHandler() = default;
    GADGMSGHandler(const GADGMSGHandler&) = delete;
    GADGMSGHandler& operator=(const GADGMSGHandler&) = delete;

    // The action table of this object's class; the base class has none.
    virtual const GADGMSGActionTable* actionBlockDictionary() const { return nullptr; }

    // For a request to a gmsg URL: the message handled as below. False for any other request
    // and for a gmsg URL that names no action.
    bool handleRequest(const platform::UrlRequest& request,
                       const std::shared_ptr<GADAdView>& adView);
    // Runs the action of the message's name when the table has one and answers true; false,
    // with nothing run, otherwise.
    bool handleNotification(const std::shared_ptr<const GADNotification>& note,
                            const std::shared_ptr<GADAdView>& adView);

  protected:
    GADGMSGHandler() = default;

    // A table entry that runs a member of the handler's class. It runs only on objects of that
    // class (or its subclasses): an entry never reaches a member of an unrelated object.
    template <class Handler>
    static GADGMSGActionBlock action(void (Handler::*member)(const GADGMSGActionInfo&)) {
        return [member](GADGMSGHandler& handler, const GADGMSGActionInfo& info) {
            if (auto* self = dynamic_cast<Handler*>(&handler)) (self->*member)(info);
        };
    }
};

}  // namespace ads
