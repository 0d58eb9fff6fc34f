#pragma once

// The ad responses kept in memory for the whole process, shared by every ad connection.
// At most `countLimit` entries: storing one more drops the entry used least recently (a
// lookup counts as a use). Keys are digests of a key text (16 bytes of MD5), so the memory a
// key takes does not depend on what the server put into its URL.
//
// Thread-safe behind one mutex: the cache is shared by every connection, and entries are
// immutable, so a caller holds its entry safely after the lock is gone.

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "ads/foundation/GADCachedURLResponse.h"

namespace ads {

class GADURLResponseMemoryCache {
  public:
    using Key = std::vector<std::uint8_t>;
    using Entry = std::shared_ptr<const GADCachedURLResponse>;

    explicit GADURLResponseMemoryCache(std::size_t countLimit) : countLimit_(countLimit) {}
    GADURLResponseMemoryCache(const GADURLResponseMemoryCache&) = delete;
    GADURLResponseMemoryCache& operator=(const GADURLResponseMemoryCache&) = delete;

    Entry objectForKey(const Key& key);
    // An empty entry removes the key.
    void setObject(Entry entry, const Key& key);
    void removeObjectForKey(const Key& key);
    void removeAllObjects();

    std::size_t count() const;
    std::size_t countLimit() const { return countLimit_; }

  private:
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    using Order = std::list<Key>;  // most recently used first

    const std::size_t countLimit_;
    mutable std::mutex mutex_;
    Order order_;
    std::unordered_map<Key, std::pair<Entry, Order::iterator>, KeyHash> entries_;
};

}  // namespace ads
