#include "ads/foundation/GADCachedFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "ads/foundation/GADInternalError.h"
#include "ads/testsupport/AdsTestScope.h"
#include "platform/net/Connection.h"
#include "platform/net/UrlError.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/StorageError.h"
#include "platform/testing/RunMainLoopUntil.h"
#include "platform/testing/TestHttpServer.h"

namespace ads {
namespace {

using platform::Url;
using platform::testing::runMainLoopUntil;
using platform::testing::TestHttpServer;

// "Sun, 06 Nov 1994 08:49:37 GMT"
constexpr double kNovember1994 = 784111777;

struct Recorder : GADCachedFileDelegate {
    std::vector<std::string> events;
    std::optional<platform::Error> error;
    std::optional<platform::Error> veto;
    std::vector<std::string> redirects;

    std::optional<platform::Error> cachedFileShouldRedirectToURL(GADCachedFile&,
                                                                 const Url& url) override {
        redirects.push_back(url.absoluteString());
        return veto;
    }
    void cachedFileDownloadDidEnd(GADCachedFile& file) override {
        events.push_back("end");
        // What a conditional request started from here would send.
        dateAtEnd = file.fileModificationRFC1123DateString();
    }
    std::optional<std::string> dateAtEnd;
    void cachedFileDownloadDidFail(GADCachedFile&,
                                   const std::optional<platform::Error>& e) override {
        events.push_back("fail");
        error = e;
    }
};

double modificationTime(const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_mtim.tv_sec) : -1;
}

std::string contentOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class GADCachedFileTest : public ::testing::Test {
  protected:
    std::shared_ptr<GADCachedFile> fileFor(const std::string& path) {
        auto file = GADCachedFile::createWithURL(*Url::parse(server.url(path)));
        file->setDelegate(delegate);
        return file;
    }
    // Runs the main loop until the download has reported (or ten seconds passed).
    bool finish(const std::shared_ptr<GADCachedFile>& file) {
        const bool done = runMainLoopUntil([&] { return !file->connection(); });
        scope.runUntilIdle();
        return done;
    }

    testing::AdsTestScope scope;
    TestHttpServer server;
    std::shared_ptr<Recorder> delegate = std::make_shared<Recorder>();
};

TEST_F(GADCachedFileTest, AConditionalRoundTripKeepsTheFileAndItsDate) {
    int answered = 0;
    server.get("/page", [&](const httplib::Request& req, httplib::Response& res) {
        if (++answered > 1) {
            EXPECT_EQ(req.get_header_value("If-Modified-Since"), "Sun, 06 Nov 1994 08:49:37 GMT");
            res.status = 304;
            return;
        }
        EXPECT_FALSE(req.has_header("If-Modified-Since"));
        res.set_header("Last-Modified", "Sun, 06 Nov 1994 08:49:37 GMT");
        res.set_content("first", "text/plain");
    });
    auto file = fileFor("/page");
    const auto path = file->filePath();
    EXPECT_EQ(path.parent_path(), platform::AppPaths::caches() / "127.0.0.1");
    EXPECT_EQ(path.filename(), GADCachedFile::fileNameForURLString(server.url("/page")));
    EXPECT_FALSE(file->fileExists());

    file->validate();
    ASSERT_TRUE(finish(file));
    EXPECT_EQ(delegate->events, std::vector<std::string>{"end"});
    EXPECT_EQ(file->HTTPStatusCode(), 200);
    EXPECT_EQ(file->contentAsString(), "first");
    EXPECT_EQ(modificationTime(path), kNovember1994);
    EXPECT_EQ(file->fileModificationRFC1123DateString(), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(delegate->dateAtEnd, "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_TRUE(file->receivedModificationDate().empty());

    // A later object for the same URL finds the file and asks whether it changed.
    auto again = fileFor("/page");
    again->validate();
    ASSERT_TRUE(finish(again));
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"end", "end"}));
    EXPECT_EQ(again->HTTPStatusCode(), 304);
    EXPECT_EQ(contentOf(path), "first");
    EXPECT_EQ(modificationTime(path), kNovember1994);
}

TEST_F(GADCachedFileTest, EveryModificationDateFormAndSuccessStatusSaves) {
    // An offset is honoured, 203 saves like 200, and a date that is no date is ignored.
    std::string lastModified = "Sun, 06 Nov 1994 09:49:37 +0100";
    int status = 203;
    server.get("/dated", [&](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_header("Last-Modified", lastModified);
        res.set_content("dated", "text/plain");
    });
    auto file = fileFor("/dated");
    file->validate();
    ASSERT_TRUE(finish(file));
    EXPECT_EQ(delegate->events, std::vector<std::string>{"end"});
    EXPECT_EQ(modificationTime(file->filePath()), kNovember1994);

    lastModified = "yesterday at noon GMT";
    status = 200;
    auto undated = fileFor("/dated");
    undated->validateWithCacheBuster();
    ASSERT_TRUE(finish(undated));
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"end", "end"}));
    // The file is new, its date the time of writing.
    EXPECT_GT(modificationTime(file->filePath()), kNovember1994 + 1e8);
}

TEST_F(GADCachedFileTest, FailuresLeaveTheOldFile) {
    std::string body = "kept";
    int status = 200;
    server.get("/old", [&](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_content(body, "text/plain");
    });
    auto file = fileFor("/old");
    file->validate();
    ASSERT_TRUE(finish(file));
    ASSERT_EQ(file->contentAsString(), "kept");

    // A 404 fails without an error object.
    status = 404;
    body = "gone";
    file->validate();
    ASSERT_TRUE(finish(file));
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"end", "fail"}));
    EXPECT_FALSE(delegate->error);
    EXPECT_EQ(file->HTTPStatusCode(), 404);

    // A body over the limit fails the download.
    status = 200;
    body.assign(GADCachedFile::kMaxBytes + 1, 'x');
    file->validate();
    ASSERT_TRUE(finish(file));
    EXPECT_EQ(delegate->events.back(), "fail");
    ASSERT_TRUE(delegate->error);
    EXPECT_TRUE(delegate->error->is(platform::kUrlErrorDomain,
                                    platform::kUrlErrorDataLengthExceedsMaximum));
    EXPECT_EQ(file->contentAsString(), "kept");

    // A transport failure carries its error.
    auto refused = GADCachedFile::createWithURL(*Url::parse("http://127.0.0.1:1/x"));
    refused->setDelegate(delegate);
    refused->validate();
    ASSERT_TRUE(finish(refused));
    EXPECT_EQ(delegate->events.size(), 4u);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->domain, platform::kUrlErrorDomain);
}

TEST_F(GADCachedFileTest, AWriteFailureIsReportedOnce) {
    server.text("/blocked", "body");
    auto file = fileFor("/blocked");
    // A plain file where the host's folder belongs.
    std::filesystem::create_directories(platform::AppPaths::caches());
    std::ofstream(platform::AppPaths::caches() / "127.0.0.1") << "in the way";
    file->validate();
    ASSERT_TRUE(finish(file));
    EXPECT_EQ(delegate->events, std::vector<std::string>{"fail"});
    ASSERT_TRUE(delegate->error);
    EXPECT_TRUE(delegate->error->is(platform::StorageError::kDomain,
                                    platform::StorageError::kFileWriteUnknown));
}

TEST_F(GADCachedFileTest, RedirectsAreAskedForAndTheDestinationMovesOnlyWhenAllowed) {
    server.redirect("/first", server.url("/second"));
    server.redirect("/second", server.url("/final"));
    server.text("/final", "landed");
    auto file = fileFor("/first");
    file->validate();
    ASSERT_TRUE(finish(file));
    EXPECT_EQ(delegate->redirects,
              (std::vector<std::string>{server.url("/second"), server.url("/final")}));
    EXPECT_EQ(delegate->events, std::vector<std::string>{"end"});
    EXPECT_EQ(file->HTTPDestinationURL().absoluteString(), server.url("/final"));

    // Vetoed: the download stops with the delegate's error, at the last URL requested.
    delegate->veto = platform::Error("test", 7);
    delegate->redirects.clear();
    auto vetoed = fileFor("/first");
    vetoed->validate();
    ASSERT_TRUE(finish(vetoed));
    EXPECT_EQ(delegate->events, (std::vector<std::string>{"end", "fail"}));
    EXPECT_TRUE(delegate->error && delegate->error->is("test", 7));
    EXPECT_EQ(vetoed->HTTPDestinationURL().absoluteString(), server.url("/first"));
    EXPECT_EQ(vetoed->HTTPStatusCode(), 302);
    EXPECT_EQ(server.requestCount("/second"), 1u);
}

TEST_F(GADCachedFileTest, CacheBusterCancelAndInvalidate) {
    server.text("/busted", "fresh");
    auto file = fileFor("/busted");
    scope.clock().setWallSeconds(platform::Date::kReferenceDateOffset + 1234.4);
    file->validateWithCacheBuster();
    ASSERT_TRUE(finish(file));
    auto seen = server.requestsFor("/busted");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].param("unique"), "1234");
    EXPECT_EQ(file->HTTPDestinationURL().absoluteString(), server.url("/busted?unique=1234"));
    // The policy stays for later downloads; the file stays named after the plain URL.
    EXPECT_EQ(file->cachePolicy(), platform::UrlRequestCachePolicy::ReloadIgnoringLocalCacheData);
    EXPECT_EQ(file->filePath().filename(),
              GADCachedFile::fileNameForURLString(server.url("/busted")));

    // Cancelled, the delegate hears nothing, also of answers on their way.
    auto gate = server.makeGate();
    server.stalled("/slow", gate);
    auto slow = fileFor("/slow");
    slow->validate();
    slow->validate();  // nothing while running
    ASSERT_TRUE(runMainLoopUntil([&] { return gate->arrivals() == 1; }));
    slow->cancel();
    gate->release();
    scope.runUntilIdle();
    EXPECT_EQ(delegate->events, std::vector<std::string>{"end"});
    EXPECT_EQ(server.requestCount("/slow"), 1u);

    EXPECT_TRUE(file->fileExists());
    file->invalidate();
    EXPECT_FALSE(file->fileExists());
}

TEST_F(GADCachedFileTest, HostsBecomeFoldersOnlyAsOneSafeComponent) {
    EXPECT_EQ(GADCachedFile::directoryNameForHost(""), "@local");
    EXPECT_EQ(GADCachedFile::directoryNameForHost("ads.example"), "ads.example");
    EXPECT_EQ(GADCachedFile::directoryNameForHost(std::string(255, 'h')), std::string(255, 'h'));
    for (std::string bad : {std::string("."), std::string(".."), std::string("a/b"),
                            std::string("a\\b"), std::string("a\0b", 3), std::string(256, 'h')}) {
        EXPECT_FALSE(GADCachedFile::directoryNameForHost(bad)) << bad;
    }
    // FNV-1a, 64 bits.
    EXPECT_EQ(GADCachedFile::fileNameForURLString(""), "cbf29ce484222325");
    EXPECT_EQ(GADCachedFile::fileNameForURLString("a"), "af63dc4c8601ec8c");

    // A URL whose host decodes to a climb out of Caches fails at once, without traffic.
    for (const char* text : {"http://%2e%2e/x", "http://a%2fb/x"}) {
        auto url = Url::parse(text);
        ASSERT_TRUE(url) << text;
        auto file = GADCachedFile::createWithURL(*url);
        file->setDelegate(delegate);
        EXPECT_TRUE(file->filePath().empty());
        delegate->events.clear();
        file->validate();
        EXPECT_EQ(delegate->events, std::vector<std::string>{"fail"}) << text;
        ASSERT_TRUE(delegate->error);
        EXPECT_TRUE(delegate->error->is(kGADPrivateErrorDomain, 3));
        EXPECT_FALSE(file->connection());
    }
    // No host: the "@local" folder.
    auto local = GADCachedFile::createWithURL(*Url::parse("file:///tmp/x"));
    EXPECT_EQ(local->filePath().parent_path().filename(), "@local");
    EXPECT_NE(local->description().find("HTTP code: 0\n\turl: file:///tmp/x\n\tfile: "),
              std::string::npos);
}

}  // namespace
}  // namespace ads
