#include "platform/net/HttpRedirect.h"

#include <gtest/gtest.h>

#include "NetTestSupport.h"

using nettest::requestTo;
using platform::redirectRequestFor;
using platform::UrlResponse;

namespace {

UrlResponse redirectTo(const std::string& location, long status = 302) {
    UrlResponse response;
    response.statusCode = status;
    response.headers.set("Location", location);
    return response;
}

}  // namespace

TEST(HttpRedirect, ResolvesLocationsAgainstThePreviousUrl) {
    auto previous = requestTo("http://a.test/dir/page?q=1");
    auto next = [&](const std::string& location) {
        auto request = redirectRequestFor(previous, redirectTo(location));
        return request ? request->url().absoluteString() : std::string("none");
    };
    EXPECT_EQ(next("other"), "http://a.test/dir/other");
    EXPECT_EQ(next("/root"), "http://a.test/root");
    EXPECT_EQ(next("//b.test/x"), "http://b.test/x");
    EXPECT_EQ(next("https://c.test/"), "https://c.test/");
    // A raw space, as some servers send, is escaped rather than refused.
    EXPECT_EQ(next("/with space"), "http://a.test/with%20space");
    // Other schemes are handed on so the delegate can see where it wanted to go.
    EXPECT_EQ(next("itms-apps://store/app"), "itms-apps://store/app");

    EXPECT_FALSE(redirectRequestFor(previous, redirectTo("/x", 304)));
    EXPECT_FALSE(redirectRequestFor(previous, redirectTo("/x", 300)));
    UrlResponse noLocation;
    noLocation.statusCode = 301;
    EXPECT_FALSE(redirectRequestFor(previous, noLocation));
}

TEST(HttpRedirect, KeepsOrDropsMethodBodyAndCredentials) {
    auto post = requestTo("http://a.test/form");
    post.setHttpMethod("POST");
    post.setHttpBody(std::string_view("x=1"));
    post.setValueForHttpHeaderField("application/x-www-form-urlencoded", "Content-Type");
    post.setValueForHttpHeaderField("Bearer t", "Authorization");

    auto seeOther = redirectRequestFor(post, redirectTo("/done", 303));
    ASSERT_TRUE(seeOther);
    EXPECT_EQ(seeOther->httpMethod(), "GET");
    EXPECT_TRUE(seeOther->httpBody().empty());
    EXPECT_FALSE(seeOther->allHttpHeaderFields().contains("Content-Type"));
    EXPECT_EQ(seeOther->valueForHttpHeaderField("Authorization"), "Bearer t");

    auto temporary = redirectRequestFor(post, redirectTo("/again", 307));
    ASSERT_TRUE(temporary);
    EXPECT_EQ(temporary->httpMethod(), "POST");
    EXPECT_EQ(temporary->httpBody().size(), 3u);

    auto elsewhere = redirectRequestFor(post, redirectTo("http://evil.test/", 308));
    ASSERT_TRUE(elsewhere);
    EXPECT_EQ(elsewhere->httpMethod(), "POST");
    EXPECT_FALSE(elsewhere->allHttpHeaderFields().contains("Authorization"));

    auto secure = requestTo("https://a.test/account");
    secure.setValueForHttpHeaderField("Bearer t", "Authorization");
    secure.setValueForHttpHeaderField("sid=1", "Cookie");
    auto sameSite = redirectRequestFor(secure, redirectTo("/next", 302));
    ASSERT_TRUE(sameSite);
    EXPECT_EQ(sameSite->valueForHttpHeaderField("Authorization"), "Bearer t");
    EXPECT_EQ(sameSite->valueForHttpHeaderField("Cookie"), "sid=1");
    for (const char* away : {"http://a.test/next", "https://b.test/next"}) {
        auto moved = redirectRequestFor(secure, redirectTo(away, 302));
        ASSERT_TRUE(moved) << away;
        EXPECT_FALSE(moved->allHttpHeaderFields().contains("Authorization")) << away;
        EXPECT_FALSE(moved->allHttpHeaderFields().contains("Cookie")) << away;
    }

    auto head = requestTo("http://a.test/h");
    head.setHttpMethod("HEAD");
    EXPECT_EQ(redirectRequestFor(head, redirectTo("/h2", 303))->httpMethod(), "HEAD");
}
