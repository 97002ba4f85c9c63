#pragma once
// The surface a signature is drawn on with one finger. Each stroke is smoothed into cubic
// Bézier segments that are stroked, one at a time as the finger moves, into a bitmap cache of
// one pixel a point; drawRect only shows that cache. A segment is known once the point after
// it is, so the last one of a stroke is drawn when the finger lifts. A drawing counts as
// started only once a segment has been stroked: a tap or a wobble of one movement leaves no
// ink and tells nobody. drawnImage renders the ink on white at screen scale, ready for JPEG.
// Main thread only.
#include <cstdint>
#include <memory>

#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIView.h"

class KVNCanvasDelegate;
class UIColor;
class UIImage;

class KVNCanvas : public UIView {
public:
    ~KVNCanvas() override;

    void initWithFrame(CGRect frame) override;

    void touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;
    void touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event) override;

    void drawRect(CGRect rect) override;

    // The ink, on an opaque white background of the canvas's size at the main screen's scale;
    // nullptr while nothing has been drawn (after creation or a reset).
    std::shared_ptr<UIImage> drawnImage();
    // Forgets the drawing and its cache.
    void reset();

    // Whether a segment has been stroked since creation or the last reset.
    bool hasInk() const { return m_hasInk; }

    const std::shared_ptr<UIColor>& strokeColor() const { return m_strokeColor; }
    void setStrokeColor(std::shared_ptr<UIColor> color) { m_strokeColor = std::move(color); }
    std::shared_ptr<KVNCanvasDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNCanvasDelegate>& delegate) { m_delegate = delegate; }

    CGPoint point0() const { return m_point0; }
    CGPoint point1() const { return m_point1; }
    CGPoint point2() const { return m_point2; }
    CGPoint point3() const { return m_point3; }
    // The cache context while one exists.
    const CGContextRef& cacheContext() const { return m_cacheContext; }

protected:
    // Makes the bitmap cache over the frame's size; false when it could not be made.
    bool creatCacheContext();
    // Strokes the segment from point1 to point2 into the cache, shaped by point0 and point3.
    void drawToCache();

private:
    struct FreeDeleter {
        void operator()(void* memory) const;
    };

    void shiftPoints(CGPoint location);
    void freeCache();

    CGPoint m_point0{-1, -1};
    CGPoint m_point1{-1, -1};
    CGPoint m_point2{-1, -1};
    CGPoint m_point3{-1, -1};
    // Declared before the context that draws into it, so the context goes first.
    std::unique_ptr<uint8_t, FreeDeleter> m_cacheBitmap;
    CGContextRef m_cacheContext;
    bool m_hasInk = false;
    // Segments stroked in the current stroke: its tail is drawn on lift only after one was.
    int m_strokeSegments = 0;
    std::shared_ptr<UIColor> m_strokeColor;
    std::weak_ptr<KVNCanvasDelegate> m_delegate;
};
