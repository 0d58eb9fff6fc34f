#pragma once

// For WebKit tests: another program on the display, holding its selections (PRIMARY, CLIPBOARD,
// SECONDARY) with a text of its own, as a terminal or an editor would after the player selected
// or copied something there. A client of the X server of its own (Xlib, $DISPLAY), with a thread
// that answers every request for its text and notes who asked and whether it was ever told that
// it lost a selection. Its `read` asks the display for a selection as a third program pasting
// would.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::testing {

class SelectionHolder {
  public:
    // Takes the three selections at once. Without a display it holds nothing.
    explicit SelectionHolder(std::string text);
    ~SelectionHolder();
    SelectionHolder(const SelectionHolder&) = delete;
    SelectionHolder& operator=(const SelectionHolder&) = delete;

    static constexpr const char* kSelections[] = {"PRIMARY", "CLIPBOARD", "SECONDARY"};

    // Whether it took every selection.
    bool holds() const { return holds_; }
    // The selections it was told it lost (SelectionClear), by name, in order.
    std::vector<std::string> lost() const;
    // Requests for its selections by anyone but `read`: "PRIMARY TARGETS" and the like.
    std::vector<std::string> askedByOthers() const;
    // What the display answers for `selection` as UTF-8 text: "" when its owner gives none
    // within `seconds`, "(no owner)" when nobody owns it.
    std::string read(const char* selection, double seconds = 5) const;

  private:
    struct Connection;
    void answer();
    void note(std::vector<std::string>& list, std::string entry);

    const std::string text_;
    std::unique_ptr<Connection> owner_;
    std::unique_ptr<Connection> reader_;
    bool holds_ = false;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> lost_;
    std::vector<std::string> asked_;
    std::thread thread_;
};

}  // namespace platform::testing
