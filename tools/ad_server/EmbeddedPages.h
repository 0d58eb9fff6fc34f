#pragma once

// The pages of page/, built into the library so the server and the program serve them from
// anywhere. The build turns each file into bytes (embed_pages.cmake).

#include <string_view>

namespace tools::adserver {

std::string_view corePageHtml();
std::string_view nativePageHtml();
// page/mraid/: our MRAID script and the pictures its creatives store.
std::string_view mraidScript();
std::string_view mraidPng();
std::string_view mraidJpeg();
std::string_view mraidOversizedPng();

}  // namespace tools::adserver
