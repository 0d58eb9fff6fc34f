#include "ads/foundation/GADRequestError.h"

#include <gtest/gtest.h>

#include "ads/foundation/GADInternalError.h"

namespace ads {
namespace {

using platform::Error;
using platform::Value;

std::string text(const Error& e) {
    return e.userInfo[Error::kLocalizedDescriptionKey].asString();
}

TEST(GADRequestErrorTest, EveryCodeHasItsText) {
    const char* texts[] = {
        "Request Error: Invalid ad request parameter(s). Check the Xcode console for details.",
        "Request Error: No ad to show.",
        "Request Error: A network error occurred.",
        "Request Error: Server error processing the request.",
        "Request Error: This device's OS is 8.4.0. It is below the minimum of 6.0.",
        "Request Error: The Zivivu Ad request was unable to be fulfilled before a timeout "
        "occurred.",
        "Request Error: Will not send request because interstitial object has been used.",
        "Request Error: The mediation response was invalid.",
        "Request Error: Cannot find an ad network adapter for mediation.",
        "Request Error: No ad to show from all configured ad networks.",
        "Request Error: Incompatible ad type requested.",
        "Request Error: Internal error.",
        "Request Error: Invalid argument.",
        "Request Error: Received invalid response.",
    };
    for (int code = 0; code <= 13; ++code) {
        const auto error = GADRequestError::errorWithCode(code);
        EXPECT_EQ(error.domain, "com.zivivu.ads");
        EXPECT_EQ(error.code, code);
        EXPECT_EQ(text(error), texts[code]) << code;
        EXPECT_EQ(error.userInfo[Error::kLocalizedFailureReasonKey].asString(), texts[code]);
        EXPECT_EQ(error.userInfo.size(), 2u) << code;
        EXPECT_EQ(error.localizedDescription(), texts[code]);
    }
    EXPECT_EQ(GADRequestError::errorWithCode(kGADErrorTimeout).code, 5);
}

TEST(GADRequestErrorTest, RequestParametersOnlyForInvalidRequests) {
    const Value params = Value::dictionary({{"format", "320x50"}, {"ms", "abc"}});
    const auto invalid = GADRequestError::errorWithCodeRequestParameters(0, params);
    EXPECT_EQ(invalid.userInfo["format"], Value("320x50"));
    EXPECT_EQ(invalid.userInfo["ms"], Value("abc"));
    EXPECT_EQ(invalid.userInfo.size(), 4u);
    // An unknown code reads like code 0 but carries no parameters.
    const auto unknown = GADRequestError::errorWithCodeRequestParameters(42, params);
    EXPECT_EQ(text(unknown), text(invalid));
    EXPECT_EQ(unknown.userInfo.size(), 2u);
    EXPECT_EQ(
        GADRequestError::errorWithCodeRequestParameters(0, Value::dictionary()).userInfo.size(),
        2u);
    // A parameter never replaces the error's text.
    const auto clash = GADRequestError::errorWithCodeRequestParameters(
        0, Value::dictionary({{Error::kLocalizedDescriptionKey, "forged"}}));
    EXPECT_EQ(text(clash), text(invalid));
}

TEST(GADRequestErrorTest, HttpStatusCustomTextAndCauses) {
    const auto server = GADRequestError::errorWithCodeRequestParameters(2, Value(), 503);
    EXPECT_EQ(server.userInfo[GADRequestError::kHttpStatusKey],
              Value("HTTP status 503: service unavailable"));
    EXPECT_FALSE(GADRequestError::errorWithCodeRequestParameters(2, Value(), 0)
                     .userInfo.contains(GADRequestError::kHttpStatusKey));
    EXPECT_FALSE(GADRequestError::errorWithCodeRequestParameters(2, Value(), -1)
                     .userInfo.contains(GADRequestError::kHttpStatusKey));

    const auto custom = GADRequestError::errorWithCode(1, std::string("No ads today."));
    EXPECT_EQ(text(custom), "No ads today.");
    EXPECT_EQ(custom.userInfo[Error::kLocalizedFailureReasonKey], Value("No ads today."));

    const Error cause = Error::make("d", 7, "x");
    const auto wrapped = GADRequestError::errorWithCode(2, cause);
    EXPECT_EQ(text(wrapped), "x");
    ASSERT_TRUE(wrapped.underlying);
    EXPECT_TRUE(wrapped.underlying->is("d", 7));

    const auto foreign = GADRequestError::fromError(Error("d", 5));
    EXPECT_TRUE(foreign.is("com.zivivu.ads", 11));
    EXPECT_EQ(text(foreign), "Request Error: Internal error.");
    ASSERT_TRUE(foreign.underlying);
    EXPECT_TRUE(foreign.underlying->is("d", 5));

    const Error plain = wrapped.error();
    EXPECT_TRUE(plain.is("com.zivivu.ads", 2));
    EXPECT_EQ(plain.userInfo, wrapped.userInfo);
    EXPECT_TRUE(plain.underlying);
}

TEST(GADRequestErrorTest, PrivateErrors) {
    EXPECT_EQ(gad_localizedDescriptionForErrorCode(1), "File could not be read.");
    EXPECT_EQ(gad_localizedDescriptionForErrorCode(2), "Internal error.");
    EXPECT_EQ(gad_localizedDescriptionForErrorCode(3), "Invalid argument.");
    EXPECT_FALSE(gad_localizedDescriptionForErrorCode(0));
    EXPECT_FALSE(gad_localizedDescriptionForErrorCode(4));

    const Error bare = gad_errorWithCode(9, std::nullopt);
    EXPECT_TRUE(bare.is("com.zivivu.ads.private", 9));
    EXPECT_EQ(bare.userInfo.size(), 0u);
    const Error described = gad_errorWithDomain("elsewhere", 3, "why");
    EXPECT_EQ(described.userInfo[Error::kLocalizedDescriptionKey], Value("why"));
    EXPECT_EQ(described.userInfo[Error::kLocalizedFailureReasonKey], Value("why"));
    EXPECT_EQ(gad_errorWithCode(GADInternalErrorCode::FileCouldNotBeRead).localizedDescription(),
              "File could not be read.");
}

}  // namespace
}  // namespace ads
