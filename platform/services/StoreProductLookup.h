#pragma once

// Looks a store product up by its numeric identifier. A desktop has no app store: every
// identifier above 0 is "found" as a stand-in product named "Product <id>", and any other
// fails with "No product <id>.". Answers come on a later turn of the main loop, as a store's
// answer would; call on the main thread.
//
// Tests script the answers (setScriptForTesting): the script is called on that later turn
// with the identifier and the completion, and may answer at once, later or never.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/Error.h"

namespace platform::services {

inline constexpr const char* kStoreErrorDomain = "SKErrorDomain";
// The store's code for a product it cannot show.
inline constexpr std::int64_t kStoreErrorProductNotAvailable = 5;

struct StoreProduct {
    std::int64_t identifier = 0;
    std::string title;
};

class StoreProductLookup {
  public:
    // Exactly one of product and error is set.
    using Completion = std::function<void(const std::optional<StoreProduct>& product,
                                          const std::optional<Error>& error)>;
    using Script = std::function<void(std::int64_t identifier, Completion completion)>;

    static void lookup(std::int64_t identifier, Completion completion);
    // The answer lookup gives without a script.
    static void answer(std::int64_t identifier, const Completion& completion);

    // nullptr restores the stand-in's own answers.
    static void setScriptForTesting(Script script);
};

}  // namespace platform::services
