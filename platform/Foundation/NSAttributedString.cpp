#include "Foundation/NSAttributedString.h"

#include <algorithm>

const std::string NSFontAttributeName = "NSFont";
const std::string NSForegroundColorAttributeName = "NSColor";
const std::string NSParagraphStyleAttributeName = "NSParagraphStyle";
const std::string NSUnderlineStyleAttributeName = "NSUnderline";

NSAttributedString::NSAttributedString(std::string text, NSDictionary attributes) : m_text(std::move(text))
{
    if (!m_text.empty())
        m_runs.push_back(Run{NSMakeRange(0, m_text.size()), std::move(attributes)});
}

std::shared_ptr<NSAttributedString> NSAttributedString::attributedStringWithString(const std::string& text, NSDictionary attributes)
{
    return std::make_shared<NSAttributedString>(text, std::move(attributes));
}

NSDictionary NSAttributedString::attributesAtIndex_effectiveRange(NSUInteger index, NSRange* effectiveRange) const
{
    for (const auto& run : m_runs) {
        if (index >= run.range.location && index < run.range.end()) {
            if (effectiveRange)
                *effectiveRange = run.range;
            return run.attributes;
        }
    }
    if (effectiveRange)
        *effectiveRange = NSMakeRange(index, 0);
    return {};
}

NSRange NSAttributedString::splitAt(NSRange range)
{
    NSUInteger start = std::min(range.location, m_text.size());
    NSUInteger end = start + std::min(range.length, m_text.size() - start);
    for (NSUInteger cut : {start, end}) {
        for (size_t i = 0; i < m_runs.size(); ++i) {
            Run& run = m_runs[i];
            if (cut > run.range.location && cut < run.range.end()) {
                Run tail{NSMakeRange(cut, run.range.end() - cut), run.attributes};
                run.range.length = cut - run.range.location;
                m_runs.insert(m_runs.begin() + static_cast<long>(i) + 1, std::move(tail));
                break;
            }
        }
    }
    return NSMakeRange(start, end - start);
}

void NSAttributedString::dropEmptyRuns()
{
    // Neighbouring runs with equal attributes stay apart: std::any values cannot be compared.
    std::erase_if(m_runs, [](const Run& run) { return run.range.length == 0; });
}

void NSMutableAttributedString::addAttribute_value_range(const std::string& name, std::any value, NSRange range)
{
    addAttributes_range(NSDictionary{{name, std::move(value)}}, range);
}

void NSMutableAttributedString::addAttributes_range(const NSDictionary& attributes, NSRange range)
{
    NSRange r = splitAt(range);
    for (auto& run : m_runs)
        if (run.range.location >= r.location && run.range.end() <= r.end())
            for (const auto& [key, value] : attributes)
                run.attributes[key] = value;
    dropEmptyRuns();
}

void NSMutableAttributedString::setAttributes_range(const NSDictionary& attributes, NSRange range)
{
    NSRange r = splitAt(range);
    for (auto& run : m_runs)
        if (run.range.location >= r.location && run.range.end() <= r.end())
            run.attributes = attributes;
    dropEmptyRuns();
}

void NSMutableAttributedString::removeAttribute_range(const std::string& name, NSRange range)
{
    NSRange r = splitAt(range);
    for (auto& run : m_runs)
        if (run.range.location >= r.location && run.range.end() <= r.end())
            run.attributes.erase(name);
    dropEmptyRuns();
}

void NSMutableAttributedString::appendAttributedString(const NSAttributedString& other)
{
    NSUInteger offset = m_text.size();
    m_text += other.string();
    for (const auto& run : other.runs())
        m_runs.push_back(Run{NSMakeRange(run.range.location + offset, run.range.length), run.attributes});
    dropEmptyRuns();
}
