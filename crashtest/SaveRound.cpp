#include "crashtest/SaveRound.h"

#include <sys/stat.h>

#include <string>

#include "appbase/JTAppContext.h"
#include "appbase/JTIntIntMap.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/ScIntHolder.h"
#include "core/JTString.h"
#include "online/AnnounceCache.h"
#include "platform/base/LogSink.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/FileBytes.h"
#include "platform/storage/Keychain.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/UserDefaults.h"
#include "scores/LevelScoreElem.h"
#include "scores/LevelScores.h"
#include "util/PlistFiles.h"

namespace crashtest {

namespace fs = std::filesystem;

namespace {

const char* const kMapName = "unlockinglevels";
const char* const kSettingsName = "settings.plist";
constexpr int32_t kLevel = 1;
// Any key signs; the check only asks that a score signed in one process reads in another.
const char* const kScoreKey = "savekill-score-key";
// The announcement list is written whole each round; a size like a real list with its texts
// makes a kill in the middle of its write likely.
constexpr std::size_t kListPadding = 48 * 1024;

platform::KeychainQuery keychainItem(long gen) {
    return {"com.movuroute.savekill", "gen-" + std::to_string(gen), std::nullopt};
}

std::string listBytes(long gen) {
    return "gen " + std::to_string(gen) + "\n" + std::string(kListPadding, 'x') + "\nend\n";
}

// The generation of a list written by listBytes(); nothing when the bytes are not one.
std::optional<long> listGen(const std::string& bytes) {
    if (bytes.rfind("gen ", 0) != 0) return std::nullopt;
    std::size_t eol = bytes.find('\n');
    if (eol == std::string::npos) return std::nullopt;
    long gen = 0;
    try {
        gen = std::stol(bytes.substr(4, eol - 4));
    } catch (...) {
        return std::nullopt;
    }
    if (bytes != listBytes(gen)) return std::nullopt;
    return gen;
}

// The level record lives as long as the process: a score list only holds its mirror, which
// forgets the level once the record is gone.
std::shared_ptr<JTAppBase::LevelInfo> scoreLevel() {
    static JTAppBase::JTAppContextPtr context = JTCore::JTNew<JTAppBase::JTAppContext>();
    static JTAppBase::JTLevelInfoPtr level = JTAppBase::NewJTLevelInfo(context, kLevel);
    return level->mirror();
}

}  // namespace

SaveRound::SaveRound(fs::path home) : home_(std::move(home)) {
    platform::AppPaths::setHomeOverride(home_);
    // Scores stay masked in memory; any mask will do, but there must be one.
    JTAppBase::SetScIntMask(0x5a5a1234);
}

fs::path SaveRound::announceFolder() const {
    return home_ / "tmp" / "announce_cache";
}

fs::path SaveRound::advertisingIdFile() const {
    return home_ / "Shared" / "advertising-identifier.json";
}

bool SaveRound::prepare() {
    platform::AdvertisingIdentifier ids(advertisingIdFile());
    ids.advertisingIdentifier();
    return fs::exists(advertisingIdFile());
}

bool SaveRound::save(long gen) {
    bool ok = true;
    // Says which save failed, on the child's standard error (the harness's own).
    auto saved = [&](const char* what, bool done) {
        if (!done) platform::LogSink::write(std::string("savekill: the ") + what + " save failed");
        ok = done && ok;
    };

    // User defaults: the whole preferences file, rewritten.
    {
        platform::UserDefaults defaults(platform::AppPaths::preferences() / "savekill.plist");
        defaults.setInteger("gen", gen);
        saved("preferences", defaults.synchronize());
    }

    // The unlock map of the game core.
    {
        auto map = JTCore::JTNew<JTAppBase::JTIntIntMap>();
        map->load(nullptr, JTCore::NewJTString(kMapName));
        map->put(1, static_cast<int32_t>(gen));
        saved("unlock map", map->save(nullptr, JTCore::NewJTString(kMapName)));
    }

    // The keychain: a read-modify-write under its lock. The item of the round before stays
    // until the round after this one, so one of the two is always there.
    {
        platform::Keychain keychain(home_ / "Shared" / "keychain");
        std::string text = std::to_string(gen);
        saved("keychain", keychain.addData(keychainItem(gen), {text.begin(), text.end()}) ==
                              platform::errSecSuccess);
        if (gen > 2) keychain.deleteItem(keychainItem(gen - 2));
    }

    // The settings file, through the app core's writer.
    {
        platform::Value settings = platform::Value::dictionary({
            {"gen", static_cast<int64_t>(gen)},
            {"SettingModel.version", 1},
            {"soundVolume", static_cast<int64_t>(gen % 4)},
        });
        saved("settings",
              util::WriteDictionaryToPlistFile(
                  (platform::AppPaths::documents() / kSettingsName).string(), settings));
    }

    // A level's score file: opened, the round's score added, saved, as a game over does.
    {
        auto scores = scores::LevelScores::create(scoreLevel(), scores::ScoreSigner(kScoreKey));
        scores->open();
        scores->registerScore(scores::LevelScoreElem::create(static_cast<int32_t>(gen),
                                                             platform::Date{1700000000.0 + gen}));
        saved("scores", scores->save());
    }

    // The announcement cache: the list, then the status record, as a check ends.
    {
        static online::AnnounceCache cache;
        const fs::path dir = announceFolder();
        std::error_code ec;
        fs::create_directories(dir, ec);
        ::chmod(dir.c_str(), 0700);
        saved("announcement list", cache.commitList(dir, listBytes(gen), {}));
        saved("announcement status",
              cache.recordCheck(dir, "http://127.0.0.1/cmd/announce", static_cast<double>(gen),
                                static_cast<double>(gen) + 3600,
                                platform::Value::dictionary({{"gen", static_cast<int64_t>(gen)}}),
                                std::nullopt));
    }

    // The advertising identifier's tracking flag, flipped: a locked read-change-write of the
    // record shared with the maker's other programs.
    {
        platform::AdvertisingIdentifier ids(advertisingIdFile());
        saved("advertising identifier", ids.setAdvertisingTrackingEnabled(gen % 2 == 1));
    }
    return ok;
}

std::vector<SaveRound::Held> SaveRound::read(const std::vector<long>& candidates) const {
    std::vector<Held> out;
    {
        Held h;
        h.path = (home_ / "Library" / "Preferences" / "savekill.plist").string();
        platform::UserDefaults defaults(h.path);
        if (defaults.hasKey("gen")) h.gen = defaults.integerForKey("gen");
        if (defaults.loadError()) {
            h.damaged = true;
            h.detail = defaults.loadError()->localizedDescription();
        }
        out.push_back(h);
    }
    {
        Held h;
        h.path = (home_ / "Documents" / (std::string(kMapName) + ".plist")).string();
        auto stored = util::ReadStoredDictionary(h.path, "savekill");
        if (stored.state == util::StoredDictionary::State::Read) {
            h.gen = stored.dictionary.get("1").integerValue();
        } else if (stored.state != util::StoredDictionary::State::Missing) {
            h.damaged = true;
            h.detail = stored.reason;
        }
        out.push_back(h);
    }
    {
        Held h;
        h.path = (home_ / "Shared" / "keychain").string();
        platform::Keychain keychain(h.path);
        for (long gen : candidates) {
            std::vector<std::uint8_t> data;
            auto status = keychain.copyData(keychainItem(gen), &data);
            if (status == platform::errSecDecode) {
                h.damaged = true;
                h.detail = "the keychain file does not decode";
                break;
            }
            if (status == platform::errSecSuccess &&
                std::string(data.begin(), data.end()) == std::to_string(gen) &&
                (!h.gen || gen > *h.gen)) {
                h.gen = gen;
            }
        }
        out.push_back(h);
    }
    {
        Held h;
        h.path = (home_ / "Documents" / kSettingsName).string();
        auto stored = util::ReadStoredDictionary(h.path, "savekill");
        if (stored.state == util::StoredDictionary::State::Read) {
            h.gen = stored.dictionary.get("gen").integerValue();
        } else if (stored.state != util::StoredDictionary::State::Missing) {
            h.damaged = true;
            h.detail = stored.reason;
        }
        out.push_back(h);
    }
    {
        Held h;
        h.path = (home_ / "Documents" / scores::LevelScores::kDirectoryName /
                  (std::to_string(kLevel) + ".plist"))
                     .string();
        // Damage first, as the file says it; then the scores as the game reads them, which
        // also drops a score whose signature does not match.
        auto stored = util::ReadStoredDictionary(h.path, "savekill");
        if (stored.state == util::StoredDictionary::State::Read) {
            auto scores = scores::LevelScores::create(scoreLevel(), scores::ScoreSigner(kScoreKey));
            scores->open();
            if (!scores->recentScores().empty()) h.gen = scores->recentScores().front()->score();
        } else if (stored.state != util::StoredDictionary::State::Missing) {
            h.damaged = true;
            h.detail = stored.reason;
        }
        out.push_back(h);
    }
    {
        Held h;
        h.path = (announceFolder() / online::AnnounceCache::kAnnounceFileName).string();
        std::error_code ec;
        if (fs::exists(h.path, ec)) {
            platform::Error error;
            auto bytes = platform::FileBytes::read(h.path, &error);
            if (bytes) h.gen = listGen(*bytes);
            if (!h.gen) {
                h.damaged = true;
                h.detail = "the list is not one that was written";
            }
        }
        out.push_back(h);
    }
    {
        Held h;
        h.path = (announceFolder() / online::AnnounceCache::kStatusFileName).string();
        std::error_code ec;
        if (fs::exists(h.path, ec)) {
            platform::Error error;
            auto root = platform::PropertyList::readFile(h.path, &error);
            const platform::Value* at =
                root && root->isDictionary() ? root->find("previousCheckAt") : nullptr;
            if (at) {
                h.gen = static_cast<long>(at->asReal());
            } else {
                h.damaged = true;
                h.detail = root ? "no check time" : error.localizedDescription();
            }
        }
        out.push_back(h);
    }
    {
        Held h;
        h.path = advertisingIdFile().string();
        std::error_code ec;
        if (fs::exists(h.path, ec)) {
            auto text = platform::AtomicFile::read(h.path, &h.detail);
            auto record = text ? platform::AdvertisingIdentifier::parse(*text) : std::nullopt;
            if (!record) {
                h.damaged = true;
                if (text) h.detail = "not an advertising identifier record";
            } else if (advertisingId_ && *advertisingId_ != record->identifier.toString()) {
                h.damaged = true;
                h.detail = "the identifier changed from " + *advertisingId_ + " to " +
                           record->identifier.toString();
            } else {
                advertisingId_ = record->identifier.toString();
                h.oddRound = record->trackingEnabled;
            }
        }
        out.push_back(h);
    }
    return out;
}

}  // namespace crashtest
