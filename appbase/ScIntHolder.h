#pragma once

#include <cstdint>

#include "core/JTObject.h"

namespace JTAppBase {

// Keeps an int out of memory in plain form: stored = value ^ salt ^ mask, with a new salt on
// every write and a process-wide mask set once at start-up.
class ScIntHolder : public JTCore::JTObject {
  public:
    // Both throw an intrusive_ptr<JTException> (no message) while the mask is unset.
    ScIntHolder();
    explicit ScIntHolder(int32_t value);
    ~ScIntHolder() override;

    virtual int32_t get() const;
    virtual void set(int32_t value);
    virtual void checkMask();
    virtual void newSalt();

    int32_t storedForTesting() const { return stored_; }
    int32_t saltForTesting() const { return salt_; }

    static int32_t liveHolders();

  private:
    int32_t stored_ = 0;
    int32_t salt_ = 0;
};

using ScIntHolderPtr = boost::intrusive_ptr<ScIntHolder>;

// mask = m, or 1 for 0. Changing the mask while holders exist would corrupt their values, so
// that is refused (and logged); setting the same mask again is fine.
void SetScIntMask(int32_t m);
int32_t GetScIntMask();

}  // namespace JTAppBase
