#pragma once

// The pages of page/, built into the library so the server and the program serve them from
// anywhere. The build turns each file into bytes (embed_pages.cmake).

#include <string_view>

namespace tools::adserver {

std::string_view corePageHtml();
std::string_view nativePageHtml();

}  // namespace tools::adserver
