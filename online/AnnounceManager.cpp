#include "online/AnnounceManager.h"

#include <cstdint>
#include <system_error>
#include <utility>

#include "ads/foundation/GADRequest.h"
#include "online/AnnounceAppCore.h"
#include "online/AnnounceBanner.h"
#include "online/AnnounceInterstitial.h"
#include "online/AnnouncePopup.h"
#include "online/AnnounceText.h"
#include "online/SdkInterstitialAd.h"
#include "online/UrlPath.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/AppPaths.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "util/LogMessage.h"

namespace online {

namespace {
constexpr const char* kAmPathPrefix = "/announceManager/";

AnnounceInterstitialAdFactory defaultInterstitialAdFactory() {
    return SdkInterstitialAd::factory();
}
}  // namespace

AnnounceManager::AnnounceManager()
    : banner_(AnnounceBanner::create(*this, cache_)),
      popup_(AnnouncePopup::create(*this, cache_)),
      interstitial_(AnnounceInterstitial::create(*this, defaultInterstitialAdFactory())) {}

double AnnounceManager::now() {
    return platform::Clock::wallSeconds();
}

AnnounceManager& AnnounceManager::sharedAnnounceManager() {
    // Made on first use and never destroyed: a check task may still post to it at exit.
    static AnnounceManager* instance = new AnnounceManager();
    return *instance;
}

void AnnounceManager::setAppCore(std::weak_ptr<AnnounceAppCore> appCore) {
    appCore_ = std::move(appCore);
}

std::shared_ptr<AnnounceAppCore> AnnounceManager::appCore() const {
    return appCore_.lock();
}

void AnnounceManager::requestInterstitialAd() {
    interstitial_->requestInterstitialAd();
}

void AnnounceManager::showPopupAds(int context, std::function<void()> onDone) {
    interstitial_->showInterstitualAdSub(context, [this, context, onDone = std::move(onDone)]() {
        // A shown ad is used up: the next one starts loading before anything else happens.
        requestInterstitialAd();
        if (context == kContextGameOver) {
            auto core = appCore();
            if (!core || !core->levelManagerHasPendingMessages()) showPopupAdSub();
        }
        if (onDone) onDone();
    });
}

bool AnnounceManager::interstitialAdPresenting() const {
    return interstitial_->interstitialAdPresenting();
}

std::string AnnounceManager::istAdStatus() const {
    return interstitial_->istAdStatus();
}

void AnnounceManager::setInterstitialAdFactory(AnnounceInterstitialAdFactory factory) {
    interstitial_ = AnnounceInterstitial::create(*this, std::move(factory));
}

void AnnounceManager::setTestDevices(ads::GADRequest& request) {
    request.setTestDevices(platform::Value::Array{
        platform::Value(ads::kGADSimulatorID), platform::Value("5d2c8e41a07b9f36c1e4d8a2b7f05c93"),
        platform::Value("a9e01f7c64b2d835e7c1094fb6a2d3e8"),
        platform::Value("3f7b2e9d0c81a4f65e2d7c9b1a0834f6")});
}

void AnnounceManager::processAmUrl(const std::string& url) {
    std::string path = UrlPathOf(url);
    if (path.rfind(kAmPathPrefix, 0) != 0) return;
    std::string rest = path.substr(std::string(kAmPathPrefix).size());
    if (rest == "deleteCacheFiles") {
        deleteCacheFiles();
        return;
    }
    if (auto core = appCore()) core->showSimpleAlert("AM:unknown path", rest);
}

bool AnnounceManager::openUrl(const std::string& url) {
    if (UrlPathOf(url).rfind(kAmPathPrefix, 0) == 0) {
        processAmUrl(url);
        return true;
    }
    std::string scheme;
    std::size_t colon = url.find(':');
    if (colon != std::string::npos) {
        for (std::size_t i = 0; i < colon; ++i) {
            scheme.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(url[i]))));
        }
    }
    auto& app = platform::ui::Application::shared();
    // Web pages for the browser; the app's own schemes come back to the app.
    if ((scheme == "http" || scheme == "https" || app.canOpenURL(url)) && app.openURL(url)) {
        return true;
    }
    util::LogMessage("-[AnnounceManager openUrl:]", 3, "AM:refused url: " + url);
    return false;
}

std::optional<std::filesystem::path> AnnounceManager::prepareCacheDir() {
    auto core = appCore();
    if (!core) return std::nullopt;
    // Private to this user, narrowed if it was found wider: nobody else may plant links or
    // files in it for the check to overwrite or the banner to show. That holds for tmp/ too,
    // which the path goes through.
    std::string error;
    auto tmp = platform::AppPaths::privateTmp(&error);
    if (!tmp) {
        util::LogMessage("-[AnnounceManager prepareCacheDir]", 3, error);
        return std::nullopt;
    }
    std::filesystem::path dir = *tmp / ("quorvel_announce_cache_" + std::to_string(core->gameId()));
    if (!platform::AppPaths::ensureDirectory(dir, 0700, &error, true)) {
        util::LogMessage("-[AnnounceManager prepareCacheDir]", 3, error);
        return std::nullopt;
    }
    return dir;
}

void AnnounceManager::deleteCacheFiles() {
    const char* caller = "-[AnnounceManager deleteCacheFiles]";
    auto dir = prepareCacheDir();
    if (!dir) {
        util::LogMessage(caller, 1, "AM:no cache directory");
        return;
    }
    cache_->deleteFiles(*dir);
}

std::string AnnounceManager::amPropertyAsStringForKey(const std::string& key,
                                                      const std::string& defaultVal) {
    if (!amProperties_) return defaultVal;
    const platform::Value* v = amProperties_->find(key);
    if (v == nullptr || !v->isString()) return defaultVal;
    return v->asString();
}

int32_t AnnounceManager::amPropertyAsIntForKey(const std::string& key, int32_t defaultVal) {
    const platform::Value* v = amProperties_ ? amProperties_->find(key) : nullptr;
    if (v == nullptr || !v->isString()) return defaultVal;
    return AnnounceIntValue(*v);
}

void AnnounceManager::setAmProperties(std::optional<platform::Value> properties) {
    amProperties_ = std::move(properties);
}

void AnnounceManager::resetForTesting() {
    waitForDownload();
    banner_->clear();
    banner_->close();
    popup_->reset();
    // Fresh ones, so nothing a test left (a dirty mark, an open sheet) reaches the next.
    banner_ = AnnounceBanner::create(*this, cache_);
    popup_ = AnnouncePopup::create(*this, cache_);
    setAppCore({});
    amProperties_.reset();
    previousCheckAt_ = 0;
    nextCheckAfter_ = 0;
    checkedUrl_.reset();
    cache_->reset();
    setInterstitialAdFactory(defaultInterstitialAdFactory());
}

int32_t AnnounceManager::popupAdDoneSerial() const {
    return popup_->doneSerial();
}

bool AnnounceManager::bannerIsDirty() const {
    return banner_->isDirty();
}

void AnnounceManager::showBannerOn(const std::shared_ptr<platform::ui::View>& parent,
                                   const std::shared_ptr<platform::ui::View>& alternative,
                                   platform::Point position, int alignX, int alignY) {
    banner_->showOn(parent, alternative, position, alignX, alignY);
}

void AnnounceManager::closeBanner() {
    banner_->close();
}

void AnnounceManager::clearBanner() {
    banner_->clear();
}

bool AnnounceManager::buildBanner() {
    return banner_->build();
}

std::shared_ptr<platform::ui::View> AnnounceManager::bannerView() const {
    return banner_->view();
}

void AnnounceManager::buttonAction(int tag) {
    banner_->buttonAction(tag);
}

void AnnounceManager::doAction(const platform::Value& row) {
    banner_->doAction(row);
}

std::shared_ptr<platform::ui::ActionSheet> AnnounceManager::selectActionSheet() const {
    return banner_->selectActionSheet();
}

void AnnounceManager::showPopupAdSub() {
    popup_->show(now());
}

std::shared_ptr<platform::ui::AlertView> AnnounceManager::popupAdAlertView() const {
    return popup_->alertView();
}

}  // namespace online
