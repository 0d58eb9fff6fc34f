#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "core/JTString.h"
#include "platform/base/Value.h"

namespace JTAppBase {

class JTAppContext;
class JTIntIntMap;
using JTIntIntMapPtr = boost::intrusive_ptr<JTIntIntMap>;

// An int -> int map that lives in a property-list file of the Documents directory: keys are
// stored as decimal text, values as integers. Whatever else a loaded file held is kept as it
// was, so saving never throws away entries this program does not understand.
class JTIntIntMap : public JTCore::JTObject {
  public:
    JTIntIntMap() = default;

    // The default when the key is absent or does not hold a number.
    virtual int32_t get(int32_t key, int32_t defaultValue) const;
    virtual void put(int32_t key, int32_t value);
    virtual void remove(int32_t key);
    virtual void clear();
    // Documents/<name>.plist, a binary property list written atomically. The context is not
    // needed and may be empty.
    virtual bool save(const boost::intrusive_ptr<JTAppContext>& context,
                      const JTCore::JTStringPtr& name);
    // Replaces the whole content with the file's dictionary; false (map unchanged) when the
    // file is missing, unreadable or damaged. A damaged file is moved aside; an unreadable one
    // is never saved over by this map.
    virtual bool load(const boost::intrusive_ptr<JTAppContext>& context,
                      const JTCore::JTStringPtr& name);

    const platform::Value::Dictionary& entries() const { return entries_; }

  private:
    platform::Value::Dictionary entries_;
    std::set<std::string> unreadablePaths_;
};

}  // namespace JTAppBase
