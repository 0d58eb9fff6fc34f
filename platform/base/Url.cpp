#include "platform/base/Url.h"

#include "platform/base/PercentEncoding.h"

namespace platform {

namespace {

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHex(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Characters no valid URL string holds raw (RFC 3986): refused anywhere.
bool isIllegal(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return true;
    switch (c) {
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return true;
        default:
            return false;
    }
}

bool validScheme(std::string_view s) {
    if (s.empty() || !isAlpha(s[0])) return false;
    for (char c : s) {
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

bool hasBrackets(std::string_view s) {
    return s.find('[') != std::string_view::npos || s.find(']') != std::string_view::npos;
}

// RFC 3986 section 5.2.4.
std::string removeDotSegments(std::string_view input) {
    std::string in(input);
    std::string out;
    while (!in.empty()) {
        if (in.rfind("../", 0) == 0) {
            in.erase(0, 3);
        } else if (in.rfind("./", 0) == 0) {
            in.erase(0, 2);
        } else if (in.rfind("/./", 0) == 0) {
            in.erase(0, 2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.rfind("/../", 0) == 0 || in == "/..") {
            in = in.size() == 3 ? std::string("/") : in.substr(3);
            auto slash = out.rfind('/');
            out.erase(slash == std::string::npos ? 0 : slash);
        } else if (in == "." || in == "..") {
            in.clear();
        } else {
            std::size_t start = in[0] == '/' ? 1 : 0;
            std::size_t next = in.find('/', start);
            if (next == std::string::npos) next = in.size();
            out += in.substr(0, next);
            in.erase(0, next);
        }
    }
    return out;
}

}  // namespace

std::optional<Url> Url::fromText(std::string_view text) {
    // Character-level checks first: the whole string must be legal URL text.
    bool seenHash = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (isIllegal(c)) return std::nullopt;
        if (c == '%') {
            if (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2])) {
                return std::nullopt;
            }
        } else if (c == '#') {
            if (seenHash) return std::nullopt;
            seenHash = true;
        }
    }

    Url url;
    std::string_view rest = text;
    if (auto hash = rest.find('#'); hash != std::string_view::npos) {
        url.fragment_ = std::string(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
    }
    if (auto q = rest.find('?'); q != std::string_view::npos) {
        url.query_ = std::string(rest.substr(q + 1));
        rest = rest.substr(0, q);
    }
    if (auto colon = rest.find(':'); colon != std::string_view::npos) {
        std::string_view candidate = rest.substr(0, colon);
        if (candidate.find('/') == std::string_view::npos && validScheme(candidate)) {
            url.scheme_ = std::string(candidate);
            rest = rest.substr(colon + 1);
        }
    }
    if (rest.rfind("//", 0) == 0) {
        url.hasAuthority_ = true;
        rest = rest.substr(2);
        auto slash = rest.find('/');
        std::string_view authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
        url.authority_ = std::string(authority);

        std::string_view hostPort = authority;
        if (auto at = authority.rfind('@'); at != std::string_view::npos) {
            std::string_view userInfo = authority.substr(0, at);
            if (hasBrackets(userInfo)) return std::nullopt;
            url.userInfo_ = std::string(userInfo);
            hostPort = authority.substr(at + 1);
        }
        std::string_view portText;
        bool hasPort = false;
        if (!hostPort.empty() && hostPort[0] == '[') {
            auto close = hostPort.find(']');
            if (close == std::string_view::npos) return std::nullopt;
            std::string_view ip = hostPort.substr(1, close - 1);
            if (ip.find(':') == std::string_view::npos) return std::nullopt;
            for (char c : ip) {
                if (!isHex(c) && c != ':' && c != '.') return std::nullopt;
            }
            url.host_ = std::string(ip);
            std::string_view after = hostPort.substr(close + 1);
            if (!after.empty()) {
                if (after[0] != ':') return std::nullopt;
                hasPort = true;
                portText = after.substr(1);
            }
        } else {
            auto colon = hostPort.rfind(':');
            std::string_view host = hostPort.substr(0, colon);
            if (hasBrackets(host)) return std::nullopt;
            url.host_ = std::string(host);
            if (colon != std::string_view::npos) {
                hasPort = true;
                portText = hostPort.substr(colon + 1);
            }
        }
        if (hasPort && !portText.empty()) {
            if (portText.size() > 5) return std::nullopt;
            int port = 0;
            for (char c : portText) {
                if (!isDigit(c)) return std::nullopt;
                port = port * 10 + (c - '0');
            }
            if (port > 65535) return std::nullopt;
            url.port_ = port;
        }
    } else if (!url.scheme_.empty() && (rest.empty() || rest[0] != '/')) {
        url.opaque_ = true;
    }
    if (hasBrackets(rest)) return std::nullopt;
    if (url.query_ && hasBrackets(*url.query_)) return std::nullopt;
    if (url.fragment_ && hasBrackets(*url.fragment_)) return std::nullopt;
    url.path_ = std::string(rest);
    url.text_ = std::string(text);
    return url;
}

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty()) return std::nullopt;
    return fromText(text);
}

std::optional<Url> Url::parse(std::string_view text, const Url& base) {
    auto ref = fromText(text);
    if (!ref) return std::nullopt;
    if (ref->hasScheme()) {
        if (!ref->opaque_) ref->path_ = removeDotSegments(ref->path_);
        ref->guardPath();
        ref->recompose();
        return ref;
    }
    Url t;
    t.scheme_ = base.scheme_;
    t.opaque_ = false;
    if (ref->hasAuthority_) {
        t.hasAuthority_ = true;
        t.authority_ = ref->authority_;
        t.userInfo_ = ref->userInfo_;
        t.host_ = ref->host_;
        t.port_ = ref->port_;
        t.path_ = removeDotSegments(ref->path_);
        t.query_ = ref->query_;
    } else {
        t.hasAuthority_ = base.hasAuthority_;
        t.authority_ = base.authority_;
        t.userInfo_ = base.userInfo_;
        t.host_ = base.host_;
        t.port_ = base.port_;
        if (ref->path_.empty()) {
            t.path_ = base.path_;
            t.opaque_ = base.opaque_;
            t.query_ = ref->query_ ? ref->query_ : base.query_;
        } else {
            if (ref->path_[0] == '/') {
                t.path_ = removeDotSegments(ref->path_);
            } else {
                std::string merged;
                if (base.hasAuthority_ && base.path_.empty()) {
                    merged = std::string("/").append(ref->path_);
                } else {
                    auto slash = base.path_.rfind('/');
                    merged = (slash == std::string::npos ? std::string()
                                                         : base.path_.substr(0, slash + 1)) +
                             ref->path_;
                }
                t.path_ = removeDotSegments(merged);
            }
            t.query_ = ref->query_;
        }
    }
    t.fragment_ = ref->fragment_;
    t.guardPath();
    t.recompose();
    // A relative base can resolve to nothing at all, which no parse accepts either.
    if (t.text_.empty()) return std::nullopt;
    return t;
}

void Url::guardPath() {
    if (opaque_ || hasAuthority_) return;
    // Removing dot segments can leave "//host/..." or "evil:..." at the front; written out as
    // they are, the next reader would take them for an authority or a scheme and go elsewhere.
    if (path_.rfind("//", 0) == 0) {
        path_.insert(0, "/.");
    } else if (scheme_.empty() && path_.substr(0, path_.find('/')).find(':') != std::string::npos) {
        path_.insert(0, "./");
    }
}

void Url::recompose() {
    // Built with append(): GCC 12 warns falsely about literal + std::string here.
    std::string s;
    if (!scheme_.empty()) s.append(scheme_).append(":");
    if (hasAuthority_) s.append("//").append(authority_);
    s.append(path_);
    if (query_) s.append("?").append(*query_);
    if (fragment_) s.append("#").append(*fragment_);
    text_ = std::move(s);
}

Url Url::fileUrl(std::string_view path) {
    std::string text = "file://";
    if (path.empty() || path[0] != '/') text += '/';
    text += percentEncode(path, UrlCharacterSet::pathAllowed());
    return *fromText(text);
}

std::string Url::resourceSpecifier() const {
    if (scheme_.empty()) return text_;
    return text_.substr(scheme_.size() + 1);
}

std::optional<std::string> Url::user() const {
    if (!userInfo_) return std::nullopt;
    std::string_view info = *userInfo_;
    auto decoded = percentDecode(info.substr(0, info.find(':')));
    return decoded ? decoded : std::optional<std::string>(std::string());
}

std::optional<std::string> Url::password() const {
    if (!userInfo_) return std::nullopt;
    auto colon = userInfo_->find(':');
    if (colon == std::string::npos) return std::nullopt;
    auto decoded = percentDecode(std::string_view(*userInfo_).substr(colon + 1));
    return decoded ? decoded : std::optional<std::string>(std::string());
}

std::string Url::host() const {
    return percentDecode(host_).value_or(std::string());
}

std::string Url::path() const {
    if (opaque_) return {};
    auto decoded = percentDecode(path_);
    // A NUL would silently cut the path short in every file call it reaches.
    if (!decoded || decoded->find('\0') != std::string::npos) return {};
    if (decoded->size() > 1 && decoded->back() == '/') decoded->pop_back();
    return *decoded;
}

std::vector<std::string> Url::pathComponents() const {
    std::vector<std::string> out;
    if (opaque_ || path_.empty()) return out;
    if (path_[0] == '/') out.emplace_back("/");
    std::size_t i = 0;
    while (i <= path_.size()) {
        std::size_t next = path_.find('/', i);
        if (next == std::string::npos) next = path_.size();
        if (next > i) {
            auto part = percentDecode(std::string_view(path_).substr(i, next - i));
            if (!part || part->find('\0') != std::string::npos) return {};
            out.push_back(std::move(*part));
        }
        i = next + 1;
    }
    return out;
}

std::string Url::lastPathComponent() const {
    auto parts = pathComponents();
    return parts.empty() ? std::string() : parts.back();
}

std::string Url::pathExtension() const {
    std::string last = lastPathComponent();
    auto dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == last.size()) return {};
    return last.substr(dot + 1);
}

std::vector<std::pair<std::string, std::string>> Url::queryItems() const {
    std::vector<std::pair<std::string, std::string>> items;
    if (!query_ || query_->empty()) return items;
    std::string_view q = *query_;
    std::size_t i = 0;
    while (i <= q.size()) {
        std::size_t amp = q.find('&', i);
        if (amp == std::string_view::npos) amp = q.size();
        std::string_view pair = q.substr(i, amp - i);
        if (!pair.empty()) {
            auto eq = pair.find('=');
            auto name = percentDecode(pair.substr(0, eq));
            auto value = eq == std::string_view::npos ? std::optional<std::string>(std::string())
                                                      : percentDecode(pair.substr(eq + 1));
            if (name && value) items.emplace_back(std::move(*name), std::move(*value));
        }
        i = amp + 1;
    }
    return items;
}

std::optional<std::string> Url::queryValue(std::string_view name) const {
    for (auto& [k, v] : queryItems()) {
        if (k == name) return v;
    }
    return std::nullopt;
}

bool Url::isFileUrl() const {
    if (scheme_.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if ((scheme_[i] | 0x20) != "file"[i]) return false;
    }
    return true;
}

Url Url::appendingPathComponent(std::string_view component) const {
    Url u = *this;
    if (u.opaque_) return u;
    std::string encoded = percentEncode(component, UrlCharacterSet::pathAllowed().without("/"));
    if (u.path_.empty() || u.path_.back() != '/') u.path_ += '/';
    u.path_ += encoded;
    u.query_.reset();
    u.fragment_.reset();
    u.recompose();
    return u;
}

Url Url::withoutFragment() const {
    Url u = *this;
    if (!u.fragment_) return u;
    u.fragment_.reset();
    u.recompose();
    return u;
}

}  // namespace platform
