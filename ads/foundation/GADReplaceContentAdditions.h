#pragma once

// URL templates of mediation pings and purchase reports: a placeholder is a keyword between
// two at signs ("@gw_qdata@") and a literal at sign is written doubled ("@@"). A run of
// doubled at signs before or after a placeholder is kept, and an at sign that belongs to such
// a pair never counts as a delimiter, so "@@gw_qdata@@" is the literal text "@gw_qdata@".

#include <string>
#include <string_view>

namespace ads {

// Every "@" doubled.
std::string gad_escapeAts(std::string_view text);
// Every "@@" made one "@", from left to right.
std::string gad_unescapeAts(std::string_view text);

// Replaces, in place and everywhere, each placeholder of the keyword with the value, taken
// literally ("$1" stays "$1"). The keyword is literal text; an empty keyword or one holding
// an at sign matches nothing. Answers the number of placeholders replaced.
std::size_t gad_replaceAtQuotedKeyword(std::string& text, std::string_view keyword,
                                       std::string_view value);
// Removes every placeholder left (any keyword of one or more characters other than "@").
std::size_t gad_removeAtQuotedKeywords(std::string& text);

}  // namespace ads
