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

    auto moments = parse({"--real-time", "--screenshot-at", "40:a:b.png", "--tap-at", "7:160,260.5",
                          "--screenshot-at", "0:c.png", "--tap-at", "9:-1,2"});
    ASSERT_TRUE(moments);
    EXPECT_TRUE(moments->realTime);
    ASSERT_EQ(moments->screenshotsAt.size(), 2u);
    EXPECT_EQ(moments->screenshotsAt[0].tick, 40);
    EXPECT_EQ(moments->screenshotsAt[0].file, "a:b.png");
    EXPECT_EQ(moments->screenshotsAt[1].tick, 0);
    ASSERT_EQ(moments->tapsAt.size(), 2u);
    EXPECT_EQ(moments->tapsAt[0].tick, 7);
    EXPECT_EQ(moments->tapsAt[0].point, (platform::Point{160, 260.5}));
    EXPECT_EQ(moments->tapsAt[1].point, (platform::Point{-1, 2}));

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
             {{"--screenshot-at"}, "--screenshot-at needs"},
             {{"--screenshot-at", "x.png"}, "not TICK:FILE"},
             {{"--screenshot-at", "-1:x.png"}, "not TICK:FILE"},
             {{"--screenshot-at", "5:"}, "not TICK:FILE"},
             {{"--tap-at", "5:160"}, "not TICK:X,Y"},
             {{"--tap-at", "5:a,b"}, "not TICK:X,Y"},
             {{"--tap-at", "5:1,inf"}, "not TICK:X,Y"},
             {{"--frobnicate"}, "unknown option \"--frobnicate\""},
         }) {
        std::string error;
        EXPECT_FALSE(parse(c.args, &error)) << c.args[0];
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
}

}  // namespace
