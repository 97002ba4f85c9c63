#pragma once
// Measuring and drawing strings and attributed strings as the platform's string drawing
// does, for code that sizes views by their text (cell heights, table headers) or draws text
// itself. Both go through Text::TextLayout, so a measured rectangle is what the drawing
// covers. Sizes are not rounded: round up (ceil) to size a view. Main thread, as UIKit.
//
// Without NSStringDrawingUsesLineFragmentOrigin the text is one line whose baseline is the
// rectangle's origin (the measured rectangle then starts one ascender above it); with it,
// the rectangle's origin is the top left of the first line and lines wrap at the width.
// The paragraph style's line break mode decides how: word or character wrapping, or one
// line per paragraph, clipped or truncated with "…". The height only limits the lines with
// NSStringDrawingTruncatesLastVisibleLine, which then also cuts the last line shown.
#include <memory>
#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSDictionary.h"

namespace Text {
class TextLayout;
}

using NSStringDrawingOptions = unsigned long;
inline constexpr NSStringDrawingOptions NSStringDrawingUsesLineFragmentOrigin = 1 << 0;
inline constexpr NSStringDrawingOptions NSStringDrawingUsesFontLeading = 1 << 1;
inline constexpr NSStringDrawingOptions NSStringDrawingUsesDeviceMetrics = 1 << 3;
inline constexpr NSStringDrawingOptions NSStringDrawingTruncatesLastVisibleLine = 1 << 5;

// Asks for shrinking (minimumScaleFactor below 1) and reports what a measurement or drawing
// did: the scale it used and the rectangle the text covered.
class NSStringDrawingContext {
public:
    CGFloat minimumScaleFactor() const { return m_minimumScaleFactor; }
    void setMinimumScaleFactor(CGFloat factor) { m_minimumScaleFactor = factor; }
    CGFloat actualScaleFactor() const { return m_actualScaleFactor; }
    CGRect totalBounds() const { return m_totalBounds; }

private:
    friend class NSStringDrawing;
    CGFloat m_minimumScaleFactor = 0;
    CGFloat m_actualScaleFactor = 1;
    CGRect m_totalBounds = CGRectZero;
};

// The drawing operations of NSString and NSAttributedString; the receiver comes first. Text
// without a font is in the system font at 12, without a colour black.
class NSStringDrawing {
public:
    static CGRect boundingRectWithSize_options_attributes_context(const std::string& text, CGSize size, NSStringDrawingOptions options,
                                                                  const NSDictionary& attributes,
                                                                  const std::shared_ptr<NSStringDrawingContext>& context);
    static CGRect boundingRectWithSize_options_context(const NSAttributedString& text, CGSize size, NSStringDrawingOptions options,
                                                       const std::shared_ptr<NSStringDrawingContext>& context);
    // The size of the text on one line.
    static CGSize sizeWithAttributes(const std::string& text, const NSDictionary& attributes);
    static CGSize size(const NSAttributedString& text);

    // Draw into UIGraphicsGetCurrentContext(); nothing happens without one.
    static void drawWithRect_options_attributes_context(const std::string& text, CGRect rect, NSStringDrawingOptions options,
                                                        const NSDictionary& attributes,
                                                        const std::shared_ptr<NSStringDrawingContext>& context);
    static void drawWithRect_options_context(const NSAttributedString& text, CGRect rect, NSStringDrawingOptions options,
                                             const std::shared_ptr<NSStringDrawingContext>& context);
    // Wrapped inside the rectangle and limited to its height.
    static void drawInRect_withAttributes(const std::string& text, CGRect rect, const NSDictionary& attributes);
    static void drawAtPoint_withAttributes(const std::string& text, CGPoint point, const NSDictionary& attributes);

private:
    static void report(const std::shared_ptr<NSStringDrawingContext>& context, const Text::TextLayout& layout, CGRect rect);
};
