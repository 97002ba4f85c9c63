#include "WebKit/Private/GLibRunLoopSource.h"

#include <cmath>

#include "WebKit/Private/GObjectHandles.h"

namespace kvn {

namespace {

// A source that keeps announcing work would otherwise hold the run loop's own blocks back.
constexpr int kMaxIterationsPerDispatch = 200;

} // namespace

GLibRunLoopSource::GLibRunLoopSource(GMainContext* context) : m_context(g_main_context_ref(context)) {}

GLibRunLoopSource::~GLibRunLoopSource() { g_main_context_unref(m_context); }

void GLibRunLoopSource::dispatchReady()
{
    for (int i = 0; i < kMaxIterationsPerDispatch; ++i) {
        if (!g_main_context_iteration(m_context, FALSE))
            return;
    }
}

void GLibRunLoopSource::waitAndDispatch(double maxSeconds)
{
    if (!(maxSeconds > 0)) {
        dispatchReady();
        return;
    }
    // The poll returns on the context's own events, on wake(), or when this time-out fires.
    double milliseconds = std::ceil(maxSeconds * 1000.0);
    guint interval = milliseconds > 60000.0 ? 60000u : static_cast<guint>(milliseconds);
    gobject::OwnedSource timeout(g_timeout_source_new(interval));
    g_source_set_callback(
        timeout.get(), [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
    g_source_attach(timeout.get(), m_context);
    g_main_context_iteration(m_context, TRUE);
    timeout.reset();
    dispatchReady();
}

void GLibRunLoopSource::wake() { g_main_context_wakeup(m_context); }

} // namespace kvn
