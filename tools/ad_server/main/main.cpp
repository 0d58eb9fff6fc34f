// movu_ad_server: our loopback ad server as a program, for running the game (or a person's
// browser) against it. See tools/ad_server/README.md.

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include <pthread.h>

#include "tools/ad_server/AdServer.h"
#include "tools/ad_server/ServerCommandLine.h"

using namespace tools::adserver;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto line = parseServerCommandLine(args, &error);
    if (!line) {
        std::cerr << "movu_ad_server: " << error << "\n\n" << serverUsage();
        return 2;
    }
    if (line->help) {
        std::cout << serverUsage();
        return 0;
    }

    // The server's threads inherit this mask, so the signals reach only sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    AdServer server(line->port);
    if (!server.isRunning()) {
        std::cerr << "movu_ad_server: cannot listen on 127.0.0.1:" << line->port << "\n";
        return 1;
    }
    if (line->defaultScenario) server.setDefaultScenario(*line->defaultScenario);
    for (const auto& [unit, scenario] : line->units) server.setScenario(unit, scenario);
    if (line->noMraidScripts) server.setServesMraidScripts(false);
    if (!line->mediaClip.empty()) {
        std::ifstream clip(line->mediaClip, std::ios::binary);
        if (!clip) {
            std::cerr << "movu_ad_server: cannot read " << line->mediaClip << "\n";
            return 2;
        }
        server.setMediaClip({std::istreambuf_iterator<char>(clip), {}});
    }
    if (line->noConstants) {
        server.setConstants(std::nullopt);
    } else {
        auto constants = server.defaultConstants();
        for (const auto& [name, value] : line->constants) constants[name] = value;
        server.setConstants(constants);
    }

    std::mutex output;
    if (!line->quiet) {
        server.log().setListener([&output](const LoggedRequest& request) {
            std::lock_guard lock(output);
            std::cout << logLine(request) << std::endl;
        });
    }
    {
        std::lock_guard lock(output);
        std::cout << "movu_ad_server: listening on " << server.origin() << "\n"
                  << "  core page: " << server.pageUrl() << "\n"
                  << "  for the game: MOVUROUTE_AD_SERVER=" << server.origin() << std::endl;
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    {
        std::lock_guard lock(output);
        std::cout << "movu_ad_server: stopping" << std::endl;
    }
    server.log().setListener(nullptr);
    server.stop();
    return 0;
}
