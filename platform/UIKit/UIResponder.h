#pragma once
// The base of the objects that take part in handling the app's events. Headless, there are
// no touches or key presses to pass along, so it only gives the application delegate the base
// class it has on the platform. Main thread.

class UIResponder {
public:
    virtual ~UIResponder() = default;
};
