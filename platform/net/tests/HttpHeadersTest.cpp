#include "platform/net/HttpHeaders.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/net/HttpStatus.h"
#include "platform/net/UrlRequest.h"
#include "platform/net/UrlResponse.h"

using platform::HttpHeaders;

TEST(HttpHeaders, LooksUpWithoutCaseAndKeepsTheGivenSpelling) {
    HttpHeaders headers;
    headers.set("Content-Type", "text/plain");
    headers.set("content-type", "text/html");  // replaces, keeps the first spelling
    headers.add("Set-Cookie", "a=1");
    headers.add("SET-COOKIE", "b=2");  // a repeated field folds into one value
    EXPECT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers.fields()[0].first, "Content-Type");
    EXPECT_EQ(headers.value("CONTENT-TYPE"), "text/html");
    EXPECT_EQ(headers.get("set-cookie"), "a=1, b=2");
    EXPECT_FALSE(headers.get("Missing").has_value());
    EXPECT_EQ(headers.value("Missing", "fallback"), "fallback");
    EXPECT_TRUE(headers.remove("SET-cookie"));
    EXPECT_FALSE(headers.contains("Set-Cookie"));
    headers.set("", "ignored");
    EXPECT_EQ(headers.size(), 1u);

    platform::Value dictionary = headers.toValue();
    EXPECT_EQ(dictionary["Content-Type"].asString(), "text/html");
    auto back = HttpHeaders::fromValue(
        platform::Value::dictionary({{"X-A", "1"}, {"X-Number", 5}, {"X-B", "2"}}));
    EXPECT_EQ(back.size(), 2u);  // the number is not a header value
    EXPECT_EQ(back.value("x-b"), "2");
}

TEST(UrlRequest, DefaultsAndHeaderEditing) {
    auto request = *platform::UrlRequest::withString("http://127.0.0.1/x");
    EXPECT_EQ(request.httpMethod(), "GET");
    EXPECT_EQ(request.timeoutInterval(), 60.0);
    EXPECT_TRUE(request.httpShouldHandleCookies());
    EXPECT_EQ(request.cachePolicy(), platform::UrlRequestCachePolicy::UseProtocolCachePolicy);

    request.setHttpMethod("");
    EXPECT_EQ(request.httpMethod(), "GET");
    request.setValueForHttpHeaderField("abc", "X-Token");
    EXPECT_EQ(request.valueForHttpHeaderField("x-token"), "abc");
    request.setValueForHttpHeaderField("", "X-TOKEN");
    EXPECT_FALSE(request.allHttpHeaderFields().contains("X-Token"));
    request.setUserAgent("Agent/1");
    EXPECT_EQ(request.valueForHttpHeaderField("user-agent"), "Agent/1");
    request.setTimeoutInterval(0);
    EXPECT_EQ(request.effectiveTimeout(), 60.0);
    request.setTimeoutInterval(std::nan(""));
    EXPECT_EQ(request.effectiveTimeout(), 60.0);
    request.setTimeoutInterval(HUGE_VAL);
    EXPECT_EQ(request.effectiveTimeout(), platform::UrlRequest::kMaxTimeoutInterval);
    request.setTimeoutInterval(600);
    EXPECT_EQ(request.effectiveTimeout(), 600.0);
}

TEST(UrlResponse, DerivesLengthAndContentType) {
    platform::UrlResponse response;
    response.headers = {{"Content-Length", " 42 "},
                        {"Content-Type", "Text/HTML; Charset=\"UTF-8\""}};
    response.deriveFromHeaders();
    EXPECT_EQ(response.expectedContentLength, 42);
    EXPECT_EQ(response.mimeType, "text/html");
    EXPECT_EQ(response.textEncodingName, "utf-8");

    response.headers = {{"Content-Length", "12abc"}};
    response.deriveFromHeaders();
    EXPECT_EQ(response.expectedContentLength, -1);
    response.headers = {{"Content-Length", "-5"}};
    response.deriveFromHeaders();
    EXPECT_EQ(response.expectedContentLength, -1);
    EXPECT_EQ(response.mimeType, "");

    response.statusCode = 302;
    EXPECT_FALSE(response.isRedirect());  // no Location
    response.headers.set("Location", "/next");
    EXPECT_TRUE(response.isRedirect());
    response.statusCode = 304;
    EXPECT_FALSE(response.isRedirect());
}

TEST(HttpStatus, ReasonPhrasesForKnownAndUnknownCodes) {
    EXPECT_EQ(platform::localizedStringForStatusCode(200), "no error");
    EXPECT_EQ(platform::localizedStringForStatusCode(404), "not found");
    EXPECT_EQ(platform::localizedStringForStatusCode(500), "internal server error");
    EXPECT_EQ(platform::localizedStringForStatusCode(299), "success");
    EXPECT_EQ(platform::localizedStringForStatusCode(308), "redirected");
    EXPECT_EQ(platform::localizedStringForStatusCode(429), "client error");
    EXPECT_EQ(platform::localizedStringForStatusCode(599), "server error");
    EXPECT_EQ(platform::localizedStringForStatusCode(150), "informational");
    EXPECT_EQ(platform::localizedStringForStatusCode(-3), "server error");
}

TEST(UrlResponse, SuggestedFilenameFromTheDispositionThenTheURL) {
    const auto named = [](const char* url, const char* disposition) {
        platform::UrlResponse response;
        response.url = *platform::Url::parse(url);
        if (disposition) response.headers.set("Content-Disposition", disposition);
        return response.suggestedFilename();
    };
    // The URL's last path component, decoded, when the server names nothing.
    EXPECT_EQ(named("http://h.test/media/clip%20one.mp4?x=1", nullptr), "clip one.mp4");
    EXPECT_EQ(named("http://h.test/", nullptr), "Unknown");
    EXPECT_EQ(named("http://h.test", nullptr), "Unknown");
    EXPECT_EQ(named("http://h.test/a/", "inline"), "a");
    // Plain and quoted names, with escapes, whatever the parameters' case and order.
    EXPECT_EQ(named("http://h.test/x", "attachment; filename=movie.mp4"), "movie.mp4");
    EXPECT_EQ(named("http://h.test/x", "attachment; size=3; FileName=\"my \\\"best\\\".mp4\""),
              "my \"best\".mp4");
    EXPECT_EQ(named("http://h.test/x", "attachment;filename=\"a;b.mp4\";x=1"), "a;b.mp4");
    // The extended form wins, in UTF-8 or Latin-1; a charset we cannot read is passed over.
    EXPECT_EQ(named("http://h.test/x",
                    "attachment; filename=plain.mp4; filename*=UTF-8''%E2%82%AC%20rates.mp4"),
              "\xE2\x82\xAC rates.mp4");
    EXPECT_EQ(named("http://h.test/x", "attachment; filename*=iso-8859-1'en'caf%E9.mp4"),
              "caf\xC3\xA9.mp4");
    EXPECT_EQ(named("http://h.test/x", "attachment; filename*=koi8-r''%C1.mp4; filename=b.mp4"),
              "b.mp4");
    EXPECT_EQ(named("http://h.test/x", "attachment; filename*=UTF-8''%FF.mp4"), "x");
    // What the server sends is passed on as it is: making it safe is the caller's.
    EXPECT_EQ(named("http://h.test/x", "attachment; filename=\"../../etc/passwd\""),
              "../../etc/passwd");
    // Broken headers fall back to the URL.
    for (const char* broken : {"attachment; filename=", "attachment; filename", ";;;=", "=",
                               "attachment; filename=\"", "attachment; filename*=''"}) {
        EXPECT_EQ(named("http://h.test/fallback.bin", broken), "fallback.bin") << broken;
    }
}
