#include "platform/web/engine/GLibWait.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

namespace platform::web {

bool waitForGLib(const std::function<bool()>& done, double timeout) {
    if (done()) return true;
    if (!(timeout > 0)) return false;
    GMainContext* context = g_main_context_default();
    const gint64 deadline =
        g_get_monotonic_time() + static_cast<gint64>(std::min(timeout, 3600.0) * 1e6);
    bool expired = false;
    // The timer only ends the blocking poll at the deadline; the clock decides.
    GSource* timer =
        g_timeout_source_new(static_cast<guint>(std::ceil(std::min(timeout, 3600.0) * 1000)));
    g_source_set_priority(timer, G_PRIORITY_HIGH);
    g_source_set_callback(
        timer,
        [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &expired, nullptr);
    g_source_attach(timer, context);
    while (!done() && !expired && g_get_monotonic_time() < deadline) {
        g_main_context_iteration(context, TRUE);
    }
    g_source_destroy(timer);
    g_source_unref(timer);
    return done();
}

}  // namespace platform::web
