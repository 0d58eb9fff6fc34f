#pragma once

// For tests of clicks: while it lives, what the program hands to the desktop (web pages through
// Application::openURL) goes nowhere, and opened() reads back, in order, what was handed on
// since it was made. It puts the process spawn back as it goes.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/ui/Application.h"

namespace ads::testing {

class DesktopRecorder {
  public:
    DesktopRecorder() : before_(platform::ui::Application::shared().openedURLs().size()) {
        platform::ui::Application::shared().setDesktopOpener(
            [](const std::vector<std::string>&) { return true; });
    }
    ~DesktopRecorder() { platform::ui::Application::shared().setDesktopOpener({}); }
    DesktopRecorder(const DesktopRecorder&) = delete;
    DesktopRecorder& operator=(const DesktopRecorder&) = delete;

    std::vector<std::string> opened() const {
        const auto& all = platform::ui::Application::shared().openedURLs();
        return {all.begin() + static_cast<std::ptrdiff_t>(before_), all.end()};
    }

  private:
    std::size_t before_;
};

}  // namespace ads::testing
