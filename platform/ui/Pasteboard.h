#pragma once

// The general pasteboard: text the user copies (an ad's debug information, say). While the
// program has a window (SDL's video is up) the text goes to the desktop's clipboard too and is
// read back from it, so it can be pasted elsewhere; without one (headless runs, tests) it
// stays in the process.
//
// Main thread only, as the window system's clipboard is.

#include <cstdint>
#include <optional>
#include <string>

namespace platform::ui {

class Pasteboard {
  public:
    static Pasteboard& generalPasteboard();

    // The text on the pasteboard; nothing when none was copied.
    std::optional<std::string> string() const;
    void setString(std::string text);
    // Counts every change made through this object.
    std::int64_t changeCount() const;

  private:
    Pasteboard() = default;

    std::optional<std::string> text_;
    std::int64_t changeCount_ = 0;
};

}  // namespace platform::ui
