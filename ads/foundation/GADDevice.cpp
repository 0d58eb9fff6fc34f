#include "ads/foundation/GADDevice.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>

#include "ads/foundation/GADApplication.h"
#include "ads/foundation/GADDeviceState.h"
#include "ads/foundation/GADNetwork.h"
#include "ads/foundation/GADRectUtilities.h"
#include "ads/foundation/GADStringAdditions.h"
#include "platform/audio/AudioSession.h"
#include "platform/device/AdvertisingIdentifier.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/services/MessageComposer.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/Bundle.h"
#include "platform/storage/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace ads {

namespace {

// Removes what lies below an open folder, never following a link: links are removed as
// files, and every folder is entered through its own descriptor opened without following.
void removeContents(int dirFd) {
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    const int fd = ::dirfd(dir);
    for (const std::string& name : names) {
        if (::unlinkat(fd, name.c_str(), 0) == 0) continue;
        const int child =
            ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) continue;
        removeContents(child);
        ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
    }
    ::closedir(dir);
}

void removeTemporaryDirectory(const std::filesystem::path& path) {
    const std::string parent = path.parent_path().string();
    const std::string name = path.filename().string();
    const int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0) return;
    // A link in the folder's place goes, and what it points to stays.
    if (::unlinkat(parentFd, name.c_str(), 0) != 0) {
        const int fd =
            ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            removeContents(fd);
            ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
        }
    }
    ::close(parentFd);
}

platform::Rect portraitBoundsOfMainScreen() {
    const platform::Rect bounds = platform::ui::Screen::mainScreen().bounds().standardized();
    if (bounds.size.width <= bounds.size.height) return bounds;
    return platform::Rect(bounds.origin.x, bounds.origin.y, bounds.size.height, bounds.size.width);
}

}  // namespace

std::shared_ptr<GADDevice> GADDevice::sharedInstance() {
    // Never released: the device's facts and its network watch last as long as the process.
    static auto* instance = [] {
        auto* device = new std::shared_ptr<GADDevice>(create());
        // The start-up caches the static facts first of all its steps. Registered when the
        // device is made, it runs at once if the start-up already ran; it holds the device
        // weakly and never asks for the shared one, so it may run inside this initializer.
        std::weak_ptr<GADDevice> weak = *device;
        GADApplication::sharedInstance()->addEarlyActivity(GADEarlyActivities::Rank::DeviceFacts,
                                                           [weak] {
                                                               if (auto device = weak.lock())
                                                                   device->cacheStaticParameters();
                                                           });
        return device;
    }();
    return *instance;
}

std::shared_ptr<GADDevice> GADDevice::create() {
    auto device = std::make_shared<GADDevice>(Private{});
    device->network_->enableNetworkChecking();
    // Files a previous run left for its ads are of no use to this one.
    std::filesystem::path temporary = device->temporaryPathWithCreation(false);
    platform::MainLoop::main().post([temporary] { removeTemporaryDirectory(temporary); });
    return device;
}

GADDevice::GADDevice(Private)
    : lockQueue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.device")),
      state_(std::make_shared<State>()),
      network_(GADNetwork::create()) {
    // The version is known off the main thread too, so version checks made before the
    // start-up (a slot refusing an old system) already have it.
    updateOperatingSystemVersionProperties();
}

GADDevice::~GADDevice() {
    network_->disableNetworkChecking();
}

void GADDevice::cacheStaticParameters() {
    if (!platform::isMainThread() || hasCachedStaticParameters()) return;
    updateOperatingSystemVersionProperties();
    const platform::DeviceInfo::Facts facts = platform::DeviceInfo::current();
    const double density = platform::ui::Screen::mainScreen().scale();
    const platform::Rect portrait = portraitBoundsOfMainScreen();
    const int orientation = platform::ui::Application::shared().statusBarOrientation();
    write([facts, density, portrait, orientation](State& state) {
        state.deviceModel = facts.model;
        state.userInterfaceIdiomIsPhone = facts.idiom == platform::UserInterfaceIdiom::Phone;
        state.mainScreenDensity = density;
        state.portraitBounds = portrait;
        state.statusBarOrientation = orientation;
    });
    updateDynamicParameters();
    bool canCall = false;
    bool canSendText = false;
    if (isOSAtLeastMajor(9, 0, 0)) {
        // These systems answer for the composer, not for URL schemes.
        canCall = true;
        canSendText = platform::services::MessageComposer::canSendText();
    } else {
        const platform::ui::Application& application = platform::ui::Application::shared();
        canCall = application.canOpenURL("tel://");
        canSendText = application.canOpenURL("sms://");
    }
    platform::Value info = platform::Bundle::mainBundle()->infoDictionary();
    write([canCall, canSendText, info = std::move(info)](State& state) {
        state.canMakePhoneCalls = canCall;
        state.canText = canSendText;
        state.infoPlist = info;
        state.hasCachedStaticParameters = true;
    });
}

bool GADDevice::hasCachedStaticParameters() const {
    return read([](const State& s) { return s.hasCachedStaticParameters; });
}

void GADDevice::updateDynamicParameters() {
    updateOrientation();
    updateBookstores();
}

void GADDevice::updateOrientation() {
    if (!platform::isMainThread()) return;
    const int orientation = platform::ui::Application::shared().statusBarOrientation();
    write([orientation](State& state) { state.statusBarOrientation = orientation; });
}

void GADDevice::updateBookstores() {
    if (!platform::isMainThread()) return;
    const char* books = "itms-books://";
    const char* kindle = "kindle://home";
    auto answers = canOpenURLs({books, kindle});
    std::uint64_t bookstores = 0;
    if (isOSAtLeastMajor(8, 0, 0) || (answers && (*answers)[books])) {
        bookstores |= kGADBookstoreBooks;
    }
    if (answers && (*answers)[kindle]) bookstores |= kGADBookstoreKindle;
    write([bookstores](State& state) { state.bookstores = bookstores; });
}

std::optional<std::map<std::string, bool>> GADDevice::canOpenURLs(
    const std::vector<std::string>& urls) {
    if (isOSAtLeastMajor(9, 0, 0)) return std::nullopt;
    std::map<std::string, bool> answers;
    for (const std::string& url : urls) {
        answers[url] = platform::ui::Application::shared().canOpenURL(url);
    }
    return answers;
}

void GADDevice::setRadioAccessTechnology(std::optional<std::string> technology) {
    write([technology = std::move(technology)](State& state) {
        state.radioAccessTechnology = technology;
        if (technology) state.lastKnownRadioAccessTechnology = technology;
    });
}

std::optional<std::string> GADDevice::radioAccessTechnology() const {
    return read([](const State& s) { return s.radioAccessTechnology; });
}

std::optional<std::string> GADDevice::lastKnownRadioAccessTechnology() const {
    return read([](const State& s) { return s.lastKnownRadioAccessTechnology; });
}

std::optional<std::string> GADDevice::userAgentString() const {
    return read([](const State& s) { return s.userAgentString; });
}

void GADDevice::setUserAgentString(const std::string& userAgent) {
    if (userAgent.empty()) return;
    write([userAgent](State& state) { state.userAgentString = userAgent; });
}

void GADDevice::updateOperatingSystemVersionProperties() {
    const std::string text = platform::DeviceInfo::systemVersion();
    const GADOperatingSystemVersion version = GADOperatingSystemVersion::fromString(text);
    // From system 8 on the system answers the three numbers, and the text is made of them.
    std::string systemVersion = version.majorVersion >= 8 ? version.toString() : text;
    // Synchronous: the constructor relies on the version being there when it returns.
    lockQueue_->sync([&] {
        state_->operatingSystemVersion = version;
        state_->systemVersion = std::move(systemVersion);
    });
}

GADOperatingSystemVersion GADDevice::operatingSystemVersion() const {
    return read([](const State& s) { return s.operatingSystemVersion; });
}

std::string GADDevice::systemVersion() const {
    return read([](const State& s) { return s.systemVersion; });
}

bool GADDevice::isOSAtLeastMajor(std::int64_t major, std::int64_t minor, std::int64_t patch) const {
    return operatingSystemVersion() >= GADOperatingSystemVersion{major, minor, patch};
}

bool GADDevice::OSIsSupported() const {
    return isOSAtLeastMajor(6, 0, 0);
}

std::string GADDevice::deviceModel() const {
    return read([](const State& s) { return s.deviceModel.value_or(""); });
}

platform::UserInterfaceIdiom GADDevice::userInterfaceIdiom() const {
    // The platform's answer never changes in a run and may be read from any thread.
    return platform::DeviceInfo::userInterfaceIdiom();
}

bool GADDevice::userInterfaceIdiomIsPhone() const {
    return read([](const State& s) { return s.userInterfaceIdiomIsPhone; });
}

double GADDevice::mainScreenDensity() const {
    return read([](const State& s) { return s.mainScreenDensity; });
}

platform::Rect GADDevice::standardizedPortraitScreenBounds() const {
    if (platform::isMainThread()) {
        // The window may be given another screen size; ad sizes measured on the main thread
        // follow it at once.
        const platform::Rect portrait = portraitBoundsOfMainScreen();
        write([portrait](State& state) { state.portraitBounds = portrait; });
        return portrait;
    }
    return read([](const State& s) { return s.portraitBounds; });
}

bool GADDevice::canText() const {
    return read([](const State& s) { return s.canText; });
}

bool GADDevice::canMakePhoneCalls() const {
    return read([](const State& s) { return s.canMakePhoneCalls; });
}

std::uint64_t GADDevice::bookstores() const {
    return read([](const State& s) { return s.bookstores; });
}

platform::Value GADDevice::infoPlist() const {
    return read([](const State& s) { return s.infoPlist; });
}

int GADDevice::statusBarOrientation() const {
    return read([](const State& s) { return s.statusBarOrientation; });
}

std::string GADDevice::deviceSubmodel() {
    submodelOnce_.call([this] {
        utsname name{};
        if (::uname(&name) != 0) return;
        std::string machine = name.machine;
        // Sent as ASCII text.
        std::erase_if(machine, [](char c) { return static_cast<unsigned char>(c) >= 128; });
        submodel_ = std::move(machine);
    });
    return submodel_.value_or("");
}

std::optional<std::string> GADDevice::locale() {
    localeOnce_.call([this] {
        auto languages = platform::UserDefaults::standard().objectForKey("AppleLanguages");
        if (!languages || !languages->isArray() || languages->asArray().empty()) return;
        const platform::Value& first = languages->asArray().front();
        if (!first.isString() || first.stringRef().empty()) return;
        locale_ = gad_asciiLowercased(first.stringRef());
    });
    return locale_;
}

bool GADDevice::limitAdTracking() const {
    return !platform::AdvertisingIdentifier::shared().isAdvertisingTrackingEnabled();
}

std::string GADDevice::limitAdTrackingString() const {
    return GADStringFromBOOL(limitAdTracking());
}

std::string GADDevice::deviceIdentifier() const {
    platform::AdvertisingIdentifier& identifier = platform::AdvertisingIdentifier::shared();
    if (!identifier.isAdvertisingTrackingEnabled()) return {};
    return gad_MD5String(identifier.advertisingIdentifier().toString());
}

GADAudioRoute GADDevice::audioRoute() const {
    const platform::audio::AudioSession& session = platform::audio::AudioSession::shared();
    const auto outputs = session.currentRouteOutputs();
    if (outputs.empty() || session.outputVolume() == 0) return GADAudioRoute::Silent;
    if (outputs.size() >= 2) return GADAudioRoute::Other;
    // The kind of port is what tells headphones from the speaker; its name is for people.
    const std::string& type = outputs.front().portType;
    if (type == platform::audio::kAudioSessionPortHeadphones) return GADAudioRoute::Headphones;
    if (type == platform::audio::kAudioSessionPortBuiltInSpeaker) {
        return GADAudioRoute::BuiltInSpeaker;
    }
    return GADAudioRoute::Other;
}

bool GADDevice::orientationLandscape() {
    std::weak_ptr<State> weakState = state_;
    std::weak_ptr<platform::SerialQueue> weakQueue = lockQueue_;
    platform::MainLoop::main().runOnMain([weakState, weakQueue] {
        auto queue = weakQueue.lock();
        if (!queue) return;
        const int orientation = platform::ui::Application::shared().statusBarOrientation();
        queue->async([weakState, orientation] {
            if (auto state = weakState.lock()) state->statusBarOrientation = orientation;
        });
    });
    const int orientation = statusBarOrientation();
    return orientation == 3 || orientation == 4;
}

platform::Rect GADDevice::standardizedOrientedScreenBounds() {
    const bool landscape = orientationLandscape();
    const platform::Rect portrait = standardizedPortraitScreenBounds();
    if (!landscape) return portrait;
    return platform::Rect(portrait.origin.x, portrait.origin.y, portrait.size.height,
                          portrait.size.width);
}

platform::Rect GADDevice::standardizedOrientedApplicationFrame() {
    updateOrientation();
    const platform::Rect frame = platform::ui::Screen::mainScreen().applicationFrame();
    return GADConvertRectToInterfaceOrientation(statusBarOrientation(), frame,
                                                standardizedPortraitScreenBounds())
        .standardized();
}

std::optional<std::string> GADDevice::baseSDKVersionFromInfoPlist(const platform::Value& info) {
    const platform::Value* sdkName = info.find("DTSDKName");
    if (!sdkName || !sdkName->isString()) return std::nullopt;
    std::string version = sdkName->stringRef();
    const platform::Value* platformName = info.find("DTPlatformName");
    // An empty platform name is in every text; it removes nothing.
    if (!platformName || !platformName->isString() || platformName->stringRef().empty()) {
        return version;
    }
    const std::string& remove = platformName->stringRef();
    for (std::size_t at = version.find(remove); at != std::string::npos;
         at = version.find(remove, at)) {
        version.erase(at, remove.size());
    }
    return version;
}

std::optional<std::string> GADDevice::baseSDKVersion() const {
    return baseSDKVersionFromInfoPlist(infoPlist());
}

std::filesystem::path GADDevice::temporaryPathWithCreation(bool create) const {
    std::filesystem::path path = platform::AppPaths::tmp() / kTemporaryDirectoryName;
    if (create) {
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
    }
    return path;
}

}  // namespace ads
