// movuroute: the game in a window, or headless for tests and CI.

#include <cstdio>
#include <string>
#include <vector>

#include "app/main/GameProgram.h"
#include "app/main/ProgramOptions.h"
#include "platform/runtime/BrokenPipes.h"
#include "platform/storage/LibraryFolders.h"

namespace {

// With --home the libraries' own files go into the home too (LibraryFolders.h). Chosen before
// main, like the other libraries' settings: setenv while another thread reads the environment
// can crash that thread, and before main there is no other one. A command line that does not
// parse changes nothing; main reports it.
[[maybe_unused]] const bool libraryFoldersChosen = [] {
    auto options = app::ProgramOptions::parse(platform::processArguments(), nullptr);
    if (!options || options->home.empty()) return false;
    return platform::keepLibraryFilesIn(options->home);
}();

}  // namespace

int main(int argc, char** argv) {
    platform::ignoreBrokenPipes();
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
