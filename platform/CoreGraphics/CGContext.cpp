#include "CoreGraphics/CGContext.h"

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Cairo's image surfaces stop at this size on either side.
constexpr size_t kMaxSide = 32767;

struct GState {
    CGFloat fill[4] = {0, 0, 0, 1};
    CGFloat stroke[4] = {0, 0, 0, 1};
    CGFloat alpha = 1;
    // User space to cairo's device space (y down), kept here as well because cairo refuses
    // transforms that cannot be inverted, which the platform accepts (and then draws nothing).
    CGAffineTransform ctm;
    bool singular = false;
    // Clip mask in device pixels (A8), or null. Shared between saved states.
    std::shared_ptr<cairo_surface_t> mask;
};

bool finite(std::initializer_list<CGFloat> values)
{
    for (CGFloat v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

cairo_matrix_t toCairo(const CGAffineTransform& t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

struct CairoDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct CairoPatternDeleter {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
struct CairoPathDeleter {
    void operator()(cairo_path_t* path) const { cairo_path_destroy(path); }
};
// Finishes the surface before letting it go: a surface over memory it does not own must be
// done with that memory even while a pattern somewhere still holds a reference to it.
struct FinishingSurfaceDeleter {
    void operator()(cairo_surface_t* surface) const
    {
        cairo_surface_finish(surface);
        cairo_surface_destroy(surface);
    }
};
using Cairo = std::unique_ptr<cairo_t, CairoDeleter>;
using CairoPattern = std::unique_ptr<cairo_pattern_t, CairoPatternDeleter>;
using CairoPath = std::unique_ptr<cairo_path_t, CairoPathDeleter>;
using FinishingSurface = std::unique_ptr<cairo_surface_t, FinishingSurfaceDeleter>;

std::shared_ptr<cairo_surface_t> adopt(cairo_surface_t* surface)
{
    return std::shared_ptr<cairo_surface_t>(surface, cairo_surface_destroy);
}

// A cairo surface that reads the image's pixels in place; the image must outlive it.
FinishingSurface surfaceForImage(const CGImage& image)
{
    return FinishingSurface(cairo_image_surface_create_for_data(const_cast<uint8_t*>(image.data()),
                                               image.hasAlpha() ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
                                               int(image.width()), int(image.height()), int(image.bytesPerRow())));
}

// An A8 surface of the image's brightness, for masks without alpha.
FinishingSurface brightnessSurface(const CGImage& image)
{
    FinishingSurface owner(cairo_image_surface_create(CAIRO_FORMAT_A8, int(image.width()), int(image.height())));
    cairo_surface_t* s = owner.get();
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
        return owner;
    cairo_surface_flush(s);
    uint8_t* out = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (size_t y = 0; y < image.height(); ++y) {
        for (size_t x = 0; x < image.width(); ++x) {
            uint32_t p = image.pixelAt(x, y);
            uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            out[y * size_t(stride) + x] = uint8_t((54 * r + 183 * g + 19 * b + 128) >> 8);
        }
    }
    cairo_surface_mark_dirty(s);
    return owner;
}

// Maps the image's pixel grid (y down) onto `rect` of a y-up user space, upright.
void transformToImage(cairo_t* cr, const CGRect& rect, const CGImage& image)
{
    cairo_translate(cr, rect.origin.x, rect.origin.y + rect.size.height);
    cairo_scale(cr, rect.size.width / double(image.width()), -rect.size.height / double(image.height()));
}

// Keeps the current path across an operation that needs cairo's path for itself.
class PathKeeper {
public:
    explicit PathKeeper(cairo_t* cr) : m_cr(cr), m_path(cairo_copy_path(cr)) {}
    ~PathKeeper()
    {
        cairo_new_path(m_cr);
        if (m_path->status == CAIRO_STATUS_SUCCESS)
            cairo_append_path(m_cr, m_path.get());
    }
    PathKeeper(const PathKeeper&) = delete;
    PathKeeper& operator=(const PathKeeper&) = delete;

private:
    cairo_t* m_cr;
    CairoPath m_path;
};

} // namespace

struct CGContext::State {
    // Declared in the order they must outlive each other: the memory, the surface over it, the
    // context drawing into the surface.
    std::vector<uint8_t> ownMemory;
    FinishingSurface surfaceOwner;
    Cairo crOwner;
    cairo_surface_t* surface = nullptr; // surfaceOwner's
    cairo_t* cr = nullptr; // crOwner's
    size_t width = 0, height = 0, bytesPerRow = 0;
    bool opaque = false;
    // The memory may have been written from outside since cairo last looked at it.
    bool memoryShared = false;
    std::vector<GState> stack{GState{}};

    GState& g() { return stack.back(); }

    // Called before cairo reads or writes the pixels.
    void beginDrawing()
    {
        if (memoryShared)
            cairo_surface_mark_dirty(surface);
    }

    void setCTM(const CGAffineTransform& t)
    {
        g().ctm = t;
        CGFloat det = t.a * t.d - t.b * t.c;
        if (!finite({t.a, t.b, t.c, t.d, t.tx, t.ty, det}) || det == 0) {
            g().singular = true;
            return;
        }
        cairo_matrix_t m = toCairo(t);
        cairo_set_matrix(cr, &m);
    }

    // Runs a drawing operation under the clip mask, when there is one.
    template <class Op>
    void draw(Op op)
    {
        if (g().singular)
            return;
        beginDrawing();
        if (!g().mask) {
            op();
            return;
        }
        cairo_push_group(cr);
        op();
        cairo_pop_group_to_source(cr);
        const CairoPattern maskPattern(cairo_pattern_create_for_surface(g().mask.get()));
        cairo_matrix_t ctm;
        cairo_get_matrix(cr, &ctm);
        cairo_pattern_set_matrix(maskPattern.get(), &ctm);
        cairo_mask(cr, maskPattern.get());
    }

    void setSource(const CGFloat (&rgba)[4]) { cairo_set_source_rgba(cr, rgba[0], rgba[1], rgba[2], rgba[3] * g().alpha); }
};

CGContext::CGContext(std::unique_ptr<State> state) : m_state(std::move(state)) {}

CGContext::~CGContext() = default;

cairo_t* CGContext::cairo() const
{
    m_state->beginDrawing();
    return m_state->cr;
}

void CGContext::drawWithCairo(const std::function<void(cairo_t* cr)>& draw)
{
    auto& s = *m_state;
    if (!draw)
        return;
    s.draw([&] {
        PathKeeper keeper(s.cr);
        cairo_save(s.cr);
        if (s.g().alpha >= 1) {
            draw(s.cr);
        } else {
            cairo_push_group(s.cr);
            draw(s.cr);
            cairo_pop_group_to_source(s.cr);
            cairo_paint_with_alpha(s.cr, s.g().alpha);
        }
        cairo_restore(s.cr);
    });
}

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent, size_t bytesPerRow,
                                   const CGColorSpaceRef& space, CGBitmapInfo bitmapInfo)
{
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || bitsPerComponent != 8)
        return nullptr;
    bool opaque;
    switch (bitmapInfo & kCGBitmapAlphaInfoMask) {
    case kCGImageAlphaPremultipliedFirst:
    case kCGImageAlphaPremultipliedLast:
        opaque = false;
        break;
    case kCGImageAlphaNoneSkipFirst:
    case kCGImageAlphaNoneSkipLast:
        opaque = true;
        break;
    default:
        return nullptr;
    }
    if (bytesPerRow == 0)
        bytesPerRow = width * 4;
    if (bytesPerRow < width * 4 || bytesPerRow % 4 != 0 || bytesPerRow > size_t(std::numeric_limits<int>::max()))
        return nullptr;

    auto state = std::make_unique<CGContext::State>();
    state->width = width;
    state->height = height;
    state->bytesPerRow = bytesPerRow;
    state->opaque = opaque;
    auto* memory = static_cast<unsigned char*>(data);
    if (!memory) {
        state->ownMemory.assign(bytesPerRow * height, 0);
        memory = state->ownMemory.data();
    } else {
        state->memoryShared = true;
    }
    state->surfaceOwner.reset(cairo_image_surface_create_for_data(memory, opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                                  int(width), int(height), int(bytesPerRow)));
    state->surface = state->surfaceOwner.get();
    if (cairo_surface_status(state->surface) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    state->crOwner.reset(cairo_create(state->surface));
    state->cr = state->crOwner.get();
    if (cairo_status(state->cr) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    // Cairo's device space has y down; the context's user space starts with y up.
    state->setCTM(CGAffineTransformMake(1, 0, 0, -1, 0, CGFloat(height)));
    return std::make_shared<CGContext>(std::move(state));
}

CGImageRef CGBitmapContextCreateImage(const CGContextRef& c)
{
    if (!c)
        return nullptr;
    auto& s = c->state();
    cairo_surface_flush(s.surface);
    const uint8_t* memory = cairo_image_surface_get_data(s.surface);
    size_t stride = s.width * 4;
    std::vector<uint8_t> pixels(stride * s.height);
    for (size_t y = 0; y < s.height; ++y)
        std::memcpy(pixels.data() + y * stride, memory + y * s.bytesPerRow, stride);
    return std::make_shared<CGImage>(s.width, s.height, stride, !s.opaque, std::move(pixels));
}

void* CGBitmapContextGetData(const CGContextRef& c)
{
    if (!c)
        return nullptr;
    auto& s = c->state();
    cairo_surface_flush(s.surface);
    s.memoryShared = true;
    return cairo_image_surface_get_data(s.surface);
}

size_t CGBitmapContextGetWidth(const CGContextRef& c) { return c ? c->state().width : 0; }
size_t CGBitmapContextGetHeight(const CGContextRef& c) { return c ? c->state().height : 0; }
size_t CGBitmapContextGetBytesPerRow(const CGContextRef& c) { return c ? c->state().bytesPerRow : 0; }
size_t CGBitmapContextGetBitsPerComponent(const CGContextRef& c) { return c ? 8 : 0; }
size_t CGBitmapContextGetBitsPerPixel(const CGContextRef& c) { return c ? 32 : 0; }

CGBitmapInfo CGBitmapContextGetBitmapInfo(const CGContextRef& c)
{
    if (!c)
        return 0;
    return (c->state().opaque ? kCGImageAlphaNoneSkipFirst : kCGImageAlphaPremultipliedFirst) | kCGBitmapByteOrder32Host;
}

CGColorSpaceRef CGBitmapContextGetColorSpace(const CGContextRef& c) { return c ? CGColorSpaceCreateDeviceRGB() : nullptr; }

void CGContextSaveGState(const CGContextRef& c)
{
    if (!c)
        return;
    auto& s = c->state();
    cairo_save(s.cr);
    s.stack.push_back(s.g());
}

void CGContextRestoreGState(const CGContextRef& c)
{
    if (!c)
        return;
    auto& s = c->state();
    if (s.stack.size() < 2)
        return;
    cairo_restore(s.cr);
    s.stack.pop_back();
}

void CGContextConcatCTM(const CGContextRef& c, const CGAffineTransform& transform)
{
    if (!c)
        return;
    auto& s = c->state();
    s.setCTM(CGAffineTransformConcat(transform, s.g().ctm));
}

void CGContextTranslateCTM(const CGContextRef& c, CGFloat tx, CGFloat ty) { CGContextConcatCTM(c, CGAffineTransformMakeTranslation(tx, ty)); }
void CGContextScaleCTM(const CGContextRef& c, CGFloat sx, CGFloat sy) { CGContextConcatCTM(c, CGAffineTransformMakeScale(sx, sy)); }
void CGContextRotateCTM(const CGContextRef& c, CGFloat angle) { CGContextConcatCTM(c, CGAffineTransformMakeRotation(angle)); }

CGAffineTransform CGContextGetCTM(const CGContextRef& c)
{
    if (!c)
        return CGAffineTransformIdentity;
    auto& s = c->state();
    // Back from cairo's y-down device space to the bitmap's y-up one.
    return CGAffineTransformConcat(s.g().ctm, CGAffineTransformMake(1, 0, 0, -1, 0, CGFloat(s.height)));
}

namespace {
void setRGBA(CGFloat (&target)[4], CGFloat r, CGFloat g, CGFloat b, CGFloat a)
{
    CGColor clamped(r, g, b, a);
    for (int i = 0; i < 4; ++i)
        target[i] = clamped.components()[i];
}
} // namespace

void CGContextSetFillColorWithColor(const CGContextRef& c, const CGColorRef& color)
{
    if (c && color)
        setRGBA(c->state().g().fill, color->red(), color->green(), color->blue(), color->alpha());
}

void CGContextSetStrokeColorWithColor(const CGContextRef& c, const CGColorRef& color)
{
    if (c && color)
        setRGBA(c->state().g().stroke, color->red(), color->green(), color->blue(), color->alpha());
}

void CGContextSetRGBFillColor(const CGContextRef& c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    if (c)
        setRGBA(c->state().g().fill, red, green, blue, alpha);
}

void CGContextSetRGBStrokeColor(const CGContextRef& c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    if (c)
        setRGBA(c->state().g().stroke, red, green, blue, alpha);
}

void CGContextSetLineWidth(const CGContextRef& c, CGFloat width)
{
    if (c && std::isfinite(width) && width >= 0)
        cairo_set_line_width(c->state().cr, width);
}

void CGContextSetLineCap(const CGContextRef& c, CGLineCap cap)
{
    if (!c)
        return;
    cairo_line_cap_t value = cap == kCGLineCapRound ? CAIRO_LINE_CAP_ROUND : cap == kCGLineCapSquare ? CAIRO_LINE_CAP_SQUARE : CAIRO_LINE_CAP_BUTT;
    cairo_set_line_cap(c->state().cr, value);
}

void CGContextSetLineJoin(const CGContextRef& c, CGLineJoin join)
{
    if (!c)
        return;
    cairo_line_join_t value = join == kCGLineJoinRound ? CAIRO_LINE_JOIN_ROUND : join == kCGLineJoinBevel ? CAIRO_LINE_JOIN_BEVEL : CAIRO_LINE_JOIN_MITER;
    cairo_set_line_join(c->state().cr, value);
}

void CGContextSetBlendMode(const CGContextRef& c, CGBlendMode mode)
{
    if (!c)
        return;
    cairo_operator_t op = mode == kCGBlendModeClear ? CAIRO_OPERATOR_CLEAR : mode == kCGBlendModeCopy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER;
    cairo_set_operator(c->state().cr, op);
}

void CGContextSetAlpha(const CGContextRef& c, CGFloat alpha)
{
    if (c && !std::isnan(alpha))
        c->state().g().alpha = std::clamp(alpha, CGFloat(0), CGFloat(1));
}

void CGContextClipToRect(const CGContextRef& c, CGRect rect)
{
    if (!c)
        return;
    auto& s = c->state();
    if (s.g().singular)
        return;
    rect = CGRectStandardize(rect);
    if (CGRectIsNull(rect) || !finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        rect = CGRectZero;
    cairo_new_path(s.cr);
    cairo_rectangle(s.cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(s.cr);
}

void CGContextClipToMask(const CGContextRef& c, CGRect rect, const CGImageRef& mask)
{
    if (!c || !mask || mask->width() == 0 || mask->height() == 0)
        return;
    auto& s = c->state();
    if (s.g().singular)
        return;
    rect = CGRectStandardize(rect);
    auto coverage = adopt(cairo_image_surface_create(CAIRO_FORMAT_A8, int(s.width), int(s.height)));
    if (cairo_surface_status(coverage.get()) != CAIRO_STATUS_SUCCESS)
        return;
    const Cairo maskContext(cairo_create(coverage.get()));
    cairo_t* m = maskContext.get();
    if (!CGRectIsEmpty(rect) && finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height})) {
        cairo_matrix_t ctm = toCairo(s.g().ctm);
        cairo_set_matrix(m, &ctm);
        const FinishingSurface source = mask->hasAlpha() ? surfaceForImage(*mask) : brightnessSurface(*mask);
        transformToImage(m, rect, *mask);
        cairo_set_source_surface(m, source.get(), 0, 0);
        cairo_pattern_set_extend(cairo_get_source(m), CAIRO_EXTEND_PAD);
        cairo_rectangle(m, 0, 0, double(mask->width()), double(mask->height()));
        cairo_fill(m);
        cairo_set_source_rgba(m, 0, 0, 0, 0);
    }
    if (s.g().mask) {
        cairo_identity_matrix(m);
        cairo_set_operator(m, CAIRO_OPERATOR_IN);
        cairo_set_source_surface(m, s.g().mask.get(), 0, 0);
        cairo_paint(m);
    }
    cairo_surface_flush(coverage.get());
    s.g().mask = coverage;
}

void CGContextFillRect(const CGContextRef& c, CGRect rect)
{
    if (!c)
        return;
    auto& s = c->state();
    rect = CGRectStandardize(rect);
    if (CGRectIsEmpty(rect) || !finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    PathKeeper keeper(s.cr);
    s.draw([&] {
        cairo_save(s.cr);
        cairo_new_path(s.cr);
        cairo_rectangle(s.cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
        s.setSource(s.g().fill);
        cairo_fill(s.cr);
        cairo_restore(s.cr);
    });
}

void CGContextDrawImage(const CGContextRef& c, CGRect rect, const CGImageRef& image)
{
    if (!c || !image || image->width() == 0 || image->height() == 0)
        return;
    auto& s = c->state();
    rect = CGRectStandardize(rect);
    if (CGRectIsEmpty(rect) || !finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    const FinishingSurface source = surfaceForImage(*image);
    {
        // The current path survives an image drawing, as on the platform.
        PathKeeper keeper(s.cr);
        s.draw([&] {
            cairo_save(s.cr);
            cairo_new_path(s.cr);
            transformToImage(s.cr, rect, *image);
            cairo_set_source_surface(s.cr, source.get(), 0, 0);
            // Stretched images keep their edge pixels instead of fading into transparency.
            cairo_pattern_set_extend(cairo_get_source(s.cr), CAIRO_EXTEND_PAD);
            cairo_pattern_set_filter(cairo_get_source(s.cr), CAIRO_FILTER_GOOD);
            cairo_rectangle(s.cr, 0, 0, double(image->width()), double(image->height()));
            if (s.g().alpha < 1) {
                cairo_clip(s.cr);
                cairo_paint_with_alpha(s.cr, s.g().alpha);
            } else {
                cairo_fill(s.cr);
            }
            cairo_restore(s.cr);
        });
    }
}

namespace {

void paintGradient(CGContext& c, const CGGradient& gradient, const CairoPattern& owner, CGGradientDrawingOptions options)
{
    auto& s = c.state();
    cairo_pattern_t* pattern = owner.get();
    for (const auto& stop : gradient.stops()) {
        const auto& k = *stop.color;
        cairo_pattern_add_color_stop_rgba(pattern, stop.location, k.red(), k.green(), k.blue(), k.alpha() * s.g().alpha);
    }
    cairo_pattern_set_extend(pattern, options ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
    s.draw([&] {
        cairo_save(s.cr);
        cairo_set_source(s.cr, pattern);
        cairo_paint(s.cr);
        cairo_restore(s.cr);
    });
}

} // namespace

void CGContextDrawRadialGradient(const CGContextRef& c, const CGGradientRef& gradient, CGPoint startCenter,
                                 CGFloat startRadius, CGPoint endCenter, CGFloat endRadius, CGGradientDrawingOptions options)
{
    if (!c || !gradient || gradient->stops().empty())
        return;
    if (!finite({startCenter.x, startCenter.y, startRadius, endCenter.x, endCenter.y, endRadius}) || startRadius < 0 || endRadius < 0)
        return;
    paintGradient(*c, *gradient, CairoPattern(cairo_pattern_create_radial(startCenter.x, startCenter.y, startRadius, endCenter.x,
                                                                           endCenter.y, endRadius)),
                  options);
}

void CGContextDrawLinearGradient(const CGContextRef& c, const CGGradientRef& gradient, CGPoint startPoint, CGPoint endPoint,
                                 CGGradientDrawingOptions options)
{
    if (!c || !gradient || gradient->stops().empty())
        return;
    if (!finite({startPoint.x, startPoint.y, endPoint.x, endPoint.y}))
        return;
    paintGradient(*c, *gradient, CairoPattern(cairo_pattern_create_linear(startPoint.x, startPoint.y, endPoint.x, endPoint.y)),
                  options);
}

void CGContextBeginPath(const CGContextRef& c)
{
    if (c)
        cairo_new_path(c->state().cr);
}

void CGContextMoveToPoint(const CGContextRef& c, CGFloat x, CGFloat y)
{
    if (c && !c->state().g().singular && finite({x, y}))
        cairo_move_to(c->state().cr, x, y);
}

void CGContextAddLineToPoint(const CGContextRef& c, CGFloat x, CGFloat y)
{
    if (c && !c->state().g().singular && finite({x, y}))
        cairo_line_to(c->state().cr, x, y);
}

void CGContextAddCurveToPoint(const CGContextRef& c, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y)
{
    if (c && !c->state().g().singular && finite({cp1x, cp1y, cp2x, cp2y, x, y}))
        cairo_curve_to(c->state().cr, cp1x, cp1y, cp2x, cp2y, x, y);
}

void CGContextAddArc(const CGContextRef& c, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat endAngle, int clockwise)
{
    if (!c || c->state().g().singular || !finite({x, y, radius, startAngle, endAngle}) || radius < 0)
        return;
    if (clockwise)
        cairo_arc_negative(c->state().cr, x, y, radius, startAngle, endAngle);
    else
        cairo_arc(c->state().cr, x, y, radius, startAngle, endAngle);
}

void CGContextAddRect(const CGContextRef& c, CGRect rect)
{
    if (c && !c->state().g().singular && finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        cairo_rectangle(c->state().cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}

void CGContextClosePath(const CGContextRef& c)
{
    if (c)
        cairo_close_path(c->state().cr);
}

void CGContextAddPath(const CGContextRef& c, const CGPathRef& path)
{
    if (!c || !path)
        return;
    for (const auto& e : path->elements()) {
        switch (e.kind) {
        case CGPath::Element::Move:
            CGContextMoveToPoint(c, e.points[0].x, e.points[0].y);
            break;
        case CGPath::Element::Line:
            CGContextAddLineToPoint(c, e.points[0].x, e.points[0].y);
            break;
        case CGPath::Element::Curve:
            CGContextAddCurveToPoint(c, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x, e.points[2].y);
            break;
        case CGPath::Element::Close:
            CGContextClosePath(c);
            break;
        }
    }
}

void CGContextFillPath(const CGContextRef& c)
{
    if (!c)
        return;
    auto& s = c->state();
    if (s.g().singular) {
        cairo_new_path(s.cr);
        return;
    }
    s.draw([&] {
        s.setSource(s.g().fill);
        cairo_set_fill_rule(s.cr, CAIRO_FILL_RULE_WINDING);
        cairo_fill(s.cr);
    });
}

void CGContextStrokePath(const CGContextRef& c)
{
    if (!c)
        return;
    auto& s = c->state();
    if (s.g().singular) {
        cairo_new_path(s.cr);
        return;
    }
    s.draw([&] {
        s.setSource(s.g().stroke);
        cairo_stroke(s.cr);
    });
}
