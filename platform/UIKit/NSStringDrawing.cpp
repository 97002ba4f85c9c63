#include "UIKit/NSStringDrawing.h"

#include "UIKit/TextLayout.h"
#include "UIKit/UIGraphics.h"

namespace {

Text::LayoutOptions optionsFor(const NSAttributedString& text, CGSize size, NSStringDrawingOptions options,
                               const std::shared_ptr<NSStringDrawingContext>& context)
{
    Text::LayoutOptions layout;
    if (context)
        layout.minimumScaleFactor = context->minimumScaleFactor() > 0 ? context->minimumScaleFactor() : 1;
    if (!(options & NSStringDrawingUsesLineFragmentOrigin)) {
        layout.wrapping = Text::Wrapping::None;
        layout.maximumNumberOfLines = 1;
        return layout;
    }
    layout.width = size.width;
    NSLineBreakMode mode = Text::paragraphStyleOf(text)->lineBreakMode();
    // Wrapping modes wrap; the others keep each paragraph on one line, clipped or cut.
    if (mode == NSLineBreakByCharWrapping)
        layout.wrapping = Text::Wrapping::Character;
    else if (mode != NSLineBreakByWordWrapping)
        layout.wrapping = Text::Wrapping::None;
    layout.truncation = Text::truncationFor(mode);
    if (options & NSStringDrawingTruncatesLastVisibleLine) {
        layout.height = size.height;
        if (layout.truncation == Text::Truncation::None)
            layout.truncation = Text::Truncation::Tail;
    }
    return layout;
}

// The measured rectangle relative to the drawing origin: the box's top left with line
// fragment origins, else the first baseline.
CGRect placed(const Text::TextLayout& layout, NSStringDrawingOptions options)
{
    CGRect used = layout.usedRect();
    CGRect rect = CGRectMake(0, 0, used.size.width, used.size.height);
    if (!(options & NSStringDrawingUsesLineFragmentOrigin))
        rect.origin.y = -layout.firstBaseline();
    return rect;
}

} // namespace

void NSStringDrawing::report(const std::shared_ptr<NSStringDrawingContext>& context, const Text::TextLayout& layout, CGRect rect)
{
    if (!context)
        return;
    context->m_actualScaleFactor = layout.scaleFactor();
    context->m_totalBounds = rect;
}

CGRect NSStringDrawing::boundingRectWithSize_options_attributes_context(const std::string& text, CGSize size, NSStringDrawingOptions options,
                                                                        const NSDictionary& attributes,
                                                                        const std::shared_ptr<NSStringDrawingContext>& context)
{
    return boundingRectWithSize_options_context(NSAttributedString(text, attributes), size, options, context);
}

CGRect NSStringDrawing::boundingRectWithSize_options_context(const NSAttributedString& text, CGSize size, NSStringDrawingOptions options,
                                                             const std::shared_ptr<NSStringDrawingContext>& context)
{
    Text::TextLayout layout(text, optionsFor(text, size, options, context));
    CGRect rect = placed(layout, options);
    report(context, layout, rect);
    return rect;
}

CGSize NSStringDrawing::sizeWithAttributes(const std::string& text, const NSDictionary& attributes)
{
    return size(NSAttributedString(text, attributes));
}

CGSize NSStringDrawing::size(const NSAttributedString& text)
{
    return boundingRectWithSize_options_context(text, CGSizeMake(Text::Unbounded, Text::Unbounded), 0, nullptr).size;
}

void NSStringDrawing::drawWithRect_options_attributes_context(const std::string& text, CGRect rect, NSStringDrawingOptions options,
                                                              const NSDictionary& attributes,
                                                              const std::shared_ptr<NSStringDrawingContext>& context)
{
    drawWithRect_options_context(NSAttributedString(text, attributes), rect, options, context);
}

void NSStringDrawing::drawWithRect_options_context(const NSAttributedString& text, CGRect rect, NSStringDrawingOptions options,
                                                   const std::shared_ptr<NSStringDrawingContext>& context)
{
    auto cg = UIGraphicsGetCurrentContext();
    if (!cg)
        return;
    Text::TextLayout layout(text, optionsFor(text, rect.size, options, context));
    CGPoint origin = rect.origin;
    if (!(options & NSStringDrawingUsesLineFragmentOrigin))
        origin.y -= layout.firstBaseline();
    layout.drawAtPoint(cg, origin);
    CGRect covered = placed(layout, options);
    covered.origin.x += rect.origin.x;
    covered.origin.y += rect.origin.y;
    report(context, layout, covered);
}

void NSStringDrawing::drawInRect_withAttributes(const std::string& text, CGRect rect, const NSDictionary& attributes)
{
    drawWithRect_options_attributes_context(text, rect, NSStringDrawingUsesLineFragmentOrigin | NSStringDrawingTruncatesLastVisibleLine,
                                            attributes, nullptr);
}

void NSStringDrawing::drawAtPoint_withAttributes(const std::string& text, CGPoint point, const NSDictionary& attributes)
{
    drawWithRect_options_attributes_context(text, CGRectMake(point.x, point.y, Text::Unbounded, Text::Unbounded),
                                            NSStringDrawingUsesLineFragmentOrigin, attributes, nullptr);
}
