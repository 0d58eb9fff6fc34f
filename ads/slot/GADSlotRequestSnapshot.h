#pragma once

// What one ad request of a slot sends the SDK core, taken on the main thread when the core is
// ready for the request: the request itself, the main thread's facts, the placement's inputs
// (owner, views, the slot's own fields, the request id) and the per-ad statistics that go with
// it. The SDK core's request queue completes it with the process-wide sources that are safe
// there (the slots' statistics, stored switches, the signed-in token) and builds the
// parameters with the pure GADSlotRequestParameters; nothing there reaches back into the slot,
// so the slot keeps no lock for the queue's sake.

#include <memory>
#include <optional>

#include "ads/foundation/GADMainThreadFacts.h"
#include "ads/slot/GADSlotRequestParameters.h"
#include "platform/base/Value.h"

namespace ads {

class GADRequest;

struct GADSlotRequestSnapshot {
    // Shared with the slot, which never changes a request once it is sent.
    std::shared_ptr<GADRequest> request;
    GADMainThreadFacts facts;
    GADSlotRequestInputs inputs;
};

// Any queue. Nothing without a request: there is nothing the server could answer.
std::optional<platform::Value::Dictionary> GADSlotRequestParametersFromSnapshot(
    GADSlotRequestSnapshot snapshot);

}  // namespace ads
