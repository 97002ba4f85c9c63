#include "UIKit/TextLayout.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "Foundation/UTF8Validator.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"

namespace Text {

namespace {

struct GObjectUnref {
    void operator()(void* object) const
    {
        if (object)
            g_object_unref(object);
    }
};
struct AttrListUnref {
    void operator()(PangoAttrList* list) const { pango_attr_list_unref(list); }
};
struct TabArrayFree {
    void operator()(PangoTabArray* tabs) const { pango_tab_array_free(tabs); }
};
struct FontMetricsUnref {
    void operator()(PangoFontMetrics* metrics) const { pango_font_metrics_unref(metrics); }
};
struct FontOptionsDestroy {
    void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};

using LayoutPtr = std::unique_ptr<PangoLayout, GObjectUnref>;
using ContextPtr = std::unique_ptr<PangoContext, GObjectUnref>;
using FontPtr = std::unique_ptr<PangoFont, GObjectUnref>;
// UIFont hands its description out already owned.
using FontDescriptionPtr = PangoFontDescriptionPtr;
using AttrListPtr = std::unique_ptr<PangoAttrList, AttrListUnref>;
using TabArrayPtr = std::unique_ptr<PangoTabArray, TabArrayFree>;
using FontMetricsPtr = std::unique_ptr<PangoFontMetrics, FontMetricsUnref>;
using FontOptionsPtr = std::unique_ptr<cairo_font_options_t, FontOptionsDestroy>;

// Sizes beyond these are not text a screen shows; Pango's integer units overflow not far above.
constexpr CGFloat kLargestFontSize = 10000;
constexpr CGFloat kLargestExtent = 1e6;
const char* const kEllipsis = "\xE2\x80\xA6";

CGFloat points(int pangoUnits) { return CGFloat(pangoUnits) / PANGO_SCALE; }
int pangoUnits(CGFloat points) { return int(std::floor(points * PANGO_SCALE + 1e-3)); }
bool bounded(CGFloat extent) { return std::isfinite(extent) && extent > 0 && extent < kLargestExtent; }

// One Pango context per thread: Pango's font maps are per thread. Unhinted outlines and
// unrounded positions keep the numbers those of the faces' metrics.
PangoContext* pangoContext()
{
    thread_local ContextPtr context = [] {
        ContextPtr made(pango_font_map_create_context(pango_cairo_font_map_get_default()));
        FontOptionsPtr options(cairo_font_options_create());
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(made.get(), options.get());
        pango_context_set_round_glyph_positions(made.get(), FALSE);
        return made;
    }();
    return context.get();
}

// A run of the text with the attributes drawing needs, resolved against the defaults.
struct Span {
    size_t start = 0, end = 0; // bytes of Styled::text
    std::shared_ptr<UIFont> font;
    CGFloat rgba[4] = {0, 0, 0, 1};
    long underline = NSUnderlineStyleNone;
};

// The text as Pango takes it: well-formed UTF-8 without NUL bytes, attributes as spans.
struct Styled {
    std::string text;
    std::vector<Span> spans;

    const Span& spanAt(size_t byte) const
    {
        for (const auto& span : spans)
            if (byte < span.end)
                return span;
        return spans.back();
    }

    Styled slice(size_t from, size_t to) const
    {
        Styled out;
        out.text = text.substr(from, to - from);
        for (const auto& span : spans) {
            size_t start = std::max(span.start, from), end = std::min(span.end, to);
            if (start < end) {
                Span piece = span;
                piece.start = start - from;
                piece.end = end - from;
                out.spans.push_back(piece);
            }
        }
        return out;
    }

    void append(const Styled& other)
    {
        size_t offset = text.size();
        text += other.text;
        for (Span span : other.spans) {
            span.start += offset;
            span.end += offset;
            spans.push_back(span);
        }
    }

    // "…" in the attributes of the character at `byte`.
    Styled ellipsisLike(size_t byte) const
    {
        Styled out;
        out.text = kEllipsis;
        Span span = spans.empty() ? Span{} : spanAt(std::min(byte, text.size() - 1));
        span.start = 0;
        span.end = out.text.size();
        out.spans.push_back(span);
        return out;
    }
};

std::string wellFormed(const std::string& bytes)
{
    std::string text = Unicode::UTF8Validator::replacingIllFormed(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\0')
            out += "\xEF\xBF\xBD";
        else
            out += c;
    }
    return out;
}

template <class T>
std::shared_ptr<T> attribute(const NSDictionary& attributes, const std::string& name)
{
    if (auto value = NSDictionaryValue<std::shared_ptr<T>>(attributes, name))
        return *value;
    return nullptr;
}

long underlineOf(const NSDictionary& attributes)
{
    if (auto value = NSDictionaryValue<long>(attributes, NSUnderlineStyleAttributeName))
        return *value;
    if (auto value = NSDictionaryValue<NSUnderlineStyle>(attributes, NSUnderlineStyleAttributeName))
        return *value;
    if (auto value = NSDictionaryValue<int>(attributes, NSUnderlineStyleAttributeName))
        return *value;
    return NSUnderlineStyleNone;
}

Styled styledText(const NSAttributedString& text, const std::shared_ptr<UIFont>& defaultFont, const std::shared_ptr<UIColor>& defaultColor)
{
    Styled out;
    const std::string& source = text.string();
    auto add = [&](size_t from, size_t to, const NSDictionary& attributes) {
        if (from >= to)
            return;
        Span span;
        span.start = out.text.size();
        out.text += wellFormed(source.substr(from, to - from));
        span.end = out.text.size();
        span.font = attribute<UIFont>(attributes, NSFontAttributeName);
        if (!span.font)
            span.font = defaultFont;
        auto color = attribute<UIColor>(attributes, NSForegroundColorAttributeName);
        if (!color)
            color = defaultColor;
        if (color) {
            span.rgba[0] = color->red();
            span.rgba[1] = color->green();
            span.rgba[2] = color->blue();
            span.rgba[3] = color->alpha();
        }
        span.underline = underlineOf(attributes);
        out.spans.push_back(span);
    };
    size_t at = 0;
    for (const auto& run : text.runs()) {
        size_t start = std::min<size_t>(run.range.location, source.size());
        size_t end = std::min<size_t>(run.range.end(), source.size());
        if (start < at)
            start = at;
        add(at, start, {});
        add(start, end, run.attributes);
        at = std::max(at, end);
    }
    add(at, source.size(), {});
    return out;
}

struct Paragraph {
    NSTextAlignment alignment = NSTextAlignmentNatural;
    CGFloat firstLineHeadIndent = 0;
    CGFloat headIndent = 0;
    CGFloat lineSpacing = 0;
    std::vector<NSTextTab> tabStops;
    CGFloat defaultTabInterval = 0;
};

CGFloat sane(CGFloat value) { return std::isfinite(value) ? std::clamp(value, 0.0, kLargestExtent) : 0; }

Paragraph paragraphOf(const NSAttributedString& text, const LayoutOptions& options)
{
    auto style = paragraphStyleOf(text);
    Paragraph paragraph;
    paragraph.alignment = options.alignment.value_or(style->alignment());
    paragraph.firstLineHeadIndent = sane(style->firstLineHeadIndent());
    paragraph.headIndent = sane(style->headIndent());
    paragraph.lineSpacing = sane(style->lineSpacing());
    paragraph.tabStops = style->tabStops();
    paragraph.defaultTabInterval = sane(style->defaultTabInterval());
    return paragraph;
}

FontDescriptionPtr descriptionOf(const UIFont& font, CGFloat scale)
{
    FontDescriptionPtr description = font.newPangoFontDescription();
    CGFloat size = std::clamp(font.pointSize() * scale, 0.0, kLargestFontSize);
    pango_font_description_set_absolute_size(description.get(), std::max(1.0, size * PANGO_SCALE));
    return description;
}

TabArrayPtr tabsOf(const Paragraph& paragraph)
{
    std::vector<std::pair<CGFloat, NSTextAlignment>> stops;
    for (const auto& tab : paragraph.tabStops)
        if (std::isfinite(tab.location()) && tab.location() >= 0 && tab.location() < kLargestExtent)
            stops.emplace_back(tab.location(), tab.alignment());
    std::sort(stops.begin(), stops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    // Beyond the last stop, the default interval goes on; Pango would repeat the last gap.
    if (paragraph.defaultTabInterval > 0) {
        CGFloat last = stops.empty() ? 0 : stops.back().first;
        CGFloat next = (std::floor(last / paragraph.defaultTabInterval) + 1) * paragraph.defaultTabInterval;
        while (stops.size() < 32) {
            stops.emplace_back(next, NSTextAlignmentLeft);
            next += paragraph.defaultTabInterval;
        }
    }
    if (stops.empty())
        return nullptr;
    TabArrayPtr tabs(pango_tab_array_new(int(stops.size()), FALSE));
    for (size_t i = 0; i < stops.size(); ++i) {
        PangoTabAlign align = PANGO_TAB_LEFT;
        if (stops[i].second == NSTextAlignmentRight)
            align = PANGO_TAB_RIGHT;
        else if (stops[i].second == NSTextAlignmentCenter)
            align = PANGO_TAB_CENTER;
        pango_tab_array_set_tab(tabs.get(), int(i), align, pangoUnits(stops[i].first));
    }
    return tabs;
}

struct Shape {
    CGFloat scale = 1;
    CGFloat width = Unbounded; // wrap width; Unbounded: no wrapping
    Wrapping wrapping = Wrapping::Word;
};

LayoutPtr makeLayout(const Styled& text, const Paragraph& paragraph, const UIFont& defaultFont, const Shape& shape)
{
    LayoutPtr layout(pango_layout_new(pangoContext()));
    PangoLayout* l = layout.get();
    // An empty last line (after a final line break) is in the font the text ends in.
    const UIFont& endFont = !text.spans.empty() && text.spans.back().font ? *text.spans.back().font : defaultFont;
    auto endDescription = descriptionOf(endFont, shape.scale);
    pango_layout_set_font_description(l, endDescription.get());
    pango_layout_set_text(l, text.text.data(), int(text.text.size()));

    AttrListPtr attributes(pango_attr_list_new());
    // The platform breaks inside a word without adding a hyphen.
    pango_attr_list_insert(attributes.get(), pango_attr_insert_hyphens_new(FALSE));
    for (const auto& span : text.spans) {
        auto place = [&](PangoAttribute* attribute) {
            attribute->start_index = guint(span.start);
            attribute->end_index = guint(span.end);
            pango_attr_list_insert(attributes.get(), attribute);
        };
        auto description = descriptionOf(span.font ? *span.font : defaultFont, shape.scale);
        place(pango_attr_font_desc_new(description.get()));
        auto channel = [](CGFloat c) { return guint16(std::lround(std::clamp(c, 0.0, 1.0) * 65535)); };
        place(pango_attr_foreground_new(channel(span.rgba[0]), channel(span.rgba[1]), channel(span.rgba[2])));
        // Pango reads an alpha of 0 as "not set"; the smallest one is as good as none.
        place(pango_attr_foreground_alpha_new(std::max<guint16>(1, channel(span.rgba[3]))));
        if (span.underline != NSUnderlineStyleNone) {
            bool isDouble = (span.underline & 0x0F) == NSUnderlineStyleDouble;
            place(pango_attr_underline_new(isDouble ? PANGO_UNDERLINE_DOUBLE : PANGO_UNDERLINE_SINGLE));
        }
    }
    pango_layout_set_attributes(l, attributes.get());

    if (auto tabs = tabsOf(paragraph))
        pango_layout_set_tabs(l, tabs.get());
    CGFloat first = paragraph.firstLineHeadIndent, head = paragraph.headIndent;
    pango_layout_set_indent(l, pangoUnits(first - head));
    if (shape.wrapping != Wrapping::None && bounded(shape.width)) {
        pango_layout_set_width(l, std::max(0, pangoUnits(shape.width - std::min(first, head))));
        pango_layout_set_wrap(l, shape.wrapping == Wrapping::Character ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD_CHAR);
        pango_layout_set_justify(l, paragraph.alignment == NSTextAlignmentJustified);
    }
    return layout;
}

CGFloat leadingOf(PangoFont* font)
{
    if (!font)
        return 0;
    FontMetricsPtr metrics(pango_font_get_metrics(font, nullptr));
    int gap = pango_font_metrics_get_height(metrics.get()) - pango_font_metrics_get_ascent(metrics.get())
        - pango_font_metrics_get_descent(metrics.get());
    return std::max(0.0, points(gap));
}

// One line as shown: a line of a Pango layout, with its place in the box.
struct Line {
    PangoLayout* layout = nullptr;
    int index = 0;
    std::string text;
    bool paragraphStart = true;
    size_t start = 0; // byte offset in the styled text (for lines of the text's own layout)
    size_t paragraphEnd = 0;
    CGFloat width = 0, ascent = 0, descent = 0, leading = 0;
    CGFloat x = 0, baseline = 0, top = 0;

    PangoLayoutLine* pangoLine() const { return pango_layout_get_line_readonly(layout, index); }
    CGFloat height() const { return ascent + descent + leading; }
};

// `emptyFont`: the font of a line without glyphs.
void measure(Line& line, const UIFont& emptyFont, CGFloat scale)
{
    PangoLayoutLine* pangoLine = line.pangoLine();
    PangoRectangle logical;
    pango_layout_line_get_extents(pangoLine, nullptr, &logical);
    line.width = points(logical.width);
    line.ascent = points(-logical.y);
    line.descent = points(logical.height + logical.y);
    line.leading = 0;
    bool any = false;
    for (GSList* run = pangoLine->runs; run; run = run->next) {
        auto* glyphs = static_cast<PangoGlyphItem*>(run->data);
        line.leading = std::max(line.leading, leadingOf(glyphs->item->analysis.font));
        any = true;
    }
    if (!any) {
        auto description = descriptionOf(emptyFont, scale);
        FontPtr font(pango_context_load_font(pangoContext(), description.get()));
        line.leading = leadingOf(font.get());
    }
}

std::vector<Line> linesOf(PangoLayout* layout, const Styled& text, const UIFont& defaultFont, CGFloat scale)
{
    std::vector<Line> lines;
    int count = pango_layout_get_line_count(layout);
    for (int i = 0; i < count; ++i) {
        PangoLayoutLine* pangoLine = pango_layout_get_line_readonly(layout, i);
        Line line;
        line.layout = layout;
        line.index = i;
        line.start = size_t(pangoLine->start_index);
        line.text = text.text.substr(line.start, size_t(pangoLine->length));
        line.paragraphStart = pangoLine->is_paragraph_start;
        size_t end = text.text.find_first_of("\n\r", line.start + line.text.size());
        line.paragraphEnd = end == std::string::npos ? text.text.size() : end;
        const auto& font = text.spanAt(line.start).font;
        measure(line, font ? *font : defaultFont, scale);
        lines.push_back(std::move(line));
    }
    return lines;
}

void placeVertically(std::vector<Line>& lines, CGFloat lineSpacing)
{
    CGFloat top = 0;
    for (auto& line : lines) {
        line.top = top;
        line.baseline = top + line.ascent;
        top += line.height() + lineSpacing;
    }
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Byte offsets where a cursor may stand (never inside a cluster), 0 and the end included.
std::vector<size_t> cursorStops(const Styled& text, PangoLayout* layout)
{
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout, &count);
    std::vector<size_t> stops;
    const char* begin = text.text.data();
    const char* p = begin;
    for (int i = 0; i < count; ++i) {
        size_t offset = size_t(p - begin);
        if (attrs[i].is_cursor_position || offset == 0 || offset == text.text.size())
            stops.push_back(offset);
        if (offset >= text.text.size())
            break;
        p = g_utf8_next_char(p);
    }
    if (stops.empty() || stops.back() != text.text.size())
        stops.push_back(text.text.size());
    return stops;
}

} // namespace

Truncation truncationFor(NSLineBreakMode mode)
{
    switch (mode) {
    case NSLineBreakByTruncatingHead:
        return Truncation::Head;
    case NSLineBreakByTruncatingMiddle:
        return Truncation::Middle;
    case NSLineBreakByTruncatingTail:
        return Truncation::Tail;
    default:
        return Truncation::None;
    }
}

std::shared_ptr<NSParagraphStyle> paragraphStyleOf(const NSAttributedString& text)
{
    std::shared_ptr<NSParagraphStyle> style;
    if (!text.runs().empty()) {
        const auto& attributes = text.runs().front().attributes;
        style = attribute<NSParagraphStyle>(attributes, NSParagraphStyleAttributeName);
        if (!style)
            style = attribute<NSMutableParagraphStyle>(attributes, NSParagraphStyleAttributeName);
    }
    return style ? style : NSParagraphStyle::defaultParagraphStyle();
}

struct TextLayout::Impl {
    Styled text;
    Paragraph paragraph;
    std::shared_ptr<UIFont> defaultFont;
    LayoutOptions options;
    CGFloat scale = 1;
    bool truncated = false;
    bool clips = false;
    std::vector<LayoutPtr> layouts; // [0]: the whole text; then lines made to truncate
    std::vector<Line> lines;
    CGRect used = CGRectZero;

    Shape shape(CGFloat scale) const { return Shape{scale, options.width, options.wrapping}; }

    static CGFloat widthOfFirstLine(PangoLayout* layout)
    {
        PangoRectangle logical;
        pango_layout_line_get_extents(pango_layout_get_line_readonly(layout, 0), nullptr, &logical);
        return points(logical.width);
    }

    CGFloat singleLineWidth(const Styled& text) const
    {
        return widthOfFirstLine(makeLayout(text, paragraph, *defaultFont, Shape{scale, Unbounded, Wrapping::None}).get());
    }

    // Whether the text fits the box at `scale` without anything left out or cut. When it does,
    // its layout goes to `fitted`, so the scale chosen need not be laid out again.
    bool fits(CGFloat scale, LayoutPtr& fitted) const
    {
        auto layout = makeLayout(text, paragraph, *defaultFont, shape(scale));
        auto all = linesOf(layout.get(), text, *defaultFont, scale);
        if (options.maximumNumberOfLines > 0 && all.size() > size_t(options.maximumNumberOfLines))
            return false;
        placeVertically(all, paragraph.lineSpacing);
        if (bounded(options.height) && all.back().top + all.back().height() > options.height + 1e-6)
            return false;
        if (bounded(options.width))
            for (const auto& line : all)
                if (indentOf(line) + line.width > options.width + 1e-6)
                    return false;
        fitted = std::move(layout);
        return true;
    }

    CGFloat indentOf(const Line& line) const { return line.paragraphStart ? paragraph.firstLineHeadIndent : paragraph.headIndent; }

    // The scale to draw at; `fitted` gets its layout where a fitting test already made it.
    CGFloat chooseScale(LayoutPtr& fitted) const
    {
        CGFloat minimum = options.minimumScaleFactor;
        if (!(minimum > 0 && minimum < 1) || fits(1, fitted))
            return 1;
        if (!fits(minimum, fitted))
            return minimum;
        CGFloat low = minimum, high = 1;
        for (int i = 0; i < 12; ++i) {
            CGFloat mid = (low + high) / 2;
            LayoutPtr layout;
            if (fits(mid, layout)) {
                low = mid;
                fitted = std::move(layout);
            } else {
                high = mid;
            }
        }
        return low;
    }

    // The text cut with "…" to fit `available` on one line. `more`: text follows that this
    // line cannot show, so a tail truncation shows "…" even when the line itself fits.
    Styled ellipsized(const Styled& line, Truncation truncation, CGFloat available, bool more) const
    {
        bool forced = more && truncation == Truncation::Tail;
        auto whole = makeLayout(line, paragraph, *defaultFont, Shape{scale, Unbounded, Wrapping::None});
        if (!forced && widthOfFirstLine(whole.get()) <= available + 1e-6)
            return line;
        auto stops = cursorStops(line, whole.get());
        size_t clusters = stops.size() - 1;
        auto candidate = [&](size_t kept) {
            size_t headEnd = 0, tailStart = line.text.size();
            if (truncation == Truncation::Tail)
                headEnd = stops[kept];
            else if (truncation == Truncation::Head)
                tailStart = stops[clusters - kept];
            else {
                headEnd = stops[(kept + 1) / 2];
                tailStart = stops[clusters - kept / 2];
            }
            while (headEnd > 0 && isBlank(line.text[headEnd - 1]))
                --headEnd;
            while (tailStart < line.text.size() && isBlank(line.text[tailStart]))
                ++tailStart;
            Styled out = line.slice(0, headEnd);
            out.append(line.ellipsisLike(truncation == Truncation::Head ? tailStart : (headEnd > 0 ? headEnd - 1 : 0)));
            out.append(line.slice(tailStart, line.text.size()));
            return out;
        };
        // The most clusters kept that still fit; a line that fits nothing shows "…" alone.
        size_t low = 0, high = forced ? clusters : clusters - 1;
        if (clusters == 0)
            return candidate(0);
        while (low < high) {
            size_t mid = (low + high + 1) / 2;
            if (singleLineWidth(candidate(mid)) <= available + 1e-6)
                low = mid;
            else
                high = mid - 1;
        }
        return candidate(low);
    }

    // Replaces `line` by a line of its own showing `shown`.
    void replace(Line& line, const Styled& shown)
    {
        layouts.push_back(makeLayout(shown, paragraph, *defaultFont, Shape{scale, Unbounded, Wrapping::None}));
        line.layout = layouts.back().get();
        line.index = 0;
        line.text = shown.text;
        measure(line, shown.spans.empty() || !shown.spans.back().font ? *defaultFont : *shown.spans.back().font, scale);
    }

    void layOut()
    {
        if (text.text.empty())
            return;
        LayoutPtr fitted;
        scale = chooseScale(fitted);
        layouts.push_back(fitted ? std::move(fitted) : makeLayout(text, paragraph, *defaultFont, shape(scale)));
        auto all = linesOf(layouts.front().get(), text, *defaultFont, scale);
        placeVertically(all, paragraph.lineSpacing);

        size_t kept = all.size();
        if (options.maximumNumberOfLines > 0)
            kept = std::min(kept, size_t(options.maximumNumberOfLines));
        if (bounded(options.height))
            for (size_t i = 1; i < kept; ++i)
                if (all[i].top + all[i].height() > options.height + 1e-6) {
                    kept = i;
                    break;
                }
        truncated = kept < all.size();
        lines.assign(std::make_move_iterator(all.begin()), std::make_move_iterator(all.begin() + long(kept)));

        bool wide = bounded(options.width);
        if (options.wrapping == Wrapping::None && wide) {
            for (auto& line : lines) {
                CGFloat available = options.width - indentOf(line);
                if (line.width <= available + 1e-6)
                    continue;
                truncated = true;
                if (options.truncation == Truncation::None)
                    clips = true;
                else
                    replace(line, ellipsized(text.slice(line.start, line.start + line.text.size()), options.truncation, available, false));
            }
        } else if (truncated && options.truncation != Truncation::None) {
            Line& last = lines.back();
            // The last line shown takes the rest of its paragraph, cut to fit.
            bool more = last.paragraphEnd < text.text.size();
            CGFloat available = wide ? options.width - indentOf(last) : Unbounded;
            replace(last, ellipsized(text.slice(last.start, last.paragraphEnd), options.truncation, available, more));
        }
        placeVertically(lines, paragraph.lineSpacing);
        placeHorizontally();
    }

    void placeHorizontally()
    {
        CGFloat box = 0;
        bool wide = bounded(options.width);
        if (wide)
            box = options.width;
        else
            for (const auto& line : lines)
                box = std::max(box, indentOf(line) + line.width);
        CGFloat factor = 0;
        if (paragraph.alignment == NSTextAlignmentCenter)
            factor = 0.5;
        else if (paragraph.alignment == NSTextAlignmentRight)
            factor = 1;
        CGFloat minX = Unbounded, maxX = 0;
        for (auto& line : lines) {
            CGFloat indent = indentOf(line);
            line.x = indent + std::max(0.0, box - indent - line.width) * factor;
            minX = std::min(minX, line.x);
            maxX = std::max(maxX, clips ? std::min(box, line.x + line.width) : line.x + line.width);
        }
        const Line& last = lines.back();
        used = CGRectMake(minX, 0, std::max(0.0, maxX - minX), last.top + last.height());
    }
};

TextLayout::TextLayout(const NSAttributedString& text, const LayoutOptions& options) : m_impl(std::make_unique<Impl>())
{
    Impl& impl = *m_impl;
    impl.options = options;
    impl.defaultFont = options.defaultFont ? options.defaultFont : UIFont::systemFontOfSize(12);
    impl.text = styledText(text, impl.defaultFont, options.defaultColor);
    impl.paragraph = paragraphOf(text, options);
    impl.layOut();
}

TextLayout::~TextLayout() = default;

CGRect TextLayout::usedRect() const { return m_impl->used; }
size_t TextLayout::numberOfLines() const { return m_impl->lines.size(); }
CGFloat TextLayout::firstBaseline() const { return m_impl->lines.empty() ? 0 : m_impl->lines.front().baseline; }
CGFloat TextLayout::scaleFactor() const { return m_impl->scale; }
bool TextLayout::isTruncated() const { return m_impl->truncated; }

std::string TextLayout::textOfLine(size_t line) const
{
    return line < m_impl->lines.size() ? m_impl->lines[line].text : std::string();
}

void TextLayout::drawAtPoint(const CGContextRef& context, CGPoint origin) const
{
    const Impl& impl = *m_impl;
    if (!context || impl.lines.empty() || !std::isfinite(origin.x) || !std::isfinite(origin.y))
        return;
    context->drawWithCairo([&](cairo_t* cr) {
        if (impl.clips) {
            cairo_rectangle(cr, origin.x, origin.y - kLargestExtent, impl.options.width, 2 * kLargestExtent);
            cairo_clip(cr);
        }
        for (const auto& line : impl.lines) {
            cairo_move_to(cr, origin.x + line.x, origin.y + line.baseline);
            pango_cairo_show_layout_line(cr, line.pangoLine());
        }
    });
}

void TextLayout::drawCentredVerticallyInRect(const CGContextRef& context, CGRect rect) const
{
    CGFloat height = m_impl->used.size.height;
    CGFloat top = rect.origin.y + (height < rect.size.height ? (rect.size.height - height) / 2 : 0);
    drawAtPoint(context, CGPointMake(rect.origin.x, top));
}

} // namespace Text
