// A level download: the start link's query, and the response (a one-line property-list header,
// a line feed, the level data). Inputs starting with "?" are queries. Inputs starting with "="
// get a header written here with the right size and hash, so the level data itself (a property
// list) is reached and stored; everything else is taken as the whole response.

#include <cstdlib>
#include <filesystem>

#include "FuzzSupport.h"
#include "appbase/FilesLevelManager.h"
#include "appbase/JTAppContext.h"
#include "core/JTException.h"
#include "online/DlLevelsSupport.h"
#include "platform/storage/AppPaths.h"
#include "util/Crc32.h"

namespace {

class Levels : public JTAppBase::FilesLevelManager {
  public:
    using FilesLevelManager::FilesLevelManager;
    void initLevels(const JTCore::JTArrayListPtr&) override {}
    void startLevel(int32_t) override {}
    void addDownloadedLevel(const JTAppBase::JTLevelInfoPtr&) override {}
};

struct World {
    World() {
        // Stored levels land in memory, one home per process.
        platform::AppPaths::setHomeOverride(home);
        context = JTCore::JTNew<JTAppBase::JTAppContext>();
        levels = JTCore::JTNew<Levels>(context);
        context->setLevelManager(levels);
    }
    ~World() {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
    const std::filesystem::path home =
        std::filesystem::path("/dev/shm") / ("movuroute-fuzz-levels-" + std::to_string(::getpid()));
    JTAppBase::JTAppContextPtr context;
    boost::intrusive_ptr<Levels> levels;
};

std::vector<std::uint8_t> withHeader(std::string_view levelData) {
    uint32_t crc =
        util::Crc32Append(util::Crc32Append(0, "-", 1), levelData.data(), levelData.size());
    std::string header = "{lid = 5; name = Fuzz; ds = " + std::to_string(levelData.size()) +
                         "; dh = " + std::to_string(crc) + "; flags = 0;}\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    out.insert(out.end(), levelData.begin(), levelData.end());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    const auto text = fuzz::bytes(data, size);
    if (!text.empty() && text[0] == '?') {
        (void)online::DlLevelsSupport::parseStartQuery(std::string(text.substr(1)));
        return 0;
    }
    std::vector<std::uint8_t> response = !text.empty() && text[0] == '='
                                             ? withHeader(text.substr(1))
                                             : std::vector<std::uint8_t>(data, data + size);
    try {
        (void)online::processDownloadedBytes(*world.levels, 5, response);
    } catch (const JTCore::JTExceptionPtr&) {
        // The refusals the game core raises for a bad header value, size, hash or data.
    }
    return 0;
}
