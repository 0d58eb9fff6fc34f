#include "platform/device/TiltScript.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(TiltScriptTest, NamedFormsGiveSidewaysTilts) {
    auto flat = TiltScript::parse("flat");
    ASSERT_TRUE(flat);
    auto r = flat->sample(0, 5);
    ASSERT_TRUE(r);
    EXPECT_DOUBLE_EQ(r->x, 0);
    EXPECT_DOUBLE_EQ(r->z, -1);

    for (const char* text : {"0.6", "const:0.6"}) {
        auto c = TiltScript::parse(text);
        ASSERT_TRUE(c) << text;
        r = c->sample(7, 3);
        EXPECT_DOUBLE_EQ(r->x, 0.6);
        EXPECT_DOUBLE_EQ(r->y, 0);
        EXPECT_DOUBLE_EQ(r->z, -0.8);
    }
    // More than one g sideways is not a tilt: it is held at one.
    EXPECT_DOUBLE_EQ(TiltScript::parse("-3")->sample(0, 0)->x, -1);

    auto s = TiltScript::parse("sine");
    ASSERT_TRUE(s);
    EXPECT_NEAR(s->sample(0, 1.0)->x, 0.08, 1e-12);  // a quarter of 4 s
    auto s2 = TiltScript::parse("sine:0.5:2");
    ASSERT_TRUE(s2);
    EXPECT_NEAR(s2->sample(0, 1.5)->x, -0.5, 1e-12);

    EXPECT_FALSE(TiltScript::parse("silent")->sample(0, 0));
}

TEST(TiltScriptTest, BadDescriptionsAreRefusedWithTheReason) {
    std::string error;
    for (const char* text :
         {"const:", "const:x", "sine:0.1:0", "sine:a", "sine:1:2:3", "nan", "/no/such/file"}) {
        error.clear();
        EXPECT_FALSE(TiltScript::parse(text, &error)) << text;
        EXPECT_NE(error.find(text), std::string::npos) << error;
    }
    // A folder is not a sample file, and is not called a large one.
    std::string folder = ::testing::TempDir();
    EXPECT_FALSE(TiltScript::parse(folder, &error));
    EXPECT_NE(error.find("not a readable file"), std::string::npos) << error;

    // A FIFO with nobody writing would block the start for ever.
    std::string fifo = ::testing::TempDir() + "tilt_fifo_" + std::to_string(::getpid());
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    error.clear();
    EXPECT_FALSE(TiltScript::parse(fifo, &error));
    EXPECT_NE(error.find("not a readable file"), std::string::npos) << error;
    ::unlink(fifo.c_str());
}

TEST(TiltScriptTest, SampleFilesPlayInTurnOrByTime) {
    std::string error;
    auto seq =
        TiltScript::fromSamples("# x y z\n0.1 0 -1\n\n0.2 0.1 -0.9 # second\n", "seq", &error);
    ASSERT_TRUE(seq) << error;
    EXPECT_DOUBLE_EQ(seq->sample(0, 0)->x, 0.1);
    EXPECT_DOUBLE_EQ(seq->sample(1, 0)->y, 0.1);
    EXPECT_DOUBLE_EQ(seq->sample(9, 0)->x, 0.2);  // the last one is held

    auto timed = TiltScript::fromSamples("0 0 0 -1\n1.5 0.3 0 -1\n", "timed", &error);
    ASSERT_TRUE(timed) << error;
    EXPECT_DOUBLE_EQ(timed->sample(0, 1.49)->x, 0);
    EXPECT_DOUBLE_EQ(timed->sample(0, 1.5)->x, 0.3);
    EXPECT_DOUBLE_EQ(timed->sample(0, 100)->x, 0.3);

    // A file on disk goes the same way.
    std::string path = ::testing::TempDir() + "tilt_samples.txt";
    { std::ofstream(path) << "0.25 0 -1\n"; }
    auto file = TiltScript::parse(path, &error);
    ASSERT_TRUE(file) << error;
    EXPECT_DOUBLE_EQ(file->sample(0, 0)->x, 0.25);
    std::remove(path.c_str());
}

TEST(TiltScriptTest, DamagedSampleFilesNameTheLine) {
    std::string error;
    EXPECT_FALSE(TiltScript::fromSamples("0 0 -1\n0 0\n", "f", &error));
    EXPECT_EQ(error.rfind("f:2:", 0), 0u) << error;
    EXPECT_FALSE(TiltScript::fromSamples("0 0 -1\n1 0 0 -1\n", "f", &error));  // mixed forms
    EXPECT_EQ(error.rfind("f:2:", 0), 0u) << error;
    EXPECT_FALSE(TiltScript::fromSamples("2 0 0 -1\n1 0 0 -1\n", "f", &error));
    EXPECT_NE(error.find("backwards"), std::string::npos);
    EXPECT_FALSE(TiltScript::fromSamples("0 x -1\n", "f", &error));
    EXPECT_FALSE(TiltScript::fromSamples("0 inf -1\n", "f", &error));
    EXPECT_FALSE(TiltScript::fromSamples("# nothing\n", "f", &error));
    EXPECT_NE(error.find("no samples"), std::string::npos);
}

}  // namespace
}  // namespace platform
