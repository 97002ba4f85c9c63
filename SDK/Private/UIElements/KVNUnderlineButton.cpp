#include "Private/UIElements/KVNUnderlineButton.h"

#include <cmath>
#include <limits>

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSAttributedString.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNHelper.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "public/KavoniAppearance.h"

namespace {

std::shared_ptr<NSAttributedString> linkTitle(const std::string& title, const std::shared_ptr<UIColor>& color)
{
    NSDictionary attributes;
    attributes[NSFontAttributeName] = KVNExtensions::lightFontOfSize(12);
    if (color)
        attributes[NSForegroundColorAttributeName] = color;
    attributes[NSUnderlineStyleAttributeName] = static_cast<long>(NSUnderlineStyleSingle);
    return NSAttributedString::attributedStringWithString(title, std::move(attributes));
}

std::shared_ptr<UIColor> withAlpha(const std::shared_ptr<UIColor>& color, CGFloat alpha)
{
    return color ? color->colorWithAlphaComponent(alpha) : nullptr;
}

} // namespace

void KVNUnderlineButton::initWithFrame(CGRect frame)
{
    UIButton::initWithFrame(frame);
    setUp();
}

void KVNUnderlineButton::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    titleLabel()->setNumberOfLines(0);
    m_link.reset();
}

void KVNUnderlineButton::setTitle_forState(const std::optional<std::string>& title, UIControlState state)
{
    if (!title) {
        setAttributedTitle_forState(nullptr, state);
        if (state == UIControlStateNormal)
            setAttributedTitle_forState(nullptr, UIControlStateHighlighted);
        UIButton::setTitle_forState(title, state);
        return;
    }
    auto color = KavoniAppearance::sharedAppearance()->linkColor();
    setAttributedTitle_forState(linkTitle(*title, withAlpha(color, state == UIControlStateHighlighted ? 0.8 : 1.0)), state);
    if (state == UIControlStateNormal)
        setAttributedTitle_forState(linkTitle(*title, withAlpha(color, 0.8)), UIControlStateHighlighted);
}

void KVNUnderlineButton::configureHttpLink(const std::string& link)
{
    m_link = link;
    // Configuring a second link must not make one tap open it twice.
    if (m_linkTargetAdded)
        return;
    m_linkTargetAdded = true;
    auto weak = std::weak_ptr<KVNUnderlineButton>(std::static_pointer_cast<KVNUnderlineButton>(shared_from_this()));
    addTarget_action_forControlEvents(
        shared_from_this(),
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto self = weak.lock())
                self->showLink(sender);
        },
        UIControlEventTouchUpInside);
}

void KVNUnderlineButton::showLink(const std::shared_ptr<UIControl>&)
{
    if (m_link && !m_link->empty())
        KVNHelper::openUrlCompat(*m_link);
}

void KVNUnderlineButton::tintColorDidChange()
{
    UIButton::tintColorDidChange();
    auto title = attributedTitleForState(UIControlStateNormal);
    if (!title)
        return;
    auto color = tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed ? UIColor::lightGrayColor()
                                                                          : KavoniAppearance::sharedAppearance()->linkColor();
    setAttributedTitle_forState(linkTitle(title->string(), color), UIControlStateNormal);
}

void KVNUnderlineButton::setPreferredMaxLayoutWidth(CGFloat width)
{
    if (width == m_preferredMaxLayoutWidth)
        return;
    m_preferredMaxLayoutWidth = width;
    invalidateIntrinsicContentSize();
}

CGSize KVNUnderlineButton::intrinsicContentSize() const
{
    CGSize natural = UIButton::intrinsicContentSize();
    const UIEdgeInsets insets = contentEdgeInsets();
    const CGFloat titleWidth = m_preferredMaxLayoutWidth - insets.left - insets.right;
    if (!(titleWidth > 0))
        return natural;
    const CGFloat titleHeight = titleLabel()->sizeThatFits(CGSizeMake(titleWidth, std::numeric_limits<CGFloat>::max())).height;
    natural.height = std::ceil(insets.top + titleHeight + insets.bottom);
    return natural;
}

CGFloat KVNUnderlineButton::expectedHeightWithTitle_width(const std::string& title, CGFloat width)
{
    return kvn::textHeight(title, KVNExtensions::lightFontOfSize(12), width);
}
