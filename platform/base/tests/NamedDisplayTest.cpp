#include "platform/base/NamedDisplay.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace platform {
namespace {

// Puts the two display variables back as they were.
class DisplayVariables {
  public:
    DisplayVariables() {
        for (int i = 0; i < 2; ++i)
            if (const char* value = std::getenv(kNames[i])) saved_[i] = value;
    }
    ~DisplayVariables() {
        for (int i = 0; i < 2; ++i) {
            if (saved_[i]) {
                ::setenv(kNames[i], saved_[i]->c_str(), 1);
            } else {
                ::unsetenv(kNames[i]);
            }
        }
    }
    void set(const char* display, const char* wayland) {
        const char* values[2] = {display, wayland};
        for (int i = 0; i < 2; ++i) {
            if (values[i]) {
                ::setenv(kNames[i], values[i], 1);
            } else {
                ::unsetenv(kNames[i]);
            }
        }
    }

  private:
    static constexpr const char* kNames[2] = {"DISPLAY", "WAYLAND_DISPLAY"};
    std::optional<std::string> saved_[2];
};

// The cases that must not wait: nothing named to wait for, and a failure of the program's own.
TEST(NamedDisplayTest, OnlyARefusalOfANamedDisplayIsAskedAgain) {
    DisplayVariables variables;
    variables.set(nullptr, "");
    EXPECT_EQ(namedDisplay(), std::nullopt);
    int calls = 0;
    auto asking = askNamedDisplay([&] {
        ++calls;
        return DisplayAnswer::Refused;
    });
    EXPECT_EQ(asking.answer, DisplayAnswer::Refused);
    EXPECT_EQ(asking.attempts, 1);
    EXPECT_EQ(calls, 1);

    variables.set("", "wayland-1");
    EXPECT_EQ(namedDisplay(), "wayland-1");
    variables.set(":7", "wayland-1");
    EXPECT_EQ(namedDisplay(), ":7");
    calls = 0;
    asking = askNamedDisplay([&] {
        ++calls;
        return DisplayAnswer::Failed;
    });
    EXPECT_EQ(asking.answer, DisplayAnswer::Failed);
    EXPECT_EQ(calls, 1);
    asking = askNamedDisplay([] { return DisplayAnswer::Opened; });
    EXPECT_EQ(asking.answer, DisplayAnswer::Opened);
    EXPECT_EQ(asking.attempts, 1);
}

}  // namespace
}  // namespace platform
