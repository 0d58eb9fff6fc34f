#include "ads/foundation/GADReplaceContentAdditions.h"

#include <optional>

namespace ads {

std::string gad_escapeAts(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '@') out += '@';
    }
    return out;
}

std::string gad_unescapeAts(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '@' && i + 1 < text.size() && text[i + 1] == '@') ++i;
    }
    return out;
}

namespace {

// Where a keyword starting at `pos` ends, or nothing when none starts there.
using KeywordMatcher = std::optional<std::size_t> (*)(std::string_view text, std::size_t pos,
                                                      std::string_view keyword);

std::optional<std::size_t> literalKeyword(std::string_view text, std::size_t pos,
                                          std::string_view keyword) {
    if (text.substr(pos, keyword.size()) != keyword) return std::nullopt;
    return pos + keyword.size();
}

std::optional<std::size_t> anyKeyword(std::string_view text, std::size_t pos, std::string_view) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '@') ++end;
    if (end == pos) return std::nullopt;
    return end;
}

std::size_t runOfAts(std::string_view text, std::size_t pos) {
    std::size_t n = 0;
    while (pos + n < text.size() && text[pos + n] == '@') ++n;
    return n;
}

// One placeholder at `start`: an even run of at signs kept as they are, the opening "@", the
// keyword (whose last character is no "@"), an even run kept, the closing "@". A placeholder
// never starts right after an at sign. Keywords never start with "@", so the opening run must
// be odd and the keyword follows all of it; the closing run takes as many pairs as fit before
// its last "@".
struct Match {
    std::size_t end;
    std::size_t leadingPairs;
    std::size_t trailingPairs;
};

std::optional<Match> matchAt(std::string_view text, std::size_t start, std::string_view keyword,
                             KeywordMatcher matcher) {
    if (start > 0 && text[start - 1] == '@') return std::nullopt;
    const std::size_t leading = runOfAts(text, start);
    if (leading % 2 == 0) return std::nullopt;
    const std::size_t keywordStart = start + leading;
    auto keywordEnd = matcher(text, keywordStart, keyword);
    if (!keywordEnd || *keywordEnd == keywordStart || text[*keywordEnd - 1] == '@') {
        return std::nullopt;
    }
    const std::size_t trailing = runOfAts(text, *keywordEnd);
    if (trailing == 0) return std::nullopt;
    const std::size_t pairs = (trailing - 1) / 2;
    return Match{*keywordEnd + 2 * pairs + 1, leading / 2, pairs};
}

std::size_t replaceAll(std::string& text, std::string_view keyword, std::string_view value,
                       KeywordMatcher matcher) {
    // Every match is found in the text as it was: a replacement never creates or hides one.
    const std::string original = text;
    std::string out;
    std::size_t count = 0;
    std::size_t copied = 0;
    std::size_t pos = 0;
    while (pos < original.size()) {
        auto match = matchAt(original, pos, keyword, matcher);
        if (!match) {
            ++pos;
            continue;
        }
        out.append(original, copied, pos - copied);
        out.append(2 * match->leadingPairs, '@');
        out.append(value);
        out.append(2 * match->trailingPairs, '@');
        copied = pos = match->end;
        ++count;
    }
    if (count == 0) return 0;
    out.append(original, copied, std::string::npos);
    text = std::move(out);
    return count;
}

}  // namespace

std::size_t gad_replaceAtQuotedKeyword(std::string& text, std::string_view keyword,
                                       std::string_view value) {
    if (keyword.empty() || keyword.find('@') != std::string_view::npos) return 0;
    return replaceAll(text, keyword, value, literalKeyword);
}

std::size_t gad_removeAtQuotedKeywords(std::string& text) {
    return replaceAll(text, {}, {}, anyKeyword);
}

}  // namespace ads
