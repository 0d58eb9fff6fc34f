#include "platform/storage/Keychain.h"

#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

#include "platform/base/LogSink.h"
#include "platform/base/Unicode.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/Base64.h"
#include "platform/storage/FileLock.h"

namespace platform {

namespace {

using nlohmann::json;

constexpr const char* kFormat = "zivivu-keychain";
constexpr int kVersion = 1;
constexpr std::size_t kMaxFileBytes = 16u * 1024 * 1024;

struct Item {
    std::string service;
    std::string account;
    std::optional<std::string> accessGroup;
    std::vector<std::uint8_t> data;
    // The item as stored, so fields written by a newer program survive our rewrite.
    json raw;
};

bool matches(const Item& item, const KeychainQuery& q) {
    if (item.service != q.service || item.account != q.account) return false;
    return !q.accessGroup || item.accessGroup == q.accessGroup;
}

KeychainStatus load(const std::filesystem::path& file, std::vector<Item>* items) {
    items->clear();
    std::string error;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return ec ? errSecIO : errSecSuccess;
    auto text = AtomicFile::read(file, &error, kMaxFileBytes);
    if (!text) {
        LogSink::write("Keychain: " + error);
        return errSecIO;
    }
    auto corrupt = [&](const std::string& why) {
        LogSink::write("Keychain: " + file.string() + " cannot be read (" + why +
                       "); it is left untouched and no item is changed");
        items->clear();
        return errSecDecode;
    };
    json root = json::parse(*text, nullptr, false);
    if (root.is_discarded() || !root.is_object()) return corrupt("not a keychain file");
    // Looked up by hand: the library's typed lookups throw on a mismatched type.
    auto format = root.find("format");
    if (format == root.end() || !format->is_string() || format->get<std::string>() != kFormat)
        return corrupt("unknown format");
    auto version = root.find("version");
    if (version == root.end() || !version->is_number_integer() ||
        version->get<std::int64_t>() != kVersion)
        return corrupt("unsupported version");
    auto list = root.find("items");
    if (list == root.end() || !list->is_array()) return corrupt("no item list");
    for (const json& entry : *list) {
        if (!entry.is_object()) return corrupt("an item is not a record");
        Item item;
        auto str = [&](const char* key, std::string* out) {
            auto it = entry.find(key);
            if (it == entry.end() || !it->is_string()) return false;
            *out = it->get<std::string>();
            return true;
        };
        std::string data;
        if (!str("service", &item.service) || !str("account", &item.account) || !str("data", &data))
            return corrupt("an item lacks its service, account or data");
        if (auto it = entry.find("accessGroup"); it != entry.end()) {
            if (it->is_string())
                item.accessGroup = it->get<std::string>();
            else if (!it->is_null())
                return corrupt("an access group is not a text");
        }
        auto bytes = Base64::decode(data);
        if (!bytes) return corrupt("an item's data is damaged");
        item.data = std::move(*bytes);
        item.raw = entry;
        items->push_back(std::move(item));
    }
    return errSecSuccess;
}

KeychainStatus store(const std::filesystem::path& file, const std::vector<Item>& items) {
    json list = json::array();
    for (const Item& item : items) list.push_back(item.raw);
    json root = {{"format", kFormat}, {"version", kVersion}, {"items", std::move(list)}};
    std::string error;
    if (!AtomicFile::write(file, root.dump(1, '\t') + "\n", &error, 0600)) {
        LogSink::write("Keychain: " + error);
        return errSecIO;
    }
    return errSecSuccess;
}

}  // namespace

namespace {

const char* keychainFromEnvironment() {
    const char* v = std::getenv("MOVUROUTE_KEYCHAIN");
    return v && *v ? v : nullptr;
}

}  // namespace

std::filesystem::path Keychain::defaultFilePath() {
    if (const char* v = keychainFromEnvironment()) return v;
    return AppPaths::sharedData() / "keychain";
}

std::optional<std::filesystem::path> Keychain::usableFilePath() const {
    if (!file_.empty()) return file_;
    if (const char* v = keychainFromEnvironment()) return std::filesystem::path(v);
    std::string why;
    auto shared = AppPaths::privateSharedData(&why);
    if (!shared) {
        LogSink::write("Keychain: " + why);
        return std::nullopt;
    }
    return *shared / "keychain";
}

Keychain& Keychain::shared() {
    static Keychain instance;
    return instance;
}

Keychain::Keychain(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path Keychain::filePath() const {
    return file_.empty() ? defaultFilePath() : file_;
}

void Keychain::setInjectedFailure(std::optional<KeychainStatus> status) {
    std::lock_guard lock(mutex_);
    injected_ = status;
}

KeychainStatus Keychain::copyData(const KeychainQuery& query, std::vector<std::uint8_t>* data) {
    std::lock_guard lock(mutex_);
    if (data) data->clear();
    if (injected_) return *injected_;
    auto file = usableFilePath();
    if (!file) return errSecIO;
    // Readers need no lock: the file is only ever replaced whole.
    std::vector<Item> items;
    if (auto status = load(*file, &items); status != errSecSuccess) return status;
    for (const Item& item : items) {
        if (!matches(item, query)) continue;
        if (data) *data = item.data;
        return errSecSuccess;
    }
    return errSecItemNotFound;
}

KeychainStatus Keychain::addData(const KeychainQuery& query, const std::vector<std::uint8_t>& data,
                                 const KeychainAttributes& attributes) {
    return add(query, data, attributes, nullptr);
}

KeychainStatus Keychain::copyOrAddData(const KeychainQuery& query,
                                       const std::vector<std::uint8_t>& data,
                                       std::vector<std::uint8_t>* stored,
                                       const KeychainAttributes& attributes) {
    std::vector<std::uint8_t> existing;
    KeychainStatus status = add(query, data, attributes, &existing);
    if (stored) *stored = status == errSecSuccess ? data : existing;
    if (status == errSecDuplicateItem) return errSecSuccess;
    if (status != errSecSuccess && stored) stored->clear();
    return status;
}

KeychainStatus Keychain::add(const KeychainQuery& query, const std::vector<std::uint8_t>& data,
                             const KeychainAttributes& attributes,
                             std::vector<std::uint8_t>* existing) {
    std::lock_guard lock(mutex_);
    if (injected_) return *injected_;
    if (!isValidUtf8(query.service) || !isValidUtf8(query.account) ||
        (query.accessGroup && !isValidUtf8(*query.accessGroup)) || !isValidUtf8(attributes.label) ||
        !isValidUtf8(attributes.description) || !isValidUtf8(attributes.accessible))
        return errSecParam;
    auto file = usableFilePath();
    if (!file) return errSecIO;
    std::string error;
    auto fileLock = FileLock::creatingFolder(*file, &error);
    if (!fileLock) {
        LogSink::write("Keychain: " + error);
        return errSecIO;
    }
    std::vector<Item> items;
    if (auto status = load(*file, &items); status != errSecSuccess) return status;
    for (const Item& item : items) {
        // The item's identity is all three keys: the same account may exist once per group.
        if (item.service == query.service && item.account == query.account &&
            item.accessGroup == query.accessGroup) {
            if (existing) *existing = item.data;
            return errSecDuplicateItem;
        }
    }
    Item item{query.service, query.account, query.accessGroup, data, json::object()};
    item.raw = {{"class", "genp"},
                {"service", query.service},
                {"account", query.account},
                {"label", attributes.label},
                {"description", attributes.description},
                {"accessible", attributes.accessible},
                {"data", Base64::encode(data)}};
    if (query.accessGroup) item.raw["accessGroup"] = *query.accessGroup;
    items.push_back(std::move(item));
    return store(*file, items);
}

KeychainStatus Keychain::deleteItem(const KeychainQuery& query) {
    std::lock_guard lock(mutex_);
    if (injected_) return *injected_;
    auto usable = usableFilePath();
    if (!usable) return errSecIO;
    const std::filesystem::path& file = *usable;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return ec ? errSecIO : errSecItemNotFound;
    std::string error;
    FileLock fileLock(file, &error);
    if (!fileLock.held()) {
        LogSink::write("Keychain: " + error);
        return errSecIO;
    }
    std::vector<Item> items;
    if (auto status = load(file, &items); status != errSecSuccess) return status;
    auto before = items.size();
    std::erase_if(items, [&](const Item& item) { return matches(item, query); });
    if (items.size() == before) return errSecItemNotFound;
    return store(file, items);
}

}  // namespace platform
