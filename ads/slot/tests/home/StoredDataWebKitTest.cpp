// What an ad's page stores, on real WebKit against our loopback ad server with the rooms
// loaded as the program loads them, in a process whose home, caches and data are fresh
// folders (FreshHomeMain.cpp): cookies (its own and a server's), local and session storage,
// IndexedDB, the cache API, a picture the server lets be cached for a day and a service worker,
// and the engine's media start-up. The contexts are ephemeral: nothing the page chose lands on
// the disk, and the engine keeps no folder of its own there; what the libraries keep for
// themselves (GStreamer's registry, dconf's) holds nothing of the page's. Needs a display:
// scripts/test runs these under xvfb-run.

#include <gtest/gtest.h>

#include <errno.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <httplib.h>

#include "ads/slot/GADInterstitial.h"
#include "ads/slot/GADSlot.h"
#include "ads/slot/tests/HostileInterstitialsFixture.h"
#include "ads/web/GADAdView.h"
#include "platform/testing/TestHttpServer.h"
#include "platform/web/WebView.h"

namespace ads {
namespace {

namespace fs = std::filesystem;
using tools::adserver::AdScenario;

constexpr const char* kHostileUnit = "ca-movu-storing";

// Every file under `root` (relative path) and whether it holds `marker`, as bytes or as the
// engine's stores keep script strings (UTF-16).
std::map<std::string, bool> filesUnder(const fs::path& root, const std::string& marker) {
    std::string wide;
    for (char c : marker) wide += std::string{c, '\0'};
    std::map<std::string, bool> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code fileError;
        if (!it->is_regular_file(fileError)) continue;
        std::ifstream in(it->path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        files[fs::relative(it->path(), root, fileError).string()] =
            bytes.find(marker) != std::string::npos || bytes.find(wide) != std::string::npos;
    }
    return files;
}

// A file of the engine's own stores: WebKit keeps a context that is not ephemeral in the
// caches' and data's folder named after the program, or in one of its own name.
bool isEnginesOwn(const std::string& path) {
    const auto first = path.find('/');
    const auto second = path.find('/', first + 1);
    if (first == std::string::npos || second == std::string::npos) return false;
    std::string folder = path.substr(first + 1, second - first - 1);
    if (folder == program_invocation_short_name) return true;
    for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folder.find("webkit") != std::string::npos;
}

class StoredDataWebKitTest : public testing::HostileInterstitialsFixture {
  protected:
    StoredDataWebKitTest() : HostileInterstitialsFixture(kHostileUnit) {}

    void SetUp() override {
        HostileInterstitialsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const char* home = std::getenv("HOME");
        ASSERT_TRUE(home);
        // FreshHomeMain's: the home with the caches, data and state folders beside it.
        root = fs::path(home).parent_path();
        ASSERT_TRUE(fs::is_directory(root / "home"));
        std::random_device random;
        marker = "movu-stored-" + std::to_string(random()) + "-" + std::to_string(random());
        before = filesUnder(root, marker);
    }

    fs::path root;
    std::string marker;
    std::map<std::string, bool> before;
    platform::testing::TestHttpServer other;
};

TEST_F(StoredDataWebKitTest, NothingAPageStoresReachesTheDisk) {
    other.get("/frame.html", [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", marker + "=server; Max-Age=86400; Path=/");
        // No page is offered service workers; should one be, its registration is stored too.
        res.set_content(
            "<script>if (!navigator.serviceWorker) parent.postMessage('absent', '*'); "
            "else navigator.serviceWorker.register('/worker.js').then("
            "function () { parent.postMessage('registered', '*'); },"
            "function (e) { parent.postMessage(e.name, '*'); });</script>",
            "text/html");
    });
    other.text("/worker.js", "self.addEventListener('fetch', function () {});", 200,
               "application/javascript");
    other.get("/picture.png", [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "public, max-age=86400");
        res.set_content(marker, "image/png");
    });
    const std::string page = R"(<!DOCTYPE html><html><body>
<iframe src=")" + other.url("/frame.html") +
                             R"("></iframe>
<img src=")" + other.url("/picture.png") +
                             R"(">
<script>
window.r = {};
var M = ')" + marker + R"(';
window.addEventListener('message', function (e) { r.worker = e.data; });
document.cookie = M + '=page; max-age=86400; path=/';
localStorage.setItem(M, M.repeat(1000));
sessionStorage.setItem(M, M);
var open = indexedDB.open(M, 1);
open.onupgradeneeded = function () { open.result.createObjectStore('kept'); };
open.onsuccess = function () {
  var t = open.result.transaction('kept', 'readwrite');
  t.objectStore('kept').put(M.repeat(1000), 1);
  t.oncomplete = function () { r.indexed = true; };
};
caches.open(M).then(function (cache) {
  return cache.put(new Request(location.origin + '/kept'), new Response(M.repeat(1000)));
}).then(function () { r.cached = true; }, function (e) { r.cached = e.name; });
r.sound = new AudioContext().state;
</script></body></html>)";
    ads.server().setScenario(kHostileUnit, AdScenario::interstitial().withHtml(page));
    auto ad = load(kHostileUnit, hostileDelegate);
    ASSERT_TRUE(waitFor([&] { return !hostileDelegate->log.empty(); }));
    ASSERT_EQ(hostileDelegate->log, (Log{"received"}));
    auto stored = [&] {
        return ad->slot()->adView()->webView()->stringByEvaluatingJavaScriptFromString(
            "JSON.stringify([r.worker, r.indexed, r.cached])", 1);
    };
    ASSERT_TRUE(waitFor([&] { return stored() == R"(["absent",true,true])"; })) << stored();
    ASSERT_EQ(other.requestCount("/picture.png"), 1u);

    // Kept a while, then the ad goes, as the game lets go of a closed interstitial.
    waitFor([] { return false; }, 2);
    ad.reset();
    interstitials.clear();
    waitFor([] { return false; }, 3);

    const auto after = filesUnder(root, marker);
    std::vector<std::string> added, holdingThePage, enginesOwn;
    for (const auto& [path, holds] : after) {
        if (!before.count(path)) added.push_back(path);
        if (holds) holdingThePage.push_back(path);
        if (isEnginesOwn(path)) enginesOwn.push_back(path);
    }
    RecordProperty("filesAddedBesideTheHome", ::testing::PrintToString(added));
    EXPECT_TRUE(holdingThePage.empty()) << ::testing::PrintToString(holdingThePage);
    EXPECT_TRUE(enginesOwn.empty()) << ::testing::PrintToString(enginesOwn);
    for (const auto& path : added) {
        EXPECT_NE(path.rfind("home/", 0), 0u) << path << " was saved in the home";
    }
}

}  // namespace
}  // namespace ads
