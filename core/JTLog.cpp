#include "core/JTLog.h"

#include <cstdio>

namespace JTCore {

namespace {
JTLogSink& sink() {
    static JTLogSink s;
    return s;
}
}  // namespace

void SetJTLogSink(JTLogSink s) {
    sink() = std::move(s);
}

void JTLogLine(const std::string& line) {
    if (sink()) {
        sink()(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

}  // namespace JTCore
