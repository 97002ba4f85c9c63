#pragma once
// Text with attributes over ranges (font, colour, underline, paragraph style). Ranges count bytes of
// the UTF-8 text. Attribute values are held in std::any: a font as std::shared_ptr<UIFont>,
// a colour as std::shared_ptr<UIColor>, a paragraph style as
// std::shared_ptr<NSParagraphStyle> (also when built as NSMutableParagraphStyle: store it
// upcast so readers find it), an underline as long (an NSUnderlineStyle). The text is kept as runs: consecutive ranges covering it,
// each with its attributes. Build on one thread; read-only afterwards.
#include <memory>
#include <string>
#include <vector>

#include "Foundation/NSDictionary.h"
#include "Foundation/NSParagraphStyle.h"
#include "Foundation/NSRange.h"

extern const std::string NSFontAttributeName;
extern const std::string NSForegroundColorAttributeName;
extern const std::string NSParagraphStyleAttributeName;
extern const std::string NSUnderlineStyleAttributeName;

enum NSUnderlineStyle : long {
    NSUnderlineStyleNone = 0x00,
    NSUnderlineStyleSingle = 0x01,
    NSUnderlineStyleThick = 0x02,
    NSUnderlineStyleDouble = 0x09,
};

class NSAttributedString {
public:
    struct Run {
        NSRange range;
        NSDictionary attributes;
    };

    NSAttributedString() = default;
    explicit NSAttributedString(std::string text, NSDictionary attributes = {});
    virtual ~NSAttributedString() = default;

    static std::shared_ptr<NSAttributedString> attributedStringWithString(const std::string& text, NSDictionary attributes = {});

    const std::string& string() const { return m_text; }
    NSUInteger length() const { return m_text.size(); }
    const std::vector<Run>& runs() const { return m_runs; }
    // The attributes at `index`; `effectiveRange` (optional) receives the run's range.
    // Empty past the end.
    NSDictionary attributesAtIndex_effectiveRange(NSUInteger index, NSRange* effectiveRange = nullptr) const;
    std::string description() const { return m_text; }

protected:
    // Splits runs so that `range` starts and ends on run boundaries; returns the clamped range.
    NSRange splitAt(NSRange range);
    void dropEmptyRuns();

    std::string m_text;
    std::vector<Run> m_runs;
};

class NSMutableAttributedString : public NSAttributedString {
public:
    using NSAttributedString::NSAttributedString;

    // Ranges reaching past the end are clipped to the text.
    void addAttribute_value_range(const std::string& name, std::any value, NSRange range);
    void addAttributes_range(const NSDictionary& attributes, NSRange range);
    void setAttributes_range(const NSDictionary& attributes, NSRange range);
    void removeAttribute_range(const std::string& name, NSRange range);
    void appendAttributedString(const NSAttributedString& other);
};
