#include "ads/foundation/GADURLUtilities.h"

#include <algorithm>

#include "ads/foundation/GADStringAdditions.h"
#include "platform/base/PercentEncoding.h"

namespace ads {

using platform::Url;
using platform::Value;

namespace {

std::vector<std::string_view> split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || separators.find(text[i]) != std::string_view::npos) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return pieces;
}

// Key and value of a piece that holds exactly one "=".
std::optional<std::pair<std::string_view, std::string_view>> pair(std::string_view piece) {
    const std::size_t eq = piece.find('=');
    if (eq == std::string_view::npos || piece.find('=', eq + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    return std::pair{piece.substr(0, eq), piece.substr(eq + 1)};
}

}  // namespace

std::optional<Url> gad_appendQueryParameters(const Url& url, const Value::Dictionary& params) {
    std::string text = url.absoluteString();
    std::string fragment;
    if (const std::size_t hash = text.find('#'); hash != std::string::npos) {
        fragment = text.substr(hash);
        text.resize(hash);
    }
    const std::size_t query = text.find('?');
    std::string tail;
    // The tail is looked for in the query only: a path may hold the same text, and cutting
    // there would move part of the path behind the new parameters.
    if (const std::size_t cut = query == std::string::npos ? query : text.find("&adurl=", query);
        cut != std::string::npos) {
        tail = text.substr(cut);
        text.resize(cut);
    }
    // What is left decides: no query yet starts one, a bare "?" at its end already has.
    std::string_view separator = query == std::string::npos ? "?"
                                 : query + 1 == text.size() ? ""
                                                            : "&";
    for (const auto& [key, value] : params) {
        text += separator;
        separator = "&";
        text += key;
        const std::string escaped = gad_stringByEscapingAsURLParameter(value.description());
        if (!escaped.empty()) {
            text += '=';
            text += escaped;
        }
    }
    text += tail;
    text += fragment;
    return Url::parse(text);
}

std::optional<Url> gad_appendQueryValue(const Url& url, std::optional<std::string> value,
                                        const std::string& key) {
    Value::Dictionary params;
    params.emplace(key, Value(value.value_or(std::string())));
    return gad_appendQueryParameters(url, params);
}

std::optional<std::vector<std::string>> gad_parameterValuesForKey(const Url& url,
                                                                  std::string_view key) {
    if (!url.query()) return std::nullopt;
    std::vector<std::string> values;
    for (std::string_view piece : split(*url.query(), "&")) {
        auto kv = pair(piece);
        if (!kv || kv->first != key) continue;
        if (auto decoded = platform::percentDecode(kv->second)) values.push_back(*decoded);
    }
    if (values.empty()) return std::nullopt;
    return values;
}

std::optional<std::string> gad_parameterValueForKey(const Url& url, std::string_view key) {
    auto values = gad_parameterValuesForKey(url, key);
    if (!values) return std::nullopt;
    return values->front();
}

Value::Dictionary gad_dictionaryFromQueryParameters(std::string_view query,
                                                    bool convertKeysToLowercase) {
    Value::Dictionary result;
    for (std::string_view piece : split(query, "&;")) {
        auto kv = pair(piece);
        if (!kv) continue;
        auto key = platform::percentDecode(kv->first);
        auto value = platform::percentDecode(kv->second);
        if (!key || !value) continue;
        result[convertKeysToLowercase ? gad_asciiLowercased(*key) : *key] = Value(*value);
    }
    return result;
}

Value::Dictionary gad_dictionaryFromQueryParameters(const Url& url, bool convertKeysToLowercase) {
    if (!url.query()) return {};
    return gad_dictionaryFromQueryParameters(*url.query(), convertKeysToLowercase);
}

std::optional<std::string> gad_impressionTicket(const Url& url) {
    const auto components = url.pathComponents();
    if (components.size() < 4) return std::nullopt;
    return components[2] + "/" + components[3];
}

std::string gad_absoluteStringWithoutFragmentComponent(const Url& url) {
    const std::string& text = url.absoluteString();
    if (!url.fragment()) return text;
    const std::size_t cut = url.fragment()->size() + 1;
    return cut <= text.size() ? text.substr(0, text.size() - cut) : text;
}

bool gad_isHostEqualToString(const Url& url, std::string_view host, bool caseSensitive) {
    const std::string own = url.host();
    if (own.empty()) return false;
    if (caseSensitive) return own == host;
    return gad_asciiLowercased(own) == gad_asciiLowercased(std::string(host));
}

bool gad_isSchemeEqualToString(const Url& url, std::string_view scheme, bool caseSensitive) {
    if (!url.hasScheme()) return false;
    if (caseSensitive) return url.scheme() == scheme;
    return gad_asciiLowercased(url.scheme()) == gad_asciiLowercased(std::string(scheme));
}

bool gad_isWebURL(const Url& url) {
    const std::string scheme = gad_asciiLowercased(url.scheme());
    return scheme == "http" || scheme == "https";
}

bool gad_isLocalDocumentURL(const Url& url) {
    const std::string scheme = gad_asciiLowercased(url.scheme());
    return scheme == "about" || scheme == "data" || scheme == "blob";
}

std::optional<Url> gad_webURLFromString(std::string_view text) {
    auto url = Url::parse(text);
    if (!url || url->host().empty() || !gad_isWebURL(*url)) return std::nullopt;
    return url;
}

}  // namespace ads
