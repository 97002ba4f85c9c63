#include "UIKit/UITextView.h"

#include <algorithm>
#include <cmath>

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/EditBuffer.h"
#include "UIKit/SoftwareKeyboard.h"
#include "UIKit/TextLayout.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIKitLog.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIWindow.h"

namespace {

constexpr CGFloat kDefaultFontSize = 12;

// The part of `text` in `range`, with its attributes.
void appendPart(NSMutableAttributedString& out, const NSAttributedString& text, NSRange range)
{
    for (const auto& run : text.runs()) {
        size_t start = std::max(run.range.location, range.location);
        size_t end = std::min(run.range.end(), range.end());
        if (start < end)
            out.appendAttributedString(NSAttributedString(text.string().substr(start, end - start), run.attributes));
    }
}

} // namespace

UITextView::UITextView() : m_font(UIFont::systemFontOfSize(kDefaultFontSize)), m_textColor(UIColor::blackColor()) {}

UITextView::~UITextView() = default;

std::string UITextView::text() const { return m_attributedText ? m_attributedText->string() : m_plainText; }

void UITextView::setText(const std::string& text)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!Text::EditBuffer::isWellFormed(text)) {
        UIKitLog("text view: text that is not well-formed UTF-8 was refused");
        return;
    }
    m_attributedText = nullptr;
    m_plainText = text;
    m_selection = NSMakeRange(text.size(), 0);
    setNeedsDisplay();
}

std::shared_ptr<NSAttributedString> UITextView::attributedText() const { return std::make_shared<NSAttributedString>(shownText()); }

void UITextView::setAttributedText(const std::shared_ptr<NSAttributedString>& text)
{
    KVN_ASSERT_MAIN_THREAD();
    if (text && !Text::EditBuffer::isWellFormed(text->string())) {
        UIKitLog("text view: text that is not well-formed UTF-8 was refused");
        return;
    }
    m_attributedText = text;
    m_plainText.clear();
    m_selection = NSMakeRange(this->text().size(), 0);
    setNeedsDisplay();
}

void UITextView::setFont(std::shared_ptr<UIFont> font) { m_font = font ? std::move(font) : UIFont::systemFontOfSize(kDefaultFontSize); }

void UITextView::setTextColor(std::shared_ptr<UIColor> color) { m_textColor = color ? std::move(color) : UIColor::blackColor(); }

void UITextView::setEditable(bool editable)
{
    KVN_ASSERT_MAIN_THREAD();
    m_editable = editable;
    if (!editable && isFirstResponder())
        endEditing(true);
}

void UITextView::setSelectedRange(NSRange range)
{
    Text::EditBuffer buffer;
    buffer.setText(text());
    buffer.setSelection(range);
    m_selection = buffer.selection();
}

NSAttributedString UITextView::shownText() const
{
    if (m_attributedText)
        return *m_attributedText;
    return NSAttributedString(m_plainText, {{NSFontAttributeName, m_font}, {NSForegroundColorAttributeName, m_textColor}});
}

CGSize UITextView::sizeThatFits(CGSize size) const
{
    Text::LayoutOptions options;
    options.width = std::max(0.0, size.width - m_textContainerInset.left - m_textContainerInset.right - 2 * kLineFragmentPadding);
    options.defaultFont = m_font;
    options.defaultColor = m_textColor;
    CGRect used = Text::TextLayout(shownText(), options).usedRect();
    return CGSizeMake(size.width, std::ceil(used.size.height + m_textContainerInset.top + m_textContainerInset.bottom - 1e-9));
}

bool UITextView::becomeFirstResponder()
{
    KVN_ASSERT_MAIN_THREAD();
    if (isFirstResponder())
        return true;
    auto self = std::static_pointer_cast<UITextView>(shared_from_this());
    if (!canBecomeFirstResponder() || !window())
        return false;
    auto delegate = m_delegate.lock();
    if (delegate && !delegate->textViewShouldBeginEditing(self))
        return false;
    kvn::SoftwareKeyboard::ResponderChange change;
    if (!UIView::becomeFirstResponder())
        return false;
    m_editing = true;
    m_selection = NSMakeRange(text().size(), 0);
    if ((delegate = m_delegate.lock()))
        delegate->textViewDidBeginEditing(self);
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextViewTextDidBeginEditingNotification, this);
    return true;
}

bool UITextView::resignFirstResponder()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!isFirstResponder())
        return UIView::resignFirstResponder();
    auto self = std::static_pointer_cast<UITextView>(shared_from_this());
    auto window = this->window();
    bool forced = window && window->isForcingResign();
    auto delegate = m_delegate.lock();
    if (!forced && delegate && !delegate->textViewShouldEndEditing(self))
        return false;
    kvn::SoftwareKeyboard::ResponderChange change;
    if (!UIView::resignFirstResponder())
        return false;
    m_editing = false;
    if ((delegate = m_delegate.lock()))
        delegate->textViewDidEndEditing(self);
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextViewTextDidEndEditingNotification, this);
    return true;
}

bool UITextView::hasText() const { return !text().empty(); }

void UITextView::insertText(const std::string& text)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_editing)
        return;
    if (!Text::EditBuffer::isWellFormed(text)) {
        UIKitLog("text view: typed text that is not well-formed UTF-8 was refused");
        return;
    }
    replace(m_selection, text == "\r" ? std::string("\n") : text);
}

void UITextView::deleteBackward()
{
    KVN_ASSERT_MAIN_THREAD();
    if (!m_editing)
        return;
    Text::EditBuffer buffer;
    buffer.setText(text());
    buffer.setSelection(m_selection);
    NSRange range = buffer.rangeForDeleteBackward();
    if (range.length > 0)
        replace(range, std::string());
}

void UITextView::replace(NSRange range, const std::string& replacement)
{
    auto self = std::static_pointer_cast<UITextView>(shared_from_this());
    if (auto delegate = m_delegate.lock();
        delegate && !delegate->textView_shouldChangeTextInRange_replacementText(self, range, replacement))
        return;
    Text::EditBuffer buffer;
    buffer.setText(text());
    buffer.replace(range, replacement);
    if (m_attributedText) {
        // The edit as the buffer made it (whole characters), spliced into the runs.
        NSRange done = NSMakeRange(buffer.selection().location - replacement.size(), 0);
        done.length = text().size() + replacement.size() - buffer.text().size();
        const auto& old = *m_attributedText;
        auto spliced = std::make_shared<NSMutableAttributedString>();
        appendPart(*spliced, old, NSMakeRange(0, done.location));
        if (!replacement.empty()) {
            size_t from = done.location > 0 ? done.location - 1 : done.location;
            spliced->appendAttributedString(NSAttributedString(replacement, old.attributesAtIndex_effectiveRange(from)));
        }
        appendPart(*spliced, old, NSMakeRange(done.end(), old.length() - std::min(old.length(), done.end())));
        m_attributedText = spliced;
    } else {
        m_plainText = buffer.text();
    }
    m_selection = buffer.selection();
    setNeedsDisplay();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidChange(self);
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextViewTextDidChangeNotification, this);
}

bool UITextView::gestureRecognizerShouldBegin(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    // An editable view keeps the tap that puts the caret in it, as a control does.
    auto tap = std::dynamic_pointer_cast<UITapGestureRecognizer>(recognizer);
    bool singleTap = tap && tap->numberOfTapsRequired() == 1 && tap->numberOfTouchesRequired() == 1;
    return !(singleTap && m_editable && recognizer->view().get() != this);
}

void UITextView::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    auto self = shared_from_this();
    if (!touches.empty() && CGRectContainsPoint(bounds(), (*touches.begin())->locationInView(self)))
        becomeFirstResponder();
}

void UITextView::drawRect(CGRect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context || text().empty())
        return;
    CGRect box = bounds();
    double left = m_textContainerInset.left + kLineFragmentPadding;
    double width = box.size.width - left - m_textContainerInset.right - kLineFragmentPadding;
    if (width <= 0)
        return;
    Text::LayoutOptions options;
    options.width = width;
    options.defaultFont = m_font;
    options.defaultColor = m_textColor;
    if (!m_attributedText)
        options.alignment = m_textAlignment;
    Text::TextLayout(shownText(), options).drawAtPoint(context, CGPointMake(box.origin.x + left, box.origin.y + m_textContainerInset.top));
}
