#include "platform/net/CookieJar.h"

#include <cstdio>
#include <ctime>
#include <fstream>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "NetTestSupport.h"
#include "platform/net/FetchSync.h"
#include "platform/testing/TestHttpServer.h"

using nettest::requestTo;
using nettest::urlOf;
using platform::CookieJar;
using platform::fetchSync;
using platform::HttpCookie;
using platform::UrlRequest;
using platform::testing::TestHttpServer;

namespace {

class CookieJarTest : public ::testing::Test {
  protected:
    void SetUp() override { CookieJar::shared().deleteAllCookies(); }
    void TearDown() override { CookieJar::shared().deleteAllCookies(); }
};

}  // namespace

TEST_F(CookieJarTest, CookiesSetByOneAnswerGoWithTheNextRequest) {
    TestHttpServer server;
    server.get("/login", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "session=abc123; Path=/");
        res.set_content("welcome", "text/plain");
    });
    server.text("/page", "page");

    ASSERT_TRUE(fetchSync(requestTo(server.url("/login"))).ok());
    ASSERT_TRUE(fetchSync(requestTo(server.url("/page"))).ok());
    auto seen = server.requestsFor("/page");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].header("Cookie"), "session=abc123");

    auto stored = CookieJar::shared().cookiesForUrl(urlOf(server.url("/page")));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].name, "session");
    EXPECT_EQ(stored[0].value, "abc123");
    EXPECT_EQ(stored[0].domain, "127.0.0.1");

    // A request that opts out neither sends nor stores cookies.
    UrlRequest optOut = requestTo(server.url("/page"));
    optOut.setHttpShouldHandleCookies(false);
    ASSERT_TRUE(fetchSync(optOut).ok());
    ASSERT_EQ(server.requestCount("/page"), 2u);
    EXPECT_FALSE(server.requestsFor("/page").back().hasHeader("Cookie"));

    CookieJar::shared().deleteAllCookies();
    ASSERT_TRUE(fetchSync(requestTo(server.url("/page"))).ok());
    ASSERT_EQ(server.requestCount("/page"), 3u);
    EXPECT_FALSE(server.requestsFor("/page").back().hasHeader("Cookie"));
}

TEST_F(CookieJarTest, CookieSetByARedirectReachesItsTarget) {
    TestHttpServer server;
    server.get("/sign-in", [](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Set-Cookie", "who=me; Path=/");
        res.set_header("Location", "/home");
    });
    server.get("/home", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.get_header_value("Cookie"), "text/plain");
    });
    auto result = fetchSync(requestTo(server.url("/sign-in")));
    ASSERT_TRUE(result.ok()) << result.errorText();
    EXPECT_EQ(result.bodyText(), "who=me");
}

TEST_F(CookieJarTest, SetMatchDeleteSaveAndLoad) {
    CookieJar& jar = CookieJar::shared();
    double later = static_cast<double>(std::time(nullptr) + 3600);
    HttpCookie site{"id", "1", "example.test", "/", true, false, false, later};
    HttpCookie secure{"token", "2", "example.test", "/api", false, true, true, 0};
    ASSERT_TRUE(jar.setCookie(site));
    ASSERT_TRUE(jar.setCookie(secure));
    EXPECT_FALSE(jar.setCookie(HttpCookie{"", "x", "example.test"}));
    EXPECT_FALSE(jar.setCookie(HttpCookie{"bad", "a\nb", "example.test"}));
    EXPECT_EQ(jar.allCookies().size(), 2u);

    EXPECT_EQ(jar.cookiesForUrl(urlOf("http://www.example.test/")).size(), 1u);   // subdomain
    EXPECT_EQ(jar.cookiesForUrl(urlOf("http://example.test/api/x")).size(), 1u);  // not secure
    EXPECT_EQ(jar.cookiesForUrl(urlOf("https://example.test/api/x")).size(), 2u);
    EXPECT_EQ(jar.cookiesForUrl(urlOf("https://example.test/apix")).size(), 1u);  // path boundary
    EXPECT_EQ(jar.cookiesForUrl(urlOf("http://other.test/")).size(), 0u);
    EXPECT_EQ(jar.cookiesForUrl(urlOf("garbage")).size(), 0u);

    std::string path = std::string(MOVU_BINARY_DIR) + "/cookie-jar-test.txt";
    ASSERT_TRUE(jar.save(path));
    struct stat saved {};
    ASSERT_EQ(::stat(path.c_str(), &saved), 0);
    EXPECT_EQ(saved.st_mode & 0777, 0600u);
    jar.deleteCookie("id", "example.test");
    ASSERT_EQ(jar.allCookies().size(), 1u);
    EXPECT_EQ(jar.allCookies()[0].name, "token");
    jar.deleteAllCookies();
    ASSERT_TRUE(jar.load(path));
    auto loaded = jar.allCookies();
    ASSERT_EQ(loaded.size(), 1u);  // the session cookie was not saved
    EXPECT_EQ(loaded[0], site);
    std::remove(path.c_str());
    EXPECT_FALSE(jar.load(path));
}

TEST_F(CookieJarTest, AFileWithAnExpiryBeyondEveryClockStillLoads) {
    CookieJar& jar = CookieJar::shared();
    jar.deleteAllCookies();
    std::string path = std::string(MOVU_BINARY_DIR) + "/cookie-jar-far-future.txt";
    std::ofstream(path) << "far.test\tFALSE\t/\tFALSE\t99999999999999999999\tlong\tlived\n";
    ASSERT_TRUE(jar.load(path));
    auto cookies = jar.allCookies();
    ASSERT_EQ(cookies.size(), 1u);
    EXPECT_EQ(cookies[0].value, "lived");
    EXPECT_GT(cookies[0].expires, 1e18);
    ASSERT_TRUE(jar.save(path));
    jar.deleteAllCookies();
    ASSERT_TRUE(jar.load(path));
    EXPECT_EQ(jar.allCookies().size(), 1u);
    std::remove(path.c_str());
    jar.deleteAllCookies();
}
