// movuroute: the game in a window, or headless for tests and CI.

#include <cstdio>
#include <string>
#include <vector>

#include "app/main/GameProgram.h"
#include "app/main/ProgramOptions.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = app::ProgramOptions::parse(args, &error);
    if (!options) {
        std::fprintf(stderr, "movuroute: %s\n%s", error.c_str(), app::ProgramOptions::usage());
        return 2;
    }
    if (options->help) {
        std::fputs(app::ProgramOptions::usage(), stdout);
        return 0;
    }
    return app::GameProgram(*options).run();
}
