#pragma once

// WebKit tests need a display. scripts/test runs them under xvfb-run with MOVU_REQUIRE_DISPLAY
// set, so there a missing display fails them; run by hand without one they are skipped.
// A macro because GoogleTest's skip and failure return from the test function itself.

#include <gtest/gtest.h>

#include <cstdlib>

#define MOVU_SKIP_WITHOUT_DISPLAY()                                                           \
    do {                                                                                      \
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {                     \
            if (std::getenv("MOVU_REQUIRE_DISPLAY")) FAIL() << "no display for WebKit tests"; \
            GTEST_SKIP() << "no display; scripts/test runs these under xvfb-run";             \
        }                                                                                     \
    } while (false)
