#include "UIKit/UITextView.h"

#include <algorithm>
#include <cmath>

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSNotificationCenter.h"
#include "UIKit/TextLayout.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UITapGestureRecognizer.h"
#include "UIKit/UITouch.h"

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

UITextView::UITextView() : m_font(UIFont::systemFontOfSize(kDefaultFontSize)), m_textColor(UIColor::blackColor())
{
    // Text scrolled out of the view must not draw over its neighbours.
    setClipsToBounds(true);
}

UITextView::~UITextView() = default;

std::string UITextView::text() const { return bufferText(); }

void UITextView::setText(const std::string& text)
{
    KVN_ASSERT_MAIN_THREAD();
    if (setBufferText(text, "text view")) {
        m_attributedText = nullptr;
        updateContentSize();
    }
}

std::shared_ptr<NSAttributedString> UITextView::attributedText() const { return std::make_shared<NSAttributedString>(shownText()); }

void UITextView::setAttributedText(const std::shared_ptr<NSAttributedString>& text)
{
    KVN_ASSERT_MAIN_THREAD();
    if (setBufferText(text ? text->string() : std::string(), "text view")) {
        m_attributedText = text;
        updateContentSize();
    }
}

void UITextView::setFont(std::shared_ptr<UIFont> font)
{
    m_font = font ? std::move(font) : UIFont::systemFontOfSize(kDefaultFontSize);
    updateContentSize();
}

void UITextView::setTextContainerInset(UIEdgeInsets inset)
{
    m_textContainerInset = inset;
    updateContentSize();
}

void UITextView::updateContentSize() { setContentSize(sizeThatFits(CGSizeMake(bounds().size.width, 0))); }

void UITextView::layoutSubviews()
{
    UIScrollView::layoutSubviews();
    updateContentSize();
}

void UITextView::setTextColor(std::shared_ptr<UIColor> color) { m_textColor = color ? std::move(color) : UIColor::blackColor(); }

void UITextView::setEditable(bool editable)
{
    KVN_ASSERT_MAIN_THREAD();
    m_editable = editable;
    if (!editable && isFirstResponder())
        endEditing(true);
}

NSAttributedString UITextView::shownText() const
{
    if (m_attributedText)
        return *m_attributedText;
    return NSAttributedString(bufferText(), {{NSFontAttributeName, m_font}, {NSForegroundColorAttributeName, m_textColor}});
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

std::shared_ptr<UITextView> UITextView::self() { return std::static_pointer_cast<UITextView>(shared_from_this()); }

bool UITextView::editingShouldBegin()
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textViewShouldBeginEditing(self());
}

void UITextView::editingDidBegin()
{
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidBeginEditing(self());
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextViewTextDidBeginEditingNotification, this);
}

bool UITextView::editingShouldEnd()
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textViewShouldEndEditing(self());
}

void UITextView::editingDidEnd()
{
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidEndEditing(self());
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextViewTextDidEndEditingNotification, this);
}

bool UITextView::editShouldReplace(NSRange range, const std::string& replacement)
{
    auto delegate = m_delegate.lock();
    return !delegate || delegate->textView_shouldChangeTextInRange_replacementText(self(), range, replacement);
}

void UITextView::editDidReplace(NSRange range, const std::string& replacement)
{
    if (m_attributedText) {
        const auto& old = *m_attributedText;
        auto spliced = std::make_shared<NSMutableAttributedString>();
        appendPart(*spliced, old, NSMakeRange(0, range.location));
        if (!replacement.empty()) {
            size_t from = range.location > 0 ? range.location - 1 : range.location;
            spliced->appendAttributedString(NSAttributedString(replacement, old.attributesAtIndex_effectiveRange(from)));
        }
        appendPart(*spliced, old, NSMakeRange(range.end(), old.length() - std::min(old.length(), range.end())));
        m_attributedText = spliced;
    }
    updateContentSize();
    if (auto delegate = m_delegate.lock())
        delegate->textViewDidChange(self());
    NSNotificationCenter::defaultCenter()->postNotificationName_object_userInfo(UITextViewTextDidChangeNotification, this);
}

bool UITextView::gestureRecognizerShouldBegin(const std::shared_ptr<UIGestureRecognizer>& recognizer)
{
    // An editable view keeps the tap that puts the caret in it, as a control does.
    auto tap = std::dynamic_pointer_cast<UITapGestureRecognizer>(recognizer);
    bool singleTap = tap && tap->numberOfTapsRequired() == 1 && tap->numberOfTouchesRequired() == 1;
    return !(singleTap && m_editable && recognizer->view().get() != this);
}

// With scrolling off the scroll view lets touches through, so the view takes its taps itself.
void UITextView::touchesBegan_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (isScrollEnabled())
        UIScrollView::touchesBegan_withEvent(touches, event);
}

void UITextView::touchesMoved_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (isScrollEnabled() || isTracking())
        UIScrollView::touchesMoved_withEvent(touches, event);
}

void UITextView::touchesEnded_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (isTracking())
        return UIScrollView::touchesEnded_withEvent(touches, event);
    if (!touches.empty())
        beginEditingIfTouched(*touches.begin());
}

void UITextView::touchesCancelled_withEvent(const UITouchSet& touches, const std::shared_ptr<UIEvent>& event)
{
    if (isTracking())
        UIScrollView::touchesCancelled_withEvent(touches, event);
}

void UITextView::touchDidTap(const std::shared_ptr<UITouch>& touch) { beginEditingIfTouched(touch); }

void UITextView::beginEditingIfTouched(const std::shared_ptr<UITouch>& touch)
{
    if (CGRectContainsPoint(bounds(), touch->locationInView(shared_from_this())))
        becomeFirstResponder();
}

void UITextView::drawRect(CGRect)
{
    auto context = UIGraphicsGetCurrentContext();
    if (!context || !hasText())
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
    // In content coordinates, so that the text moves with the content offset.
    Text::TextLayout(shownText(), options).drawAtPoint(context, CGPointMake(left, m_textContainerInset.top));
}
