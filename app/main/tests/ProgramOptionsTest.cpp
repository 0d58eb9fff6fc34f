#include "app/main/ProgramOptions.h"

#include <gtest/gtest.h>

using namespace app;

namespace {

std::optional<ProgramOptions> parse(std::vector<std::string> args, std::string* error = nullptr) {
    return ProgramOptions::parse(args, error);
}

TEST(ProgramOptionsTest, EveryOptionTakesItsValue) {
    auto o = parse({"--headless", "--seed", "1", "--start-level", "3", "--tilt", "sine:0.1:2",
                    "--seconds", "2.5", "--ticks", "100", "--screenshot", "f.png", "--home",
                    "/tmp/h", "--scale", "2"});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->headless);
    EXPECT_EQ(o->seed, 1u);
    EXPECT_EQ(o->startLevel, 3);
    EXPECT_EQ(o->tilt, "sine:0.1:2");
    EXPECT_EQ(o->seconds, 2.5);
    EXPECT_EQ(o->ticks, 100);
    EXPECT_EQ(o->screenshot, "f.png");
    EXPECT_EQ(o->home, "/tmp/h");
    EXPECT_EQ(o->scale, 2);

    auto plain = parse({});
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->headless);
    EXPECT_FALSE(plain->seed);
    EXPECT_TRUE(parse({"--help"})->help);
}

TEST(ProgramOptionsTest, BadValuesAreRefusedWithTheReason) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Case& c : std::vector<Case>{
             {{"--ticks"}, "--ticks needs"},
             {{"--ticks", "0"}, "not a positive whole number"},
             {{"--ticks", "12x"}, "not a positive whole number"},
             {{"--seconds", "-1"}, "not a positive number"},
             {{"--seconds", "nan"}, "not a positive number"},
             {{"--seed", "-3"}, "--seed"},
             {{"--seed", "99999999999"}, "--seed"},
             {{"--start-level", "one"}, "not a level id"},
             {{"--scale", "100"}, "--scale"},
             {{"--tilt"}, "--tilt needs"},
             {{"--screenshot", ""}, "--screenshot needs"},
             {{"--frobnicate"}, "unknown option \"--frobnicate\""},
         }) {
        std::string error;
        EXPECT_FALSE(parse(c.args, &error)) << c.args[0];
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

}  // namespace
