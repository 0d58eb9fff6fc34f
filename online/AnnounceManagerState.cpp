// The check's life cycle on the main thread: starting it on the check queue, taking its result
// back, the shutdown switch, and "status.plist" read back into the manager.

#include <memory>

#include "online/AnnounceAppCore.h"
#include "online/AnnounceBanner.h"
#include "online/AnnounceCache.h"
#include "online/AnnounceManager.h"
#include "online/AnnouncePopup.h"
#include "platform/runtime/MainLoop.h"
#include "util/LogMessage.h"

namespace online {

// What one check answered, handed from the check queue to the main thread. Whichever comes
// first takes it over: the task the check posts to the main loop, or waitForDownload().
struct AnnounceManager::PendingCheck {
    std::string checkedUrl;
    AnnounceCheck::Result result;
    bool taken = false;
};

void AnnounceManager::shutdown() {
    util::LogMessage("-[AnnounceManager shutdown]", 1, "AM:shutdown");
    cache_->shutdown();
}

bool AnnounceManager::isShutdown() const {
    return cache_->isShutdown();
}

void AnnounceManager::waitForDownload() {
    if (!pendingCheck_) return;
    // Runs once the check queue has finished everything before it: the check's result is
    // written by then.
    checkQueue_->sync([] {});
    finishCheck(pendingCheck_);
}

void AnnounceManager::startDownload() {
    const char* caller = "-[AnnounceManager startDownload]";
    cache_->resume();
    // The running check simply goes on now that it may write again; a second one would race
    // it for the same files.
    if (downloading_) {
        util::LogMessage(caller, 1, "AM:check still running");
        return;
    }

    auto core = appCore();
    auto cacheDir = prepareCacheDir();
    if (!core || !cacheDir) {
        util::LogMessage(caller, 1, "AM:no app core or cache directory");
        return;
    }
    loadState();
    const std::string announceCmdUrl = core->iphoneWebUrl() + "cmd/announce";
    double t = now();
    // The schedule was made by one service; a home pointed at another one (a local stand-in,
    // say) asks that one at once instead of waiting out a failure the first one caused.
    if (checkedUrl_ && *checkedUrl_ != announceCmdUrl) {
        util::LogMessage(caller, 1, "AM:new service address, check now");
    } else if (previousCheckAt_ <= t && t < nextCheckAfter_) {
        util::LogMessage(caller, 1, "AM:skip check");
        return;
    }
    previousCheckAt_ = t;

    AnnounceCheck::Params params;
    params.gameId = static_cast<uint32_t>(core->gameId());
    params.version = core->appVersionString();
    params.arid = core->aridStr();
    params.secretKey = core->webSecretKey();
    params.announceCmdUrl = announceCmdUrl;
    params.tn = core->tnParamStr();
    params.cacheDir = *cacheDir;
    params.previousCheckAt = t;

    downloading_ = true;
    auto pending = std::make_shared<PendingCheck>();
    pending->checkedUrl = announceCmdUrl;
    pendingCheck_ = pending;
    checkQueue_->async([pending, params, cache = cache_] {
        pending->result = AnnounceCheck::run(params, *cache);
        // The manager lives as long as the process.
        platform::MainLoop::main().post(
            [pending] { AnnounceManager::sharedAnnounceManager().finishCheck(pending); });
    });
}

void AnnounceManager::finishCheck(std::shared_ptr<PendingCheck> pending) {
    if (!pending || pending->taken) return;
    pending->taken = true;
    if (pending == pendingCheck_) {
        pendingCheck_.reset();
        downloading_ = false;
    }
    const AnnounceCheck::Result& result = pending->result;
    nextCheckAfter_ = result.nextCheckAfter;
    checkedUrl_ = pending->checkedUrl;
    if (result.amProperties) amProperties_ = result.amProperties;
    if (result.popupAdInfo) popup_->setInfo(result.popupAdInfo);
    if (!result.listSaved) return;
    banner_->markDirty();
    // The settings may name an interstitial now; asked for on a later turn, as any other
    // answer of the service.
    platform::MainLoop::main().post(
        [] { AnnounceManager::sharedAnnounceManager().requestInterstitialAd(); });
}

std::optional<std::filesystem::path> AnnounceManager::statusFilePath() {
    auto dir = prepareCacheDir();
    if (!dir) return std::nullopt;
    return *dir / kStatusFileName;
}

void AnnounceManager::loadState() {
    auto dir = prepareCacheDir();
    if (!dir) return;
    AnnounceCache::Status status = cache_->loadStatus(*dir);
    nextCheckAfter_ = status.nextCheckAfter;
    previousCheckAt_ = status.previousCheckAt;
    checkedUrl_ = std::move(status.checkedUrl);
    popup_->setDoneSerial(status.popupAdDoneSerial);
    if (status.amProperties) amProperties_ = std::move(status.amProperties);
    if (status.popupAdInfo) popup_->setInfo(std::move(status.popupAdInfo));
}

}  // namespace online
