#include "crashtest/SaveRound.h"

#include <string>

#include "appbase/JTAppContext.h"
#include "appbase/JTIntIntMap.h"
#include "core/JTString.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/Keychain.h"
#include "platform/storage/UserDefaults.h"
#include "util/PlistFiles.h"

namespace crashtest {

namespace fs = std::filesystem;

namespace {

const char* const kMapName = "unlockinglevels";

platform::KeychainQuery keychainItem(long gen) {
    return {"com.movuroute.savekill", "gen-" + std::to_string(gen), std::nullopt};
}

}  // namespace

SaveRound::SaveRound(fs::path home) : home_(std::move(home)) {
    platform::AppPaths::setHomeOverride(home_);
}

bool SaveRound::save(long gen) {
    bool ok = true;

    // User defaults: the whole preferences file, rewritten.
    {
        platform::UserDefaults defaults(platform::AppPaths::preferences() / "savekill.plist");
        defaults.setInteger("gen", gen);
        ok = defaults.synchronize() && ok;
    }

    // The unlock map of the game core.
    {
        auto map = JTCore::JTNew<JTAppBase::JTIntIntMap>();
        map->load(nullptr, JTCore::NewJTString(kMapName));
        map->put(1, static_cast<int32_t>(gen));
        ok = map->save(nullptr, JTCore::NewJTString(kMapName)) && ok;
    }

    // The keychain: a read-modify-write under its lock. The item of the round before stays
    // until the round after this one, so one of the two is always there.
    {
        platform::Keychain keychain(home_ / "Shared" / "keychain");
        std::string text = std::to_string(gen);
        ok = keychain.addData(keychainItem(gen), {text.begin(), text.end()}) ==
                 platform::errSecSuccess &&
             ok;
        if (gen > 2) keychain.deleteItem(keychainItem(gen - 2));
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
    return out;
}

}  // namespace crashtest
