#pragma once
// How a paragraph of an attributed text is laid out: alignment, tab stops, indents, line
// spacing and how lines break.
// A value held through std::shared_ptr in text attributes; build it as an
// NSMutableParagraphStyle, then treat it as read-only once attached. Any thread.
#include <memory>
#include <vector>

enum NSTextAlignment : long {
    NSTextAlignmentLeft = 0,
    NSTextAlignmentCenter = 1,
    NSTextAlignmentRight = 2,
    NSTextAlignmentJustified = 3,
    NSTextAlignmentNatural = 4,
};

enum NSLineBreakMode : long {
    NSLineBreakByWordWrapping = 0,
    NSLineBreakByCharWrapping = 1,
    NSLineBreakByClipping = 2,
    NSLineBreakByTruncatingHead = 3,
    NSLineBreakByTruncatingTail = 4,
    NSLineBreakByTruncatingMiddle = 5,
};

// One tab stop: text after a tab aligns at `location` points from the paragraph's start.
class NSTextTab {
public:
    NSTextTab(NSTextAlignment alignment, double location) : m_alignment(alignment), m_location(location) {}
    static std::shared_ptr<NSTextTab> tabWithTextAlignment_location(NSTextAlignment alignment, double location)
    {
        return std::make_shared<NSTextTab>(alignment, location);
    }
    NSTextAlignment alignment() const { return m_alignment; }
    double location() const { return m_location; }
    bool operator==(const NSTextTab&) const = default;

private:
    NSTextAlignment m_alignment;
    double m_location;
};

class NSParagraphStyle {
public:
    virtual ~NSParagraphStyle() = default;
    static std::shared_ptr<NSParagraphStyle> defaultParagraphStyle() { return std::make_shared<NSParagraphStyle>(); }

    NSTextAlignment alignment() const { return m_alignment; }
    const std::vector<NSTextTab>& tabStops() const { return m_tabStops; }
    double defaultTabInterval() const { return m_defaultTabInterval; }
    double firstLineHeadIndent() const { return m_firstLineHeadIndent; }
    double headIndent() const { return m_headIndent; }
    double lineSpacing() const { return m_lineSpacing; }
    NSLineBreakMode lineBreakMode() const { return m_lineBreakMode; }

protected:
    NSTextAlignment m_alignment = NSTextAlignmentNatural;
    // The platform's default: a stop every 28 points for the first twelve.
    std::vector<NSTextTab> m_tabStops = defaultTabStops();
    double m_defaultTabInterval = 0;
    double m_firstLineHeadIndent = 0;
    double m_headIndent = 0;
    double m_lineSpacing = 0;
    NSLineBreakMode m_lineBreakMode = NSLineBreakByWordWrapping;

private:
    static std::vector<NSTextTab> defaultTabStops()
    {
        std::vector<NSTextTab> stops;
        for (int i = 1; i <= 12; ++i)
            stops.emplace_back(NSTextAlignmentLeft, 28.0 * i);
        return stops;
    }
};

class NSMutableParagraphStyle : public NSParagraphStyle {
public:
    void setAlignment(NSTextAlignment alignment) { m_alignment = alignment; }
    void setTabStops(std::vector<NSTextTab> tabStops) { m_tabStops = std::move(tabStops); }
    void setDefaultTabInterval(double interval) { m_defaultTabInterval = interval; }
    void setFirstLineHeadIndent(double indent) { m_firstLineHeadIndent = indent; }
    void setHeadIndent(double indent) { m_headIndent = indent; }
    void setLineSpacing(double spacing) { m_lineSpacing = spacing; }
    void setLineBreakMode(NSLineBreakMode mode) { m_lineBreakMode = mode; }
};
