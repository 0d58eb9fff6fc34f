#include "app/appcore/AppCoreBase.h"

#include <sys/utsname.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/appcore/DlLevelsSupportAppCore.h"
#include "app/appcore/ScreenFactory.h"
#include "app/gameview/AccelerometerHelper.h"
#include "app/gameview/AppGameView.h"
#include "app/screens/AppScreenSeams.h"
#include "app/screens/PauseView.h"
#include "app/screens/ShellAlerts.h"
#include "app/screens/SimpleSelectView.h"
#include "app/screens/ViewControllerBase.h"
#include "app/textures/Texture2D.h"
#include "appbase/JTLevelManager.h"
#include "core/JTObject.h"
#include "online/DuRezSupport.h"
#include "platform/gfx/GLContext.h"
#include "platform/storage/Bundle.h"
#include "sound/SoundObj.h"
#include "util/LogMessage.h"

namespace app {

namespace {

std::string machineName() {
    struct utsname names {};
    if (::uname(&names) != 0) return {};
    return names.machine;
}

}  // namespace

// Text textures for the game core's labels, drawn at the app's drawing resolution.
class AppCoreBase::TextFactory : public JTAppBase::TextTextureFactory {
  public:
    std::shared_ptr<JTAppBase::ShellTexture> newTextTexture(
        const std::string& utf8Text, platform::Size dimensionsPx, int alignment,
        const std::string& fontName, double fontSizePx, float contentsScale) override {
        return Texture2D::createWithString(utf8Text, dimensionsPx, alignment, fontName, fontSizePx,
                                           contentsScale);
    }
};

AppCoreBase::AppCoreBase()
    : textFactory_(std::make_unique<TextFactory>()),
      screenFactory_(std::make_unique<ScreenFactory>()) {}

AppCoreBase::~AppCoreBase() = default;

void AppCoreBase::init(std::shared_ptr<platform::gfx::GLContext> context) {
    eaglContext_ = std::move(context);
    setup();
    setup2();
    loadSettings();
    // Written on the first launch and after every version change, so the file always names
    // the version that wrote it.
    if (!settings_.bundleVersion || *settings_.bundleVersion != appVersionString_) {
        saveSettings();
    }
}

void AppCoreBase::setup() {
    defaultLevelId_ = 0;
    iphoneWebUrl_ = webServiceBaseUrl() + "/iphone/";
    accelerometerCalibrationType_ = 0;
    auto bundle = platform::Bundle::mainBundle();
    infoDictionary_ = bundle->infoDictionary();
    appVersionString_ = infoDictionary_.get("CFBundleShortVersionString").asString();
    appDisplayName_ = infoDictionary_.get("CFBundleDisplayName").asString();
    settings_.soundVolume = 2;
    screens_.clearRecords();
    for (int i = 0; i < 4; ++i)
        settings_.neutralFor(OrientationDependedInfo::interfaceOrientationOfIndex(i)) = {};
    deviceTypeName_ = machineName();
    settings_.bgMusicMode = 1;
    settings_.contentsScaleIndexSetting = 0;
    duRezSupport_ = online::DuRezSupport::create();
    duRezSupport_->setDuRezPublisherId(kBannerAdUnitId);
    dlLevelsSupport_ = DlLevelsSupportAppCore::create(weak_from_this());
    baseJtObjCount_ = 0;
    inApplicationWillEnterForeground_ = false;
}

void AppCoreBase::setup2() {
    for (int i = 0; i < 4; ++i)
        resetNeutralAcceleromterValueFor(OrientationDependedInfo::interfaceOrientationOfIndex(i));
}

void AppCoreBase::setCurrentEAGLContext() {
    if (!eaglContext_ || !eaglContext_->makeCurrent()) {
        std::printf("Failed to set current context %p in %s\n",
                    static_cast<void*>(eaglContext_.get()), "-[AppCoreBase setCurrentEAGLContext]");
        std::fflush(stdout);
    }
}

std::string AppCoreBase::webServiceBaseUrl() {
    std::string base;
    if (const char* env = std::getenv("MOVUROUTE_WEB_URL"); env && *env) {
        base = env;
    } else {
        base = platform::Bundle::mainBundle()
                   ->objectForInfoDictionaryKey("MovurouteWebServiceURL")
                   .asString();
    }
    while (!base.empty() && base.back() == '/') base.pop_back();
    if (base.empty()) {
        util::LogMessage("+[AppCoreBase webServiceBaseUrl]", 3,
                         "no MovurouteWebServiceURL in Info.plist and no MOVUROUTE_WEB_URL");
    }
    return base;
}

bool AppCoreBase::canShowIAd() const {
    return duRezSupport_ && duRezSupport_->canShowIAd();
}

// ---- game core services ----

JTAppBase::TextTextureFactory* AppCoreBase::textTextureFactory() {
    return textFactory_.get();
}

void AppCoreBase::setCurrentLevelId(int32_t id) {
    settings_.currentLevelId = id;
    currentLevelInfoCache_.reset();
}

std::shared_ptr<JTAppBase::LevelInfo> AppCoreBase::currentLevelInfo() {
    if (!currentLevelInfoCache_ && appContext_) {
        if (auto manager = appContext_->getLevelManager()) {
            currentLevelInfoCache_ = manager->getLevelInfoById(settings_.currentLevelId);
        }
    }
    return currentLevelInfoCache_ ? currentLevelInfoCache_->mirror() : nullptr;
}

std::shared_ptr<JTAppBase::LevelInfo> AppCoreBase::levelInfoForId(int32_t id) {
    if (!appContext_) return nullptr;
    auto manager = appContext_->getLevelManager();
    if (!manager) return nullptr;
    auto record = manager->getLevelInfoById(id);
    return record ? record->mirror() : nullptr;
}

bool AppCoreBase::levelManagerHasPendingMessages() const {
    if (!appContext_) return false;
    auto manager = appContext_->getLevelManager();
    return manager && manager->hasPendingMessages();
}

bool AppCoreBase::isIPad() {
    return deviceTypeName_.rfind("iPad", 0) == 0;
}

std::string AppCoreBase::appCopyrightString() const {
    return infoDictionary_.get("NSHumanReadableCopyright").asString();
}

void AppCoreBase::showAlertWithMessage(const std::string& message) {
    ShowSimpleAlert(appDisplayName_, message);
}

void AppCoreBase::showSimpleAlert(const std::string& title, const std::string& message) {
    ShowSimpleAlert(title, message);
}

void AppCoreBase::checkLeaks() {
    if (baseJtObjCount_ == 0) {
        baseJtObjCount_ = JTCore::JTObjectLiveCount();
    } else {
        JTCore::JTReportLeaks();
    }
}

// ---- neutral tilt ----

void AppCoreBase::resetNeutralAcceleromterValueFor(platform::ui::InterfaceOrientation orientation) {
    // The one rule for the neutral tilt, shared with the tilt helper's calibration.
    const NeutralAccelerometer neutral =
        AccelerometerHelper::neutralAccelerometerFor(accelerometerCalibrationType_, orientation);
    settings_.neutralFor(orientation) = neutral;
}

void AppCoreBase::setNeutralAcceleromterFor(platform::ui::InterfaceOrientation orientation,
                                            double x, double y, double z) {
    if (x == 0 && y == 0 && z == 0) {
        resetNeutralAcceleromterValueFor(orientation);
        return;
    }
    settings_.neutralFor(orientation) = {x, y, z};
}

NeutralAccelerometer AppCoreBase::neutralAccelerometerFor(
    platform::ui::InterfaceOrientation orientation) {
    return settings_.neutralFor(orientation);
}

}  // namespace app
