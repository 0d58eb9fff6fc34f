#include "appbase/ScIntHolder.h"

#include "appbase/Random.h"
#include "core/JTException.h"
#include "util/LogMessage.h"

namespace JTAppBase {

namespace {
int32_t mask = 0;
int32_t live = 0;
}  // namespace

ScIntHolder::ScIntHolder() : ScIntHolder(0) {}

ScIntHolder::ScIntHolder(int32_t value) {
    checkMask();
    set(value);
    ++live;
}

ScIntHolder::~ScIntHolder() {
    --live;
}

int32_t ScIntHolder::get() const {
    return stored_ ^ salt_ ^ mask;
}

void ScIntHolder::set(int32_t value) {
    newSalt();
    stored_ = salt_ ^ value ^ mask;
}

void ScIntHolder::checkMask() {
    if (mask == 0) throw JTCore::JTNew<JTCore::JTException>();
}

void ScIntHolder::newSalt() {
    salt_ = static_cast<int32_t>(Random::next());
}

int32_t ScIntHolder::liveHolders() {
    return live;
}

void SetScIntMask(int32_t m) {
    const int32_t next = m == 0 ? 1 : m;
    if (live > 0 && mask != 0 && next != mask) {
        util::LogMessage("SetScIntMask", 3, "mask change refused while score holders exist");
        return;
    }
    mask = next;
}

int32_t GetScIntMask() {
    return mask;
}

}  // namespace JTAppBase
