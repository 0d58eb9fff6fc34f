// Pages that send files to be saved, on real WebKit against our loopback ad server, with the
// rooms loaded as the program loads them, in a process whose home is a fresh folder with a
// Downloads folder (FreshHomeMain.cpp): an ad's frame of an attachment and of one whose body
// never ends, and a page's own download links (of the server's attachment and of a blob: URL)
// and its navigation to an attachment. Nothing of theirs lands in the home; the next ad still
// shows. Needs a display: scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "ads/foundation/GADRequest.h"
#include "ads/slot/GADInterstitial.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/testsupport/AdServerFixture.h"
#include "ads/testsupport/AdsTestScope.h"
#include "ads/testsupport/SDKCoreTestScope.h"
#include "platform/base/LogSink.h"
#include "platform/testing/RequireDisplay.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/RecordingWebViewDelegate.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

namespace fs = std::filesystem;
using platform::LogSink;
using tools::adserver::AdScenario;
using tools::adserver::Hostility;
using tools::adserver::kAttachmentPath;
using tools::adserver::RequestKind;

constexpr const char* kHostileUnit = "ca-movu-saving";
// How long a file is given to appear: the endless body wrote 300 MiB in 5.4 s.
constexpr double kSecondsForAFile = 5;

// Every file under the home, with its size.
std::map<std::string, std::uintmax_t> filesUnder(const fs::path& home) {
    std::map<std::string, std::uintmax_t> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(home, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code sizeError;
        if (it->is_directory(sizeError)) continue;
        const auto size = it->is_regular_file(sizeError) ? it->file_size(sizeError) : 0;
        files[it->path().string()] = sizeError ? 0 : size;
    }
    return files;
}

class SavedFilesWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    SavedFilesWebKitTest() : HostileInterstitialsFixture(kHostileUnit) {}

    void SetUp() override {
        HostileInterstitialsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const char* variable = std::getenv("HOME");
        ASSERT_TRUE(variable);
        home = variable;
        // The home FreshHomeMain made: its user folders name a Downloads folder that exists.
        ASSERT_TRUE(fs::is_regular_file(home / ".config" / "user-dirs.dirs"));
        ASSERT_TRUE(fs::is_directory(home / "Downloads"));
        before = filesUnder(home);
    }

    // What is under the home now that was not when the test began. Every look is kept, with
    // the largest size seen: the engine removes a download's file again when it fails.
    std::map<std::string, std::uintmax_t> newFiles() {
        auto now = filesUnder(home);
        for (const auto& [path, size] : before) now.erase(path);
        for (const auto& [path, size] : now) seen[path] = std::max(seen[path], size);
        return now;
    }
    // Lets the time a file would need to land go by, looking every turn; none must have come
    // at any time. What was found is recorded, so a fault shows how much it wrote.
    void expectNothingSaved() {
        waitFor(
            [&] {
                newFiles();
                return false;
            },
            kSecondsForAFile);
        const auto saved = seen;
        std::uintmax_t bytes = 0;
        for (const auto& [path, size] : saved) bytes += size;
        RecordProperty("filesSavedInTheHome", std::to_string(saved.size()));
        RecordProperty("bytesSavedInTheHome", std::to_string(bytes));
        EXPECT_TRUE(saved.empty()) << ::testing::PrintToString(saved);
    }
    void expectAnAdsAttachmentSavesNothing(Hostility hostility) {
        ads.server().setScenario(kHostileUnit, AdScenario::interstitial().withHostility(hostility));
        auto delegate = std::make_shared<RecordingDelegate>();
        load(kHostileUnit, delegate);
        ASSERT_TRUE(waitFor([&] { return ads.log().count(RequestKind::Attachment) == 1; }));
        expectNothingSaved();
        // The ad itself is unharmed: only its frame was refused.
        EXPECT_EQ(delegate->log, (Log{"received"}));
        expectTheNextAdShows();
    }

    fs::path home;
    std::map<std::string, std::uintmax_t> before;
    std::map<std::string, std::uintmax_t> seen;
};

TEST_F(SavedFilesWebKitTest, AnAttachmentInAnAdsFrameSavesNothing) {
    expectAnAdsAttachmentSavesNothing(Hostility::Attachment);
}

TEST_F(SavedFilesWebKitTest, AnEndlessAttachmentInAnAdsFrameSavesNothing) {
    expectAnAdsAttachmentSavesNothing(Hostility::EndlessAttachment);
}

TEST_F(SavedFilesWebKitTest, APagesDownloadLinksAndItsNavigationToAnAttachmentSaveNothing) {
    LogSink::Capture log;
    auto delegate = std::make_shared<platform::web::RecordingWebViewDelegate>();
    auto view = platform::web::WebView::create({320, 480});
    view->setDelegate(delegate);
    const std::string attachment = std::string(kAttachmentPath) + "?slot=page&ad=1";
    view->loadHTMLString(
        "<a id=\"file\" download href=\"" + attachment +
            "\">save</a>\n"
            "<a id=\"blob\" download=\"evil.desktop\">save too</a>\n"
            "<script>document.getElementById('blob').href = URL.createObjectURL(new Blob("
            "['[Desktop Entry]\\nType=Application\\nExec=true\\n'], "
            "{type: 'application/x-desktop'}));</script>\n",
        *platform::Url::parse(ads.server().url("/page.html")));
    ASSERT_TRUE(waitFor([&] { return delegate->count("finish") == 1; }));

    // Each link in turn, until its download was dealt with one way or the other.
    auto cancelled = [&] {
        std::size_t count = 0;
        for (const auto& line : log.lines()) {
            if (line.find("download is cancelled") != std::string::npos) ++count;
        }
        return count;
    };
    view->evaluateJavaScript("document.getElementById('file').click()");
    EXPECT_TRUE(waitFor([&] { return newFiles().size() + cancelled() >= 1; }));
    view->evaluateJavaScript("document.getElementById('blob').click()");
    EXPECT_TRUE(waitFor([&] { return newFiles().size() + cancelled() >= 2; }));
    // A navigation to an attachment is refused before it could become a download. (The
    // link's own request may never have left: its download was cancelled before.)
    view->evaluateJavaScript("location.href = '" + attachment + "&page=away'");
    EXPECT_TRUE(waitFor([&] {
        const auto last = ads.log().last(RequestKind::Attachment);
        return last && last->param("page") == "away" && !view->isLoading();
    }));
    expectNothingSaved();
    EXPECT_EQ(cancelled(), 2u) << ::testing::PrintToString(log.lines());
    // The page stays, and answers.
    EXPECT_EQ(view->url()->path(), "/page.html");
    EXPECT_EQ(view->stringByEvaluatingJavaScriptFromString("document.links.length"), "2");
}

}  // namespace
}  // namespace ads
