#include "platform/base/LibraryEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace platform {
namespace {

bool has(const std::vector<std::string>& variables, const std::string& entry) {
    return std::find(variables.begin(), variables.end(), entry) != variables.end();
}

TEST(LibraryEnvironmentTest, WhatTheProgramAddedStaysOutOfTheUsersProgramsAndTheUsersOwnStays) {
    ::setenv("MOVU_CHOSEN_BY_THE_USER", "theirs", 1);
    setLibraryEnvironment("MOVU_CHOSEN_BY_THE_USER", "ours");
    setLibraryEnvironment("MOVU_ADDED_FOR_OUR_LIBRARIES", "");
    // The user's choice stands, for us and for them; ours is ours only (an empty value too).
    EXPECT_STREQ(std::getenv("MOVU_CHOSEN_BY_THE_USER"), "theirs");
    EXPECT_STREQ(std::getenv("MOVU_ADDED_FOR_OUR_LIBRARIES"), "");
    const auto forTheUser = userProgramEnvironment();
    EXPECT_TRUE(has(forTheUser, "MOVU_CHOSEN_BY_THE_USER=theirs"));
    EXPECT_FALSE(has(forTheUser, "MOVU_ADDED_FOR_OUR_LIBRARIES="));
    // A variable whose name only begins like one of ours is the user's.
    ::setenv("MOVU_ADDED_FOR_OUR_LIBRARIES_TOO", "x", 1);
    EXPECT_TRUE(has(userProgramEnvironment(), "MOVU_ADDED_FOR_OUR_LIBRARIES_TOO=x"));
    ::unsetenv("MOVU_CHOSEN_BY_THE_USER");
    ::unsetenv("MOVU_ADDED_FOR_OUR_LIBRARIES");
    ::unsetenv("MOVU_ADDED_FOR_OUR_LIBRARIES_TOO");
}

}  // namespace
}  // namespace platform
