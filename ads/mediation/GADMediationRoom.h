#pragma once

// What the mediation room puts into the SDK's tables at start-up: the mediation answer's
// processor in the ad response table (instead of the slot's code-8 answer), the manager every
// slot makes by name ("GADMAdManager"), the connector classes ads name and the built-in
// adapters (by the names configurations give them). ads::load() calls it; so do tests. Any
// number of calls: the registrations are made once. Main thread.

namespace ads {

void registerMediationClasses();

}  // namespace ads
