#pragma once

// The page message "instrument": an ad's script adds to the performance report of the action
// "make_wv". Its parameter "action" picks what:
//   "tick"       - "label", "start_label" (default "native:view_load") and "timestamp" (ms
//                  since 1970): the timestamp is kept under the label; when the start label
//                  has one that is earlier (and after 1970), a measurement named after the
//                  label, from that time to this, joins the recorder (in seconds, as every
//                  measurement). One of no length, or that starts before 1970, could never be
//                  reported, and reports remove only what they carry: kept, it would stay for
//                  the process's life, a page's label for every tick of every ad.
//   "experiment" - "value" joins the recorder's experiment ids.
//   "extra"      - "name" and "value" become a parameter of the report.
// Anything else, and anything missing, changes nothing. While this process does not report,
// only the tick's timestamp is kept.
//
// A page is untrusted and may send these 50 times a second for as long as it runs, each up to
// a URL's length; what it has kept lives until the next report (labels and their measurements)
// or for the process's life (experiment ids and parameters, which every later report carries).
// So a page's texts are kept only within limits no honest creative meets: labels of at most
// kMaxLabelBytes and kMaxLabels of them until the next report; experiment ids of at most
// kMaxExperimentIDBytes, kMaxExperimentIDs in all (an id already there is not added again);
// parameter names of at most kMaxParameterNameBytes with values of kMaxParameterValueBytes,
// kMaxParameters in all (a name already there takes its new value). Whatever is refused
// changes nothing, and says so in a line out of the page's log budget (GADPageLog). The
// reports keep their form.
//
// Main thread, as every handler; the hub is held weakly.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/web/GADGMSGHandler.h"

namespace ads {

class GADCSI;

class GADCSIGMSGHandler : public GADGMSGHandler {
  public:
    static constexpr const char* kRecorderAction = "make_wv";
    static constexpr const char* kDefaultStartLabel = "native:view_load";
    // A creative ticks a handful of milestones ("native:view_show", "gws:js_load", ...).
    static constexpr std::size_t kMaxLabelBytes = 256;
    static constexpr std::size_t kMaxLabels = 64;
    // Experiment ids are numbers; a creative belongs to a few experiments.
    static constexpr std::size_t kMaxExperimentIDBytes = 64;
    static constexpr std::size_t kMaxExperimentIDs = 64;
    // The report's own parameters ("sdkVersion", "gqi") count among them.
    static constexpr std::size_t kMaxParameterNameBytes = 64;
    static constexpr std::size_t kMaxParameterValueBytes = 256;
    static constexpr std::size_t kMaxParameters = 32;

    // The shared hub unless given one.
    static std::shared_ptr<GADCSIGMSGHandler> create(std::weak_ptr<GADCSI> csi = {});

    const GADGMSGActionTable* actionBlockDictionary() const override;

    void didReceiveCSINotification(const GADGMSGActionInfo& info);
    // The names of the sub-actions "instrument" takes.
    static std::vector<std::string> subActionNames();
    // Each answers what it refused, for the page's log; nothing when all was kept or ignored.
    std::optional<std::string> didReceiveTickAction(const GADNotification& note);
    std::optional<std::string> didReceiveExperimentAction(const GADNotification& note);
    std::optional<std::string> didReceiveExtraAction(const GADNotification& note);

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
