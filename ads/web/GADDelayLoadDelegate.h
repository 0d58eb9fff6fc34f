#pragma once

// Hears from the page's delay handler: a page may hold back its "loaded" signal while it
// prepares, by raising a delay count and lowering it again, or give up (cancel). The handler
// keeps the count and reports every change with the old and the new value. Main thread.

#include <cstdint>

namespace ads {

class GADGMSGHandler;

class GADDelayLoadDelegate {
  public:
    virtual ~GADDelayLoadDelegate() = default;

    virtual void loadHandlerDidCancel(GADGMSGHandler& handler) = 0;
    virtual void loadHandlerDidChangeDelay(GADGMSGHandler& handler, std::int64_t from,
                                           std::int64_t to) = 0;
};

}  // namespace ads
