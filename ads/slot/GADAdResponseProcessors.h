#pragma once

// How a slot processes a fetched ad: one entry per ad response type, and one for ads that are
// an ad network's script. The slot's own kinds are the first entries (HTML and native ads,
// custom-rendered ads, and for mediation answers and script ads the failure the app gets while
// no network can take them); the features above the slot put their entries in at start-up
// and replace those, so a new kind of ad never edits the slot. A type without an entry fails
// the request with code 13.
//
// Main thread only: entries are put in at start-up and read as ads arrive. A processor ends
// the request (a valid or invalid ad) or hands the ad on (rendering, a network).

#include <functional>
#include <map>
#include <memory>

#include "ads/foundation/GADAd.h"

namespace ads {

class GADSlot;

class GADAdResponseProcessors {
  public:
    using Processor = std::function<void(GADSlot& slot, const std::shared_ptr<GADAd>& ad)>;
    struct Entry {
        Processor process;
        // The slot renders what this processor takes: the response's timings end and the
        // rendering's starts.
        bool rendersAd = false;
    };

    // The table every slot reads, with the slot's own entries in.
    static GADAdResponseProcessors& shared();

    // Each returns the entry it replaced, so a feature that steps aside can put it back.
    Entry setEntry(GADAdResponseType type, Entry entry);
    Processor setScriptAdProcessor(Processor processor);

    // Nothing for a type without an entry.
    const Entry* entry(GADAdResponseType type) const;
    const Processor& scriptAdProcessor() const { return scriptAd_; }

  private:
    GADAdResponseProcessors();

    std::map<GADAdResponseType, Entry> entries_;
    Processor scriptAd_;
};

}  // namespace ads
