#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvas.h"

#include <cmath>
#include <cstdlib>

#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGImage.h"
#include "Foundation/MainThreadChecker.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvasDelegate.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UITouch.h"
#include "public/KavoniAppearance.h"

namespace {

constexpr CGPoint kAbsentPoint{-1, -1};
constexpr double kSmoothing = 0.8;
constexpr CGFloat kLineWidth = 2.0;
// Half the side of the square redrawn round each end of a new segment.
constexpr CGFloat kDirtyHalfSide = 10;

// A location left of (or above) the canvas by a point or more counts as no location at all.
bool isAbsent(CGFloat coordinate) { return !(coordinate > -1); }

double distance(CGPoint a, CGPoint b) { return std::hypot(b.x - a.x, b.y - a.y); }

CGPoint midpoint(CGPoint a, CGPoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// Repeated locations make both lengths zero; the segment then has no length to share out.
double weight(double length, double nextLength)
{
    const double total = length + nextLength;
    return total > 0 ? length / total : 0;
}

} // namespace

void KVNCanvas::FreeDeleter::operator()(void* memory) const { std::free(memory); }

KVNCanvas::~KVNCanvas() { freeCache(); }

void KVNCanvas::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    KVN_ASSERT_MAIN_THREAD();
    setBackgroundColor(UIColor::clearColor());
    m_strokeColor = KavoniAppearance::sharedAppearance()->canvasStrokeColor();
    m_point0 = m_point1 = m_point2 = m_point3 = kAbsentPoint;
}

void KVNCanvas::touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    KVN_ASSERT_MAIN_THREAD();
    if (touches.empty())
        return;
    m_point0 = m_point1 = m_point2 = kAbsentPoint;
    m_point3 = (*touches.begin())->locationInView(shared_from_this());
    m_strokeSegments = 0;
}

void KVNCanvas::touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>&)
{
    KVN_ASSERT_MAIN_THREAD();
    if (touches.empty())
        return;
    shiftPoints((*touches.begin())->locationInView(shared_from_this()));
    drawToCache();
}

void KVNCanvas::touchesEnded_withEvent(const UITouchSet&, const std::shared_ptr<UIEvent>&)
{
    KVN_ASSERT_MAIN_THREAD();
    // Without this the stroke would stop one segment short of where the finger lifted. A
    // stroke that drew nothing yet is a tap or a wobble, and stays without ink.
    if (m_strokeSegments == 0)
        return;
    shiftPoints(m_point3);
    drawToCache();
    m_strokeSegments = 0;
}

void KVNCanvas::shiftPoints(CGPoint location)
{
    m_point0 = m_point1;
    m_point1 = m_point2;
    m_point2 = m_point3;
    m_point3 = location;
}

bool KVNCanvas::creatCacheContext()
{
    const auto width = static_cast<size_t>(frame().size.width > 0 ? frame().size.width : 0);
    const auto height = static_cast<size_t>(frame().size.height > 0 ? frame().size.height : 0);
    const auto bytesPerRow = width * 4;
    if (width == 0 || height == 0)
        return false;
    std::unique_ptr<uint8_t, FreeDeleter> bitmap(static_cast<uint8_t*>(std::calloc(height, bytesPerRow)));
    if (!bitmap)
        return false;
    auto context =
        CGBitmapContextCreate(bitmap.get(), width, height, 8, bytesPerRow, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedLast);
    if (!context)
        return false;
    m_cacheBitmap = std::move(bitmap);
    m_cacheContext = std::move(context);
    return true;
}

void KVNCanvas::freeCache()
{
    m_cacheContext.reset();
    m_cacheBitmap.reset();
}

void KVNCanvas::drawToCache()
{
    if (!m_cacheContext && !creatCacheContext())
        return;
    if (isAbsent(m_point1.x))
        return;

    CGContextSetStrokeColorWithColor(m_cacheContext, m_strokeColor ? m_strokeColor->CGColor() : UIColor::blackColor()->CGColor());
    CGContextSetLineCap(m_cacheContext, kCGLineCapRound);
    CGContextSetLineWidth(m_cacheContext, kLineWidth);
    CGContextSetBlendMode(m_cacheContext, kCGBlendModeNormal);

    CGPoint p0 = m_point0;
    const CGPoint p1 = m_point1;
    const CGPoint p2 = m_point2;
    const CGPoint p3 = m_point3;
    // A segment that starts the stroke has no point before it: it leans on its own start.
    if (isAbsent(p0.x))
        p0.x = p1.x;
    if (isAbsent(p0.y))
        p0.y = p1.y;

    const CGPoint c1 = midpoint(p0, p1);
    const CGPoint c2 = midpoint(p1, p2);
    const CGPoint c3 = midpoint(p2, p3);
    const double k1 = weight(distance(p0, p1), distance(p1, p2));
    const double k2 = weight(distance(p1, p2), distance(p2, p3));
    const CGPoint m1{c1.x + (c2.x - c1.x) * k1, c1.y + (c2.y - c1.y) * k1};
    const CGPoint m2{c2.x + (c3.x - c2.x) * k2, c2.y + (c3.y - c2.y) * k2};
    const auto single = [](double value) { return static_cast<CGFloat>(static_cast<float>(value)); };
    const CGPoint cp1{single(p1.x + (c2.x - m1.x) * kSmoothing), single(p1.y + (c2.y - m1.y) * kSmoothing)};
    const CGPoint cp2{single(p2.x + (c2.x - m2.x) * kSmoothing), single(p2.y + (c2.y - m2.y) * kSmoothing)};

    // Points go into the bitmap's y-up space unchanged; drawRect's flipped context undoes it.
    CGContextBeginPath(m_cacheContext);
    CGContextMoveToPoint(m_cacheContext, p1.x, p1.y);
    CGContextAddCurveToPoint(m_cacheContext, cp1.x, cp1.y, cp2.x, cp2.y, p2.x, p2.y);
    CGContextStrokePath(m_cacheContext);
    ++m_strokeSegments;

    // Views redraw whole here, so the small dirty rectangle round the segment is only intent.
    setNeedsDisplay();

    if (!m_hasInk) {
        m_hasInk = true;
        if (auto delegate = m_delegate.lock())
            delegate->canvasDidStartDrawing(std::static_pointer_cast<KVNCanvas>(shared_from_this()));
    }
}

void KVNCanvas::drawRect(CGRect)
{
    if (!m_cacheContext)
        return;
    // A canvas resized after its cache was made shows the cache stretched over it.
    CGContextDrawImage(UIGraphicsGetCurrentContext(), bounds(), CGBitmapContextCreateImage(m_cacheContext));
}

std::shared_ptr<UIImage> KVNCanvas::drawnImage()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_hasInk)
        return nullptr;
    const CGRect rect = bounds();
    // Opaque on white: the upload is a JPEG, which has no alpha and would turn transparency black.
    UIGraphicsBeginImageContextWithOptions(rect.size, true, 0);
    std::shared_ptr<UIImage> image;
    if (auto context = UIGraphicsGetCurrentContext()) {
        CGContextSetRGBFillColor(context, 1, 1, 1, 1);
        CGContextFillRect(context, CGRectMake(0, 0, rect.size.width, rect.size.height));
        if (drawViewHierarchyInRect_afterScreenUpdates(CGRectMake(0, 0, rect.size.width, rect.size.height), false))
            image = UIGraphicsGetImageFromCurrentImageContext();
    }
    UIGraphicsEndImageContext();
    return image;
}

void KVNCanvas::reset()
{
    KVN_ASSERT_MAIN_THREAD();
    freeCache();
    m_hasInk = false;
    m_strokeSegments = 0;
    setNeedsDisplay();
}
