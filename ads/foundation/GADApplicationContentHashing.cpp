#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADContent.h"
#include "platform/runtime/SerialQueue.h"

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

void GADApplication::setContentQueue(std::shared_ptr<GADContentQueue> queue) {
    contentQueue_ = std::move(queue);
}

std::optional<std::string> GADApplication::fingerprintWithServedPenaltyDeduction() {
    std::optional<std::string> fingerprint;
    // On the queue that stores captures, so a lookup and its deduction never meet a store.
    contentHashingQueue_->sync([&] {
        if (!contentQueue_) return;
        auto best = contentQueue_->contentWithHighestScore();
        if (!best) return;
        best->deductServedPenalty();
        fingerprint = best->fingerprint();
    });
    return fingerprint;
}

}  // namespace ads
