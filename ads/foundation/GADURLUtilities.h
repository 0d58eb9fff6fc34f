#pragma once

// URL functions of the SDK's requests, pings and page messages. Queries come from ad pages
// and servers, so reading them never fails hard: a piece that does not parse is left out.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Url.h"
#include "platform/base/Value.h"

namespace ads {

// The URL with one more query field per key, in the dictionary's (sorted) order: the key as
// it is and, when the value's description escaped for a query is not empty, "=" and that
// value. A tail from "&adurl=" on (case-sensitive) stays last, and a fragment stays after it.
// A URL ending in a bare "?" gets no second one. Nothing when the result is no URL (a key
// with a blank, say).
std::optional<platform::Url> gad_appendQueryParameters(const platform::Url& url,
                                                       const platform::Value::Dictionary& params);
// One field; an absent value counts as the empty text.
std::optional<platform::Url> gad_appendQueryValue(const platform::Url& url,
                                                  std::optional<std::string> value,
                                                  const std::string& key);

// The decoded values of the key, in query order. The query is cut at "&" only, a piece must
// be exactly one key "=" one value, and the key is compared as written. A value that does not
// decode as UTF-8 is left out. Nothing (not an empty list) when no value matched.
std::optional<std::vector<std::string>> gad_parameterValuesForKey(const platform::Url& url,
                                                                  std::string_view key);
std::optional<std::string> gad_parameterValueForKey(const platform::Url& url, std::string_view key);

// The page-message rule: cut at "&" and ";", each piece exactly one "=", both sides decoded
// as UTF-8 ("+" stays "+"), pieces that do not decode left out, a later key wins. With the
// flag the decoded keys are lower-cased.
platform::Value::Dictionary gad_dictionaryFromQueryParameters(std::string_view query,
                                                              bool convertKeysToLowercase);
platform::Value::Dictionary gad_dictionaryFromQueryParameters(const platform::Url& url,
                                                              bool convertKeysToLowercase);

// Path components 2 and 3 joined with "/" ("/x/ab/cd" gives "ab/cd"), when there are four
// components counting the leading "/".
std::optional<std::string> gad_impressionTicket(const platform::Url& url);
// The absolute text without "#" and the fragment.
std::string gad_absoluteStringWithoutFragmentComponent(const platform::Url& url);
// A URL without a host (scheme) is never equal.
bool gad_isHostEqualToString(const platform::Url& url, std::string_view host, bool caseSensitive);
bool gad_isSchemeEqualToString(const platform::Url& url, std::string_view scheme,
                               bool caseSensitive);
// The scheme is "http" or "https" in any case.
bool gad_isWebURL(const platform::Url& url);
// The scheme is "about", "data" or "blob" in any case: a document the engine makes without
// asking the network (an empty or srcdoc frame, the page's own data), which leads nowhere.
bool gad_isLocalDocumentURL(const platform::Url& url);
// The text as a web address (http or https, with a host); nothing otherwise. Addresses that
// pages and servers hand us are fetched or loaded only in this form, never as local files.
std::optional<platform::Url> gad_webURLFromString(std::string_view text);

}  // namespace ads
