#pragma once

#include <cstdint>

namespace app {

// A score as the web service takes it: points and the time it was made.
struct WebScore {
    int32_t score = 0;
    double dateSeconds = 0;  // since 1970
};

}  // namespace app
