#pragma once

// The pop-up announcement after a game: an alert with link buttons, shown at most once per
// serial number, across launches. Main thread only.
//
// Owned by the announcement manager, which is its host; the alert holds it weakly as its
// delegate. The shown serial is recorded through the manager's AnnounceCache, which writes
// nothing once the app is shut down.

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/base/Value.h"
#include "platform/ui/AlertView.h"

namespace online {

class AnnounceCache;
class AnnounceHost;

class AnnouncePopup : public platform::ui::AlertViewDelegate,
                      public std::enable_shared_from_this<AnnouncePopup> {
    struct Private {};

  public:
    static std::shared_ptr<AnnouncePopup> create(AnnounceHost& host,
                                                 std::shared_ptr<AnnounceCache> cache);
    AnnouncePopup(Private, AnnounceHost& host, std::shared_ptr<AnnounceCache> cache);
    AnnouncePopup(const AnnouncePopup&) = delete;
    AnnouncePopup& operator=(const AnnouncePopup&) = delete;

    // The "PUAd" row of the latest list, and the serial last shown.
    const std::optional<platform::Value>& info() const { return info_; }
    void setInfo(std::optional<platform::Value> info) { info_ = std::move(info); }
    int32_t doneSerial() const { return doneSerial_; }
    void setDoneSerial(int32_t serial) { doneSerial_ = serial; }

    // Shows the pop-up when its serial is new and it has not expired at `now` (seconds since
    // 1970).
    void show(double now);
    std::shared_ptr<platform::ui::AlertView> alertView() const { return alertView_; }
    // Takes a shown alert away without running anything and forgets the row and serial.
    void reset();

    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) override;

  private:
    AnnounceHost& host_;
    std::shared_ptr<AnnounceCache> cache_;
    std::optional<platform::Value> info_;
    int32_t doneSerial_ = 0;
    std::shared_ptr<platform::ui::AlertView> alertView_;
    platform::Value::Array buttons_;
};

}  // namespace online
