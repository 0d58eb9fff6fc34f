#include "online/DlLevelsSupport.h"

#include <exception>
#include <string>

#include "appbase/FilesLevelManager.h"
#include "appbase/JTLevelManager.h"
#include "core/JTException.h"
#include "online/UrlPath.h"
#include "platform/base/NumberText.h"
#include "platform/base/PercentEncoding.h"
#include "platform/base/Url.h"
#include "platform/net/UrlError.h"
#include "platform/runtime/MainLoop.h"
#include "util/LogMessage.h"

namespace online {

namespace {

constexpr const char* kFailedTitle = "Failed to Download.";
constexpr const char* kBrokenMessage = "Downloaded data is broken.";

// Keys and values are plain ASCII; anything else in them is not ours.
std::optional<std::string> unescapeAscii(std::string_view text) {
    auto decoded = platform::percentDecodeBytes(text);
    if (!decoded) return std::nullopt;
    for (unsigned char c : *decoded) {
        if (c >= 0x80) return std::nullopt;
    }
    return decoded;
}

// Releases an object on a later loop turn, so nothing is destroyed inside its own callback.
template <typename T>
void releaseLater(std::shared_ptr<T> object) {
    if (!object) return;
    platform::MainLoop::main().post([object = std::move(object)]() mutable { object.reset(); });
}

}  // namespace

std::shared_ptr<DlLevelsSupport> DlLevelsSupport::initWithAppCore(
    std::weak_ptr<DlLevelsAppCore> appCore) {
    return std::make_shared<DlLevelsSupport>(Private{}, std::move(appCore));
}

DlLevelsSupport::DlLevelsSupport(Private, std::weak_ptr<DlLevelsAppCore> appCore)
    : appCore_(std::move(appCore)) {}

DlLevelsSupport::~DlLevelsSupport() {
    if (connection_) connection_->cancel();
    // Nobody would be left to take the alert down or to hear its button.
    if (waitingAlert_ && (waitingAlert_->isVisible() || waitingAlert_->isQueued())) {
        waitingAlert_->dismissWithClickedButtonIndex(0, false);
    }
}

bool DlLevelsSupport::handleOpenURL(const std::string& url) {
    if (UrlPathOf(url) != "/startLevel") return false;
    auto parsed = platform::Url::parse(url);
    processStartLevel(parsed && parsed->query() ? *parsed->query() : std::string());
    return true;
}

DlLevelsStartQuery DlLevelsSupport::parseStartQuery(const std::string& query) {
    DlLevelsStartQuery result;
    std::string_view rest(query);
    while (true) {
        const size_t amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        const size_t eq = pair.find('=');
        // Exactly one "=": a key and a value.
        if (eq != std::string_view::npos && pair.find('=', eq + 1) == std::string_view::npos) {
            auto key = unescapeAscii(pair.substr(0, eq));
            auto value = unescapeAscii(pair.substr(eq + 1));
            if (key && value) {
                if (*key == "lid") {
                    result.lid = platform::intValue(*value);
                } else if (*key == "dh") {
                    result.dh = platform::longLongValue(*value);
                } else if (*key == "tk") {
                    result.tk = platform::longLongValue(*value);
                }
            }
        }
        if (amp == std::string_view::npos) break;
        rest.remove_prefix(amp + 1);
    }
    return result;
}

void DlLevelsSupport::processStartLevel(const std::string& query) {
    if (query.empty()) return;
    const DlLevelsStartQuery q = parseStartQuery(query);
    util::LogMessage("-[DlLevelsSupport processStartLevel:]", 1,
                     "startLevel lid:" + std::to_string(q.lid) + " dh:" + std::to_string(q.dh) +
                         " tk:" + std::to_string(q.tk));
    if (q.lid < 1) return;

    auto core = appCore();
    if (!core) return;
    auto context = core->dlAppContext();
    JTAppBase::JTLevelManagerPtr manager = context ? context->getLevelManager() : nullptr;
    if (!manager) return;
    JTAppBase::JTLevelInfoPtr level = manager->getLevelInfoById(q.lid);
    const bool canDownload = manager->canDownloadLevels();

    if (!manager->usesLevelHashes()) {
        util::LogMessage("-[DlLevelsSupport processStartLevel:]", 3, "not FilesLevelManager");
        return;
    }

    // This link decides what is shown now; a download still running for an earlier one
    // would otherwise start its level over it later.
    if (connection_) {
        dropConnection();
        dismissWaitingAlert();
    }

    if (level && (q.dh == -1 || level->getDataHash() == q.dh)) {
        util::LogMessage("-[DlLevelsSupport processStartLevel:]", 1, "skip downloading");
        if (level->isDownloaded() && manager->usesLevelHashes()) {
            if (auto* files = dynamic_cast<JTAppBase::FilesLevelManager*>(manager.get())) {
                files->addDownloadedLevel(level);
            }
        }
        core->stopAllSounds();
        core->stopAllViews();
        setCurrentLevelId(q.lid);
        core->startGameView();
        return;
    }

    core->stopAllSounds();
    core->stopAllViews();
    core->startTitleView();
    if (!canDownload) {
        core->showSimpleAlert("Error", "The selected level doesn't exists.");
        return;
    }
    startDownload(q.lid, q.dh, q.tk);
}

void DlLevelsSupport::startDownload(int32_t lid, int64_t dh, int64_t tk) {
    auto core = appCore();
    if (!core) return;
    // Only one download at a time: the one before is stopped, not left to run unheard.
    dropConnection();

    const std::string text = core->downloadLevelUrlWithLevelId(lid, dh, tk);
    auto url = platform::Url::parse(text);
    if (!url || !url->hasScheme()) {
        util::LogMessage("-[DlLevelsSupport processStartLevel:]", 3, "bad download URL: " + text);
        core->showSimpleAlert(kFailedTitle, "Error details:\nbad URL " + text);
        return;
    }
    showWaitingAlert();

    platform::UrlRequest request(
        *url, platform::UrlRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData,
        kTimeoutInterval);
    receivedData_.clear();
    response_.reset();
    lid_ = lid;
    connection_ = platform::Connection::create(std::move(request), weak_from_this());
    connection_->setMaxBytes(kMaxResponseSize);
    connection_->start();
}

void DlLevelsSupport::showWaitingAlert() {
    if (!waitingAlert_) {
        waitingAlert_ = platform::ui::AlertView::create("Downloading Data", "Please wait...",
                                                        weak_from_this(), "Cancel");
    }
    waitingAlert_->show();
}

void DlLevelsSupport::dismissWaitingAlert() {
    if (waitingAlert_) waitingAlert_->dismissWithClickedButtonIndex(0, false);
}

void DlLevelsSupport::dropConnection() {
    if (connection_) {
        connection_->cancel();
        releaseLater(std::move(connection_));
    }
    releaseData();
}

void DlLevelsSupport::releaseData() {
    receivedData_.clear();
    receivedData_.shrink_to_fit();
    response_.reset();
}

void DlLevelsSupport::setCurrentLevelId(int32_t levelId) {
    auto core = appCore();
    if (!core) return;
    core->setCurrentLevelId(levelId);
    core->saveSettings();
    core->updateInterfaceOrientation();
}

void DlLevelsSupport::doStartGame() {
    if (auto core = appCore()) core->startGameView();
}

void DlLevelsSupport::connectionDidReceiveResponse(platform::Connection& c,
                                                   const platform::UrlResponse& response) {
    if (&c != connection_.get()) return;
    response_ = response;
    receivedData_.clear();
    if (response.statusCode == 200 && response.expectedContentLength > kMaxResponseSize) {
        failOversized();
    }
}

void DlLevelsSupport::connectionDidReceiveData(platform::Connection& c,
                                               const std::vector<std::uint8_t>& data) {
    if (&c != connection_.get()) return;
    if (static_cast<int64_t>(receivedData_.size()) + static_cast<int64_t>(data.size()) >
        kMaxResponseSize) {
        failOversized();
        return;
    }
    receivedData_.insert(receivedData_.end(), data.begin(), data.end());
}

void DlLevelsSupport::failOversized() {
    util::LogMessage("-[DlLevelsSupport connection:didReceiveData:]", 3,
                     "DlLevels: response beyond " + std::to_string(kMaxResponseSize) + " bytes");
    dropConnection();
    dismissWaitingAlert();
    if (auto core = appCore()) core->showSimpleAlert(kFailedTitle, kBrokenMessage);
}

void DlLevelsSupport::connectionDidFailWithError(platform::Connection& c,
                                                 const platform::Error& error) {
    if (&c != connection_.get()) return;
    if (error.code == platform::kUrlErrorDataLengthExceedsMaximum) {
        failOversized();
        return;
    }
    releaseLater(std::move(connection_));
    dismissWaitingAlert();
    auto alert = platform::ui::AlertView::create(
        kFailedTitle, "Error details:\n" + error.localizedDescription(), {}, "Ok");
    alert->show();
    releaseData();
}

void DlLevelsSupport::connectionDidFinishLoading(platform::Connection& c) {
    if (&c != connection_.get()) return;
    releaseLater(std::move(connection_));
    dismissWaitingAlert();

    // A missing response counts as a refusal, with status 0.
    const long status = response_ ? response_->statusCode : 0;
    if (status != 200) {
        util::LogMessage("-[DlLevelsSupport connectionDidFinishLoading:]", 3,
                         "DlLevels: Invalid statusCode " + std::to_string(status));
        std::string headers;
        if (response_) {
            for (const auto& [name, value] : response_->headers.fields()) {
                headers += name + ": " + value + "\n";
            }
        }
        util::LogMessage("-[DlLevelsSupport connectionDidFinishLoading:]", 1,
                         "headers: " + headers);
        std::optional<std::string> message;
        if (response_) message = response_->headers.get("Error-Dialog-Message");
        if (!message) message = "Error details:\nstatusCode=" + std::to_string(status);
        auto alert = platform::ui::AlertView::create(kFailedTitle, *message, {}, "Ok");
        alert->show();
    } else {
        util::LogMessage(
            "-[DlLevelsSupport connectionDidFinishLoading:]", 1,
            "DlLevels: Download success. " + std::to_string(receivedData_.size()) + " bytes");
        if (storeDownloadedLevel()) {
            if (auto core = appCore()) {
                core->stopAllViews();
                setCurrentLevelId(lid_);
                doStartGame();
            }
        } else if (auto core = appCore()) {
            core->showSimpleAlert(kFailedTitle, kBrokenMessage);
        }
    }
    releaseData();
}

bool DlLevelsSupport::storeDownloadedLevel() {
    auto core = appCore();
    auto context = core ? core->dlAppContext() : nullptr;
    JTAppBase::JTLevelManagerPtr manager = context ? context->getLevelManager() : nullptr;
    // The manager may have been replaced while the download ran.
    auto* files = dynamic_cast<JTAppBase::FilesLevelManager*>(manager.get());
    if (!files) {
        util::LogMessage("-[DlLevelsSupport connectionDidFinishLoading:]", 3,
                         "not FilesLevelManager");
        return false;
    }
    try {
        return processDownloadedBytes(*files, lid_, receivedData_);
    } catch (const JTCore::JTExceptionPtr& e) {
        util::LogMessage(
            "-[DlLevelsSupport connectionDidFinishLoading:]", 3,
            "Exception: " + (e ? JTCore::ToUtf8(e->getMessage()) : std::string("(null)")));
    } catch (const std::exception& e) {
        util::LogMessage("-[DlLevelsSupport connectionDidFinishLoading:]", 3,
                         std::string("Exception: ") + e.what());
    }
    return false;
}

void DlLevelsSupport::alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int) {
    if (&alert != waitingAlert_.get() || !connection_) return;
    util::LogMessage("-[DlLevelsSupport alertView:clickedButtonAtIndex:]", 1,
                     "DlLevels: cancel download");
    dropConnection();
}

}  // namespace online
