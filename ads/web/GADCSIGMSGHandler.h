#pragma once

// The page message "instrument": an ad's script adds to the performance report of the action
// "make_wv". Its parameter "action" picks what:
//   "tick"       - "label", "start_label" (default "native:view_load") and "timestamp" (ms
//                  since 1970): the timestamp is kept under the label; when the start label
//                  has one that is not later, a measurement named after the label, from that
//                  time to this, joins the recorder (in seconds, as every measurement).
//   "experiment" - "value" joins the recorder's experiment ids.
//   "extra"      - "name" and "value" become a parameter of the report.
// Anything else, and anything missing, changes nothing. While this process does not report,
// only the tick's timestamp is kept.
//
// Main thread, as every handler; the hub is held weakly.

#include <memory>

#include "ads/web/GADGMSGHandler.h"

namespace ads {

class GADCSI;

class GADCSIGMSGHandler : public GADGMSGHandler {
  public:
    static constexpr const char* kRecorderAction = "make_wv";
    static constexpr const char* kDefaultStartLabel = "native:view_load";

    // The shared hub unless given one.
    static std::shared_ptr<GADCSIGMSGHandler> create(std::weak_ptr<GADCSI> csi = {});

    const GADGMSGActionTable* actionBlockDictionary() const override;

    void didReceiveCSINotification(const GADGMSGActionInfo& info);
    void didReceiveTickAction(const GADNotification& note);
    void didReceiveExperimentAction(const GADNotification& note);
    void didReceiveExtraAction(const GADNotification& note);

  private:
    struct Private {};

  public:
    GADCSIGMSGHandler(Private, std::weak_ptr<GADCSI> csi, bool shared);

  private:
    std::shared_ptr<GADCSI> csi() const;

    std::weak_ptr<GADCSI> csi_;
    const bool useShared_;
};

}  // namespace ads
