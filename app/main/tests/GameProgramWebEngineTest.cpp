// WebKit and GTK come into the program only with its first web view: a game without ads (the
// ad server at the discard port, as in every unattended run) never maps them.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/main/GameProgram.h"
#include "platform/testing/TempDir.h"
#include "platform/web/WebEngine.h"

namespace {

// The lines of this process's memory map that name one of the files.
std::string mappedOf(std::initializer_list<const char*> names) {
    std::ifstream maps("/proc/self/maps");
    std::string found;
    for (std::string line; std::getline(maps, line);) {
        for (const char* name : names) {
            if (line.find(name) != std::string::npos) found += line + "\n";
        }
    }
    return found;
}

TEST(GameProgramWebEngineTest, AGameWithoutAdsMapsNoWebKitOrGtk) {
    const platform::testing::TempDir home;
    app::ProgramOptions options;
    options.headless = true;
    options.seed = 1;
    options.startLevel = 1;
    options.ticks = 120;
    options.home = home.path().string();

    // The program's whole set-up and two seconds of play, with the frames after the first.
    app::GameProgram program(options);
    ASSERT_EQ(program.run(), 0);
    EXPECT_GT(program.stats().frames, 1);

    EXPECT_FALSE(platform::web::WebEngine::isReady());
    EXPECT_EQ(mappedOf({"libwebkit2gtk", "libjavascriptcoregtk", "libgtk-3", "libgdk-3",
                        platform::web::kWebEngineFileName}),
              "");
}

}  // namespace
