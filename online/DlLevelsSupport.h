#pragma once

// Starts a level from a web page of the maker's service: an application URL with the path
// "/startLevel" names the level and the hash of its data. A level already on the device with
// that hash starts at once; any other is downloaded from the web service, checked, stored
// under Documents/levels and started. Only a level manager over level files
// (JTAppBase::FilesLevelManager) takes downloaded levels; with any other the link is turned
// away and nothing is downloaded.
//
// One download at a time: a new one cancels the one before. Main thread only; the connection
// and the waiting alert call back on the main loop.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "online/DlLevelsAppCore.h"
#include "platform/net/Connection.h"
#include "platform/ui/AlertView.h"

namespace JTAppBase {
class FilesLevelManager;
}

namespace online {

// What a start URL's query asks for.
struct DlLevelsStartQuery {
    int32_t lid = -1;
    int64_t dh = -1;  // -1: any data will do
    int64_t tk = -1;  // passed on to the download URL
};

class DlLevelsSupport : public platform::ConnectionDelegate,
                        public platform::ui::AlertViewDelegate,
                        public std::enable_shared_from_this<DlLevelsSupport> {
  public:
    // The level data proper, and room for the one-line header in front of it. A response
    // growing beyond both together is broken and is not taken in any further.
    static constexpr int64_t kMaxDataSize = 8388608;
    static constexpr int64_t kMaxHeaderSize = 64 * 1024;
    static constexpr int64_t kMaxResponseSize = kMaxDataSize + 1 + kMaxHeaderSize;
    static constexpr double kTimeoutInterval = 30;

    static std::shared_ptr<DlLevelsSupport> initWithAppCore(std::weak_ptr<DlLevelsAppCore> appCore);
    ~DlLevelsSupport() override;
    DlLevelsSupport(const DlLevelsSupport&) = delete;
    DlLevelsSupport& operator=(const DlLevelsSupport&) = delete;

    std::shared_ptr<DlLevelsAppCore> appCore() const { return appCore_.lock(); }

    // True for "/startLevel", which is then handled; any other URL is left to the caller.
    bool handleOpenURL(const std::string& url);
    void processStartLevel(const std::string& query);
    void setCurrentLevelId(int32_t levelId);
    void doStartGame();

    // key=value pairs separated by "&"; unknown keys and pairs that are not exactly one key
    // and one value (or do not unescape to ASCII) are skipped.
    static DlLevelsStartQuery parseStartQuery(const std::string& query);

    // ---- connection and alert ----
    void connectionDidReceiveResponse(platform::Connection& c,
                                      const platform::UrlResponse& response) override;
    void connectionDidReceiveData(platform::Connection& c,
                                  const std::vector<std::uint8_t>& data) override;
    void connectionDidFailWithError(platform::Connection& c, const platform::Error& error) override;
    void connectionDidFinishLoading(platform::Connection& c) override;
    void alertViewClickedButtonAtIndex(platform::ui::AlertView& alert, int index) override;

    // The download in progress and the waiting alert (tests, diagnostics).
    std::shared_ptr<platform::Connection> connection() const { return connection_; }
    std::shared_ptr<platform::ui::AlertView> waitingAlert() const { return waitingAlert_; }
    int32_t downloadingLevelId() const { return lid_; }

  private:
    struct Private {};

  public:
    DlLevelsSupport(Private, std::weak_ptr<DlLevelsAppCore> appCore);

  private:
    void startDownload(int32_t lid, int64_t dh, int64_t tk);
    void showWaitingAlert();
    void dismissWaitingAlert();
    // Cancels the download in progress, if any, and forgets what it received.
    void dropConnection();
    // The response outgrew what a level can be: stop taking it in and say so.
    void failOversized();
    bool storeDownloadedLevel();
    void releaseData();

    std::weak_ptr<DlLevelsAppCore> appCore_;
    std::shared_ptr<platform::ui::AlertView> waitingAlert_;
    std::shared_ptr<platform::Connection> connection_;
    std::vector<std::uint8_t> receivedData_;
    std::optional<platform::UrlResponse> response_;
    int32_t lid_ = 0;
};

// Checks a download response (a one-line property-list header, a line feed, the level data),
// stores the data as Documents/levels/<id> and hands the level to the manager. False, with the
// reason logged, for a response that is not for this level or does not hold together; a
// JTCore::JTExceptionPtr for a header value that is not a string, data that is too big, does
// not match its hash or is not a property list. Nothing is stored unless all checks pass.
bool processDownloadedBytes(JTAppBase::FilesLevelManager& manager, int32_t levelId,
                            const std::vector<std::uint8_t>& data);

// The header value as text; throws JTCore::JTExceptionPtr ("ensureNSString failed") when it
// is missing or not a string.
std::string ensureNSString(const platform::Value* value);

}  // namespace online
