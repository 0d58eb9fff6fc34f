#include "ads/foundation/GADApplication.h"

#include "ads/foundation/GADCrashReporter.h"
#include "ads/foundation/GADPinger.h"
#include "ads/foundation/GADPlistFile.h"
#include "ads/foundation/GADSession.h"
#include "ads/foundation/GADSettings.h"
#include "ads/foundation/GADTokenDispenser.h"
#include "platform/runtime/Once.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/Bundle.h"
#include "platform/ui/Application.h"

namespace ads {

namespace {

std::string bundleVersion() {
    const platform::Value& version =
        platform::Bundle::mainBundle()->objectForInfoDictionaryKey("CFBundleVersion");
    return version.isString() ? version.stringRef() : std::string();
}

}  // namespace

std::shared_ptr<GADApplication> GADApplication::sharedInstance() {
    // Never released: the SDK's state lives as long as the process.
    static auto* instance = [] {
        auto* application = new std::shared_ptr<GADApplication>(create());
        // The token dispenser, the pinger and the crash reporter live in this room, so their
        // start-up steps are known here: the dispenser follows the signed-in user from the
        // first ad request on, stored retries are tried from the first tick on, and crashes of
        // an earlier run are reported before this run can crash.
        (*application)->addEarlyActivity(GADEarlyActivities::Rank::TokenDispenser, [] {
            GADTokenDispenser::sharedInstance();
        });
        (*application)->addEarlyActivity(GADEarlyActivities::Rank::Pinger, [] {
            GADPinger::sharedInstance()->start();
        });
        (*application)->addEarlyActivity(GADEarlyActivities::Rank::CrashReporter, [] {
            GADCrashReporter::sharedInstance()->enableReporting();
        });
        return application;
    }();
    return *instance;
}

void GADApplication::load() {
    static platform::Once once;
    once.call([] {
        // Never removed: the notification comes once, and the SDK outlives it.
        platform::NotificationCenter::defaultCenter().addObserver(
            platform::ui::kDidFinishLaunchingNotification, nullptr,
            [](const platform::Notification&) {
                auto application = sharedInstance();
                application->setAppFinishedLaunching(true);
                application->runEarlyActivities();
            });
    });
}

std::shared_ptr<GADApplication> GADApplication::create() {
    auto application = std::make_shared<GADApplication>(Private{});
    application->observeDidBecomeActive();
    return application;
}

GADApplication::GADApplication(Private)
    : version_(bundleVersion()),
      mainBundleIdentifier_(platform::Bundle::mainBundle()->bundleIdentifier()),
      session_(GADSession::create()),
      statistics_(GADStatisticDictionary::create()),
      notificationSerialQueue_(
          std::make_shared<platform::SerialQueue>("com.zivivu.durez.application-notification")),
      statisticsSerialQueue_(
          std::make_shared<platform::SerialQueue>("com.zivivu.durez.application-statistics")),
      lockQueue_(std::make_shared<platform::SerialQueue>("com.zivivu.durez.application-ivar-lock")),
      contentHashingQueue_(
          std::make_shared<platform::SerialQueue>("com.zivivu.durez.content-hashing")),
      earlyActivities_(GADEarlyActivities::create()) {
    statistics_->setObject(platform::Value(session_->uniqueID()), kSessionIDKey, false);
    // The count stands one below the requests made, so the first request reports 0.
    statistics_->decrementNumberForKey(kRequestCountKey, false);
}

GADApplication::~GADApplication() {
    didBecomeActive_.reset();
    statistics_->didFinishModifying();
}

void GADApplication::observeDidBecomeActive() {
    didBecomeActive_ = platform::NotificationCenter::defaultCenter().observe(
        platform::ui::kDidBecomeActiveNotification, nullptr,
        platform::weakCall(
            weak_from_this(),
            [](GADApplication& self, const platform::Notification&) { self.didBecomeActive(); }));
}

void GADApplication::runEarlyActivities() {
    earlyActivities_->run();
}

void GADApplication::addEarlyActivity(GADEarlyActivities::Rank rank,
                                      GADEarlyActivities::Step step) {
    if (rank == GADEarlyActivities::Rank::ContentHashing && step) {
        step = [step = std::move(step)] {
            if (GADSettings().contentURLEnabled()) step();
        };
    }
    earlyActivities_->add(rank, std::move(step));
}

bool GADApplication::hasRunEarlyActivities() const {
    return earlyActivities_->hasRun();
}

bool GADApplication::isAppActive() const {
    const bool background = platform::ui::Application::shared().applicationState() ==
                            platform::ui::ApplicationState::Background;
    return !(background && appFinishedLaunching());
}

std::optional<std::filesystem::path> GADApplication::iTunesMetadataPath() const {
    const std::filesystem::path documents = platform::AppPaths::documents();
    if (documents.empty()) return std::nullopt;
    return (documents / ".." / "iTunesMetadata.plist").lexically_normal();
}

const platform::Value& GADApplication::iTunesMetadata() {
    std::call_once(iTunesMetadataOnce_, [this] {
        iTunesMetadata_ = platform::Value::dictionary();
        if (auto path = iTunesMetadataPath()) {
            if (auto dict = GADDictionaryWithPlistFile(*path)) iTunesMetadata_ = std::move(*dict);
        }
    });
    return iTunesMetadata_;
}

std::uint64_t GADApplication::nextActiveViewID() {
    std::uint64_t id = 0;
    lockQueue_->sync([&] { id = ++activeViewID_; });
    return id;
}

}  // namespace ads
