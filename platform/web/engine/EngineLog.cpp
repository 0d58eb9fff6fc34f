#include "platform/web/engine/EngineLog.h"

#include <glib.h>

#include <cstring>
#include <string>

#include "platform/base/LogSink.h"
#include "platform/base/StringEscaping.h"

namespace platform::web {

namespace {

const char* levelName(GLogLevelFlags level) {
    switch (level & G_LOG_LEVEL_MASK) {
        case G_LOG_LEVEL_ERROR:
            return "error";
        case G_LOG_LEVEL_CRITICAL:
            return "critical";
        case G_LOG_LEVEL_WARNING:
            return "warning";
        case G_LOG_LEVEL_MESSAGE:
            return "message";
        case G_LOG_LEVEL_INFO:
            return "info";
        default:
            return "debug";
    }
}

std::string_view fieldText(const GLogField& field) {
    const auto* text = static_cast<const char*>(field.value);
    if (!text) return {};
    return field.length < 0 ? std::string_view(text)
                            : std::string_view(text, std::size_t(field.length));
}

// Set once, before the writer may run on any other thread.
bool typeErrorsAreFatal = false;

// GObject's own warnings of a type check that failed all start so ("invalid cast from ...",
// "invalid unclassed pointer in cast to ...", "invalid uninstantiatable type ...").
bool isTypeError(std::string_view domain, std::string_view message) {
    return domain == "GLib-GObject" && message.rfind("invalid ", 0) == 0;
}

GLogWriterOutput writeToLog(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer) {
    std::string_view domain, message;
    for (gsize i = 0; i < count; ++i) {
        if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0) domain = fieldText(fields[i]);
        if (std::strcmp(fields[i].key, "MESSAGE") == 0) message = fieldText(fields[i]);
    }
    const bool endsTheProcess = typeErrorsAreFatal && isTypeError(domain, message);
    // A message that ends the process (errors, and whatever the process made fatal) is written
    // whatever the budget says: it is the last word.
    const bool fault = endsTheProcess ||
                       (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_FATAL)) != 0;
    if (!fault && (level & (G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG)) != 0 &&
        g_log_writer_default_would_drop(level,
                                        domain.empty() ? nullptr : std::string(domain).c_str())) {
        return G_LOG_WRITER_HANDLED;
    }
    auto line = [&] {
        return std::string("GLib ") + levelName(level) + " (" +
               (domain.empty() ? std::string("no domain") : logValue(domain)) +
               "): " + logValue(message, kLogTextMaxBytes);
    };
    if (fault) {
        LogSink::write(line());
        // Where it was raised, as GLib ends the process for a fatal message.
        if (endsTheProcess) g_abort();
    } else {
        engineLog().writeWith(line, engineLogNow());
    }
    return G_LOG_WRITER_HANDLED;
}

}  // namespace

LogBudget& engineLog() {
    // Never destroyed: libraries log from their own threads while the process exits.
    static auto* budget = new LogBudget(
        kEngineLogLines,
        "WebView: the web engine has written as many log lines as it may this minute; the "
        "rest of them are dropped.",
        kEngineLogPeriodSeconds);
    return *budget;
}

double engineLogNow() {
    return double(g_get_monotonic_time()) / 1e6;
}

void makeTypeErrorsFatal() {
    typeErrorsAreFatal = true;
}

void installGLibLogWriter() {
    static const bool installed = [] {
        g_log_set_writer_func(writeToLog, nullptr, nullptr);
        return true;
    }();
    (void)installed;
}

}  // namespace platform::web
