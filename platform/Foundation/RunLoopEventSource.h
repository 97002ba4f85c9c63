#pragma once
// An event loop of another library (a toolkit's) that must turn on the main thread together
// with the main run loop: the run loop dispatches what the source has ready whenever it pumps,
// and waits on the source instead of its own condition when idle, so neither side starves the
// other. Foundation knows only this interface; the layer that needs the outside loop installs
// its source with NSRunLoop::setEventSource.
//
// dispatchReady and waitAndDispatch run on the loop's own thread; wake may be called from any
// thread.
class RunLoopEventSource {
public:
    virtual ~RunLoopEventSource() = default;
    // Dispatches what is ready now, without waiting.
    virtual void dispatchReady() = 0;
    // Waits at most `maxSeconds` of real time for the source's own events or for wake(),
    // dispatching what arrives.
    virtual void waitAndDispatch(double maxSeconds) = 0;
    // Makes a waitAndDispatch under way, or the next one, return soon.
    virtual void wake() = 0;
};
