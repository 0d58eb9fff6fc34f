#include "ads/foundation/GADURLResponseMemoryCache.h"

#include <string_view>

namespace ads {

std::size_t GADURLResponseMemoryCache::KeyHash::operator()(const Key& key) const {
    return std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(key.data()), key.size()));
}

GADURLResponseMemoryCache::Entry GADURLResponseMemoryCache::objectForKey(const Key& key) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) return nullptr;
    order_.splice(order_.begin(), order_, it->second.second);
    return it->second.first;
}

void GADURLResponseMemoryCache::setObject(Entry entry, const Key& key) {
    if (!entry) {
        removeObjectForKey(key);
        return;
    }
    // The evicted entries are released after the lock, in case their last owner is us.
    std::vector<Entry> evicted;
    {
        std::lock_guard lock(mutex_);
        if (countLimit_ == 0) return;
        auto it = entries_.find(key);
        if (it != entries_.end()) {
            evicted.push_back(std::move(it->second.first));
            it->second.first = std::move(entry);
            order_.splice(order_.begin(), order_, it->second.second);
            return;
        }
        while (entries_.size() >= countLimit_) {
            auto last = entries_.find(order_.back());
            evicted.push_back(std::move(last->second.first));
            entries_.erase(last);
            order_.pop_back();
        }
        order_.push_front(key);
        entries_.emplace(key, std::make_pair(std::move(entry), order_.begin()));
    }
}

void GADURLResponseMemoryCache::removeObjectForKey(const Key& key) {
    Entry removed;
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) return;
    removed = std::move(it->second.first);
    order_.erase(it->second.second);
    entries_.erase(it);
}

void GADURLResponseMemoryCache::removeAllObjects() {
    std::unordered_map<Key, std::pair<Entry, Order::iterator>, KeyHash> removed;
    std::lock_guard lock(mutex_);
    removed.swap(entries_);
    order_.clear();
}

std::size_t GADURLResponseMemoryCache::count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace ads
