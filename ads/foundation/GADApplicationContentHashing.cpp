#include "ads/foundation/GADApplication.h"

namespace ads {

void GADApplication::setContentHashingEngine(std::weak_ptr<GADContentHashingEngine> engine) {
    contentHashingEngine_ = std::move(engine);
    if (!contentHashing_) return;
    if (auto running = contentHashingEngine_.lock()) running->startContentHashing();
}

void GADApplication::startContentHashing() {
    // Every ad answer repeats the server's word; only a change reaches the engine.
    if (contentHashing_) return;
    contentHashing_ = true;
    if (auto engine = contentHashingEngine_.lock()) engine->startContentHashing();
}

void GADApplication::stopContentHashing() {
    if (!contentHashing_) return;
    contentHashing_ = false;
    if (auto engine = contentHashingEngine_.lock()) engine->stopContentHashing();
}

}  // namespace ads
