#pragma once
// The UI kit's one typesetter: an attributed text laid out in a box, measured and drawn from
// the same lines, so that what a view measures is what it draws. Labels, alert texts, bar
// titles, text fields and the string drawing functions all go through it.
//
// Glyphs come from Pango over the fontconfig faces that UIFont names, with hinting off and
// glyph positions unrounded: every number is the face's own metrics scaled to the size, the
// same on every machine with the same font packages. Lines follow the platform's model: a
// line is ascender + descender + leading of its fonts high, the paragraph's line spacing lies
// between lines, and the first baseline is one ascender below the top of the box.
// The paragraph style of the text's first character governs the whole text.
//
// A layout is immutable once made; make and use it on one thread (UIKit: the main thread).
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "CoreGraphics/CGContext.h"
#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSParagraphStyle.h"

class UIColor;
class UIFont;

namespace Text {

inline constexpr CGFloat Unbounded = std::numeric_limits<CGFloat>::infinity();

enum class Wrapping {
    Word,      // at word boundaries; a word longer than the line breaks between characters
    Character, // between any two characters
    None,      // each paragraph is one line, cut at the box's width
};

// Where "…" replaces text that does not fit: on the last line shown when lines are left out
// (wrapping) or on each paragraph's line that is too wide (no wrapping). None clips.
enum class Truncation { None, Head, Middle, Tail };

// The truncation a line break mode asks for (None for the wrapping and clipping modes).
Truncation truncationFor(NSLineBreakMode mode);
// The paragraph style of the text's first character, the one a layout follows; the default
// style when it has none.
std::shared_ptr<NSParagraphStyle> paragraphStyleOf(const NSAttributedString& text);

struct LayoutOptions {
    // The box. Lines wrap or truncate at `width`; a line whose bottom would lie below `height`
    // is left out (the first line always stays). Not finite or not positive: unbounded.
    CGFloat width = Unbounded;
    CGFloat height = Unbounded;
    // At most this many lines; 0 (or less) any number.
    long maximumNumberOfLines = 0;
    Wrapping wrapping = Wrapping::Word;
    Truncation truncation = Truncation::None;
    // For runs of the text without a font or a colour: null means the system font at 12 and
    // black, the platform's defaults for attributed text.
    std::shared_ptr<UIFont> defaultFont;
    std::shared_ptr<UIColor> defaultColor;
    // Replaces the paragraph style's alignment.
    std::optional<NSTextAlignment> alignment;
    // Below 1: every font may shrink, down to this factor of its size, so that the text fits
    // the box (width, lines and height) without truncation; the largest factor that fits is
    // taken. At the smallest factor, text that still does not fit is truncated.
    CGFloat minimumScaleFactor = 1;
};

class TextLayout {
public:
    TextLayout(const NSAttributedString& text, const LayoutOptions& options);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    // The rectangle the lines cover in the box (origin at its top left, y down): from the
    // leftmost line start to the rightmost line end, from the top to the last line's bottom
    // (leading included). Not rounded; zero for an empty text.
    CGRect usedRect() const;
    size_t numberOfLines() const;
    // The first line's baseline, from the top of the box; 0 without lines.
    CGFloat firstBaseline() const;
    // The factor the fonts were shrunk by (1: not at all).
    CGFloat scaleFactor() const;
    // Whether text was left out or replaced by "…".
    bool isTruncated() const;
    // The text a line shows, "…" included; empty past the last line.
    std::string textOfLine(size_t line) const;

    // Draws the lines with the box's top left corner at `origin`, in the context's user
    // space, which must have y pointing down (UIKit's drawing spaces).
    void drawAtPoint(const CGContextRef& context, CGPoint origin) const;
    // Draws with the box's left edge on the rectangle's and the lines centred vertically in
    // it (from its top when they are taller), as labels and fields place their text.
    void drawCentredVerticallyInRect(const CGContextRef& context, CGRect rect) const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace Text
