// Checking and storing a downloaded level of the largest size there may be: the hash over
// 8 MiB, the property-list check of the data and the atomic write, against a small level.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "appbase/FilesLevelManager.h"
#include "appbase/JTAppContext.h"
#include "online/DlLevelsSupport.h"
#include "platform/storage/AppPaths.h"
#include "util/Crc32.h"

namespace {

class BenchFilesLevelManager : public JTAppBase::FilesLevelManager {
  public:
    using FilesLevelManager::FilesLevelManager;
    void initLevels(const JTCore::JTArrayListPtr&) override {}
    void startLevel(int32_t) override {}
    void addDownloadedLevel(const JTAppBase::JTLevelInfoPtr&) override {}
};

std::vector<std::uint8_t> responseOf(const std::string& data) {
    const uint32_t crc = util::Crc32Append(util::Crc32Append(0, "-", 1), data.data(), data.size());
    const std::string body = "{ lid = \"5\"; name = \"Bench\"; ds = \"" +
                             std::to_string(data.size()) + "\"; dh = \"" + std::to_string(crc) +
                             "\"; flags = \"0\"; }\n" + data;
    return std::vector<std::uint8_t>(body.begin(), body.end());
}

void processLevel(benchmark::State& state) {
    const auto home =
        std::filesystem::temp_directory_path() / ("bench-dllevels-" + std::to_string(::getpid()));
    platform::AppPaths::setHomeOverride(home);
    auto context = JTCore::JTNew<JTAppBase::JTAppContext>();
    auto manager = JTCore::JTNew<BenchFilesLevelManager>(context);

    // A level is a property list; the large one is one long string in it.
    const auto size = static_cast<std::size_t>(state.range(0));
    std::string data = "<plist><string>" + std::string(size - 32, 'a') + "</string></plist>";
    data.resize(size, ' ');
    const auto response = responseOf(data);

    for (auto _ : state) {
        bool ok = online::processDownloadedBytes(*manager, 5, response);
        if (!ok) state.SkipWithError("level refused");
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(response.size()));
    platform::AppPaths::setHomeOverride(std::nullopt);
    std::filesystem::remove_all(home);
}
BENCHMARK(processLevel)
    ->Arg(4096)
    ->Arg(online::DlLevelsSupport::kMaxDataSize)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
