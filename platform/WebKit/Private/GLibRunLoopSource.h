#pragma once
// The GLib main context that the web engine runs on, turned by the main run loop: what is
// ready is dispatched whenever the loop pumps, and an idle loop sleeps in the context's poll,
// which a block or timer queued on the loop interrupts. Installed once, on the main thread.
#include <memory>

#include <glib.h>

#include "Foundation/RunLoopEventSource.h"

namespace kvn {

class GLibRunLoopSource : public RunLoopEventSource {
public:
    explicit GLibRunLoopSource(GMainContext* context);
    ~GLibRunLoopSource() override;

    void dispatchReady() override;
    void waitAndDispatch(double maxSeconds) override;
    void wake() override;

private:
    GMainContext* m_context;
};

} // namespace kvn
