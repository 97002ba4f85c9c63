#pragma once
// Hears from a signature canvas: told once a drawing has ink, after its creation or after
// each reset. Main thread only.
#include <memory>

class KVNCanvas;

class KVNCanvasDelegate {
public:
    virtual ~KVNCanvasDelegate() = default;

    // Optional: the empty default is a delegate that does not answer it.
    virtual void canvasDidStartDrawing(const std::shared_ptr<KVNCanvas>& canvas) {}
};
