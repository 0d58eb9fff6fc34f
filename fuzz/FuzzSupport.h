#pragma once

// Helpers the fuzz targets share: an in-memory file for parsers that only take a path, a
// deep comparison that forgives what a round trip may legitimately change, and a check that
// stops the run with a message libFuzzer keeps beside the crashing input.

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/base/Value.h"

namespace fuzz {

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

inline std::string_view bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A file that lives in memory only: no disk traffic per input, and nothing left behind when
// the fuzzer is stopped.
class MemoryFile {
  public:
    explicit MemoryFile(std::string_view content) {
        fd_ = ::memfd_create("fuzz-input", MFD_CLOEXEC);
        if (fd_ < 0) std::abort();
        std::size_t written = 0;
        while (written < content.size()) {
            ssize_t n = ::write(fd_, content.data() + written, content.size() - written);
            if (n <= 0) std::abort();
            written += static_cast<std::size_t>(n);
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    int fd_ = -1;
    std::string path_;
};

// Equal up to what storing may change: NaN equals NaN, and dates (stored relative to another
// epoch) may move by rounding.
inline bool sameValue(const platform::Value& a, const platform::Value& b) {
    using Type = platform::Value::Type;
    if (a.type() != b.type()) return false;
    switch (a.type()) {
        case Type::Real: {
            double x = a.doubleValue(), y = b.doubleValue();
            return x == y || (std::isnan(x) && std::isnan(y));
        }
        case Type::Date: {
            double x = a.asDate().secondsSince1970, y = b.asDate().secondsSince1970;
            if (x == y || (std::isnan(x) && std::isnan(y))) return true;
            return std::fabs(x - y) <= 1e-6 * std::max(1.0, std::fabs(x));
        }
        case Type::Array: {
            const auto &x = a.asArray(), &y = b.asArray();
            if (x.size() != y.size()) return false;
            for (std::size_t i = 0; i < x.size(); ++i) {
                if (!sameValue(x[i], y[i])) return false;
            }
            return true;
        }
        case Type::Dictionary: {
            const auto &x = a.asDictionary(), &y = b.asDictionary();
            if (x.size() != y.size()) return false;
            for (auto i = x.begin(), j = y.begin(); i != x.end(); ++i, ++j) {
                if (i->first != j->first || !sameValue(i->second, j->second)) return false;
            }
            return true;
        }
        default:
            return a == b;
    }
}

}  // namespace fuzz
