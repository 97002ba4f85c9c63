#pragma once
// What a visual effect view does to what lies beneath it. Immutable, shared; any thread.

class UIVisualEffect {
public:
    virtual ~UIVisualEffect() = default;
};
