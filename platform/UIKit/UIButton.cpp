#include "UIKit/UIButton.h"

#include <algorithm>
#include <cmath>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/TextLayout.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"

namespace {

constexpr CGFloat kTitleFontSize = 15;

CGRect insetRect(CGRect rect, UIEdgeInsets insets)
{
    return CGRectMake(rect.origin.x + insets.left, rect.origin.y + insets.top, rect.size.width - insets.left - insets.right,
                      rect.size.height - insets.top - insets.bottom);
}

CGFloat roundedUp(CGFloat value) { return std::ceil(value - 1e-9); }

// Where a run of `length` goes along an axis of `available` starting at `origin`.
CGFloat place(CGFloat origin, CGFloat available, CGFloat length, int alignment)
{
    switch (alignment) {
    case 1: // leading
        return origin;
    case 2: // trailing
        return origin + available - length;
    default: // centre (fill is handled by the caller)
        return origin + (available - length) / 2;
    }
}

int horizontalCode(UIControlContentHorizontalAlignment a)
{
    return a == UIControlContentHorizontalAlignmentLeft ? 1 : a == UIControlContentHorizontalAlignmentRight ? 2 : 0;
}

int verticalCode(UIControlContentVerticalAlignment a)
{
    return a == UIControlContentVerticalAlignmentTop ? 1 : a == UIControlContentVerticalAlignmentBottom ? 2 : 0;
}

} // namespace

UIButton::UIButton() = default;
UIButton::~UIButton() = default;

std::shared_ptr<UIButton> UIButton::buttonWithType(UIButtonType type)
{
    auto button = std::make_shared<UIButton>();
    button->m_type = type == UIButtonTypeCustom ? UIButtonTypeCustom : type;
    button->initWithFrame(CGRectZero);
    return button;
}

void UIButton::initWithFrame(CGRect frame)
{
    UIControl::initWithFrame(frame);
    if (m_titleLabel)
        return;
    m_titleLabel = std::make_shared<UILabel>();
    m_titleLabel->initWithFrame(CGRectZero);
    m_titleLabel->setFont(UIFont::systemFontOfSize(kTitleFontSize));
    m_titleLabel->setLineBreakMode(NSLineBreakByTruncatingMiddle);
    m_titleLabel->setUserInteractionEnabled(false);
    m_imageView = std::make_shared<UIImageView>();
    m_imageView->initWithFrame(CGRectZero);
    m_imageView->setUserInteractionEnabled(false);
    addSubview(m_imageView);
    addSubview(m_titleLabel);
    refresh();
}

template <class T>
T UIButton::lookUp(UIControlState state, T StateValues::*field) const
{
    if (auto it = m_values.find(state); it != m_values.end() && it->second.*field)
        return it->second.*field;
    // Pressed while selected: the selected look first, then the normal one.
    if ((state & UIControlStateSelected) && state != UIControlStateSelected)
        if (auto it = m_values.find(UIControlStateSelected); it != m_values.end() && it->second.*field)
            return it->second.*field;
    if (auto it = m_values.find(UIControlStateNormal); it != m_values.end())
        return it->second.*field;
    return T{};
}

void UIButton::setTitle_forState(const std::optional<std::string>& title, UIControlState state)
{
    KVN_ASSERT_MAIN_THREAD();
    m_values[state].title = title;
    refresh();
}

std::optional<std::string> UIButton::titleForState(UIControlState state) const { return lookUp(state, &StateValues::title); }

void UIButton::setTitleColor_forState(const std::shared_ptr<UIColor>& color, UIControlState state)
{
    KVN_ASSERT_MAIN_THREAD();
    m_values[state].titleColor = color;
    refresh();
}

std::shared_ptr<UIColor> UIButton::titleColorForState(UIControlState state) const
{
    if (auto it = m_values.find(state); it != m_values.end() && it->second.titleColor)
        return it->second.titleColor;
    return defaultTitleColor(state);
}

void UIButton::setAttributedTitle_forState(const std::shared_ptr<NSAttributedString>& title, UIControlState state)
{
    KVN_ASSERT_MAIN_THREAD();
    m_values[state].attributedTitle = title;
    refresh();
}

std::shared_ptr<NSAttributedString> UIButton::attributedTitleForState(UIControlState state) const
{
    return lookUp(state, &StateValues::attributedTitle);
}

void UIButton::setImage_forState(const std::shared_ptr<UIImage>& image, UIControlState state)
{
    KVN_ASSERT_MAIN_THREAD();
    m_values[state].image = image;
    refresh();
}

std::shared_ptr<UIImage> UIButton::imageForState(UIControlState state) const { return lookUp(state, &StateValues::image); }

void UIButton::setBackgroundImage_forState(const std::shared_ptr<UIImage>& image, UIControlState state)
{
    KVN_ASSERT_MAIN_THREAD();
    m_values[state].backgroundImage = image;
    refresh();
}

std::shared_ptr<UIImage> UIButton::backgroundImageForState(UIControlState state) const
{
    return lookUp(state, &StateValues::backgroundImage);
}

std::optional<std::string> UIButton::currentTitle() const
{
    if (auto attributed = currentAttributedTitle())
        return attributed->string();
    return titleForState(state());
}

std::shared_ptr<UIColor> UIButton::currentTitleColor() const { return titleColorForState(state()); }
std::shared_ptr<NSAttributedString> UIButton::currentAttributedTitle() const { return attributedTitleForState(state()); }
std::shared_ptr<UIImage> UIButton::currentImage() const { return imageForState(state()); }
std::shared_ptr<UIImage> UIButton::currentBackgroundImage() const { return backgroundImageForState(state()); }

std::shared_ptr<UIColor> UIButton::defaultTitleColor(UIControlState state) const
{
    // A colour set for the normal state holds in every state that has none.
    if (auto it = m_values.find(UIControlStateNormal); it != m_values.end() && it->second.titleColor) {
        if (m_type != UIButtonTypeCustom && (state & UIControlStateHighlighted))
            return it->second.titleColor->colorWithAlphaComponent(it->second.titleColor->alpha() * 0.2);
        return it->second.titleColor;
    }
    if (m_type == UIButtonTypeCustom)
        return UIColor::whiteColor();
    if (state & UIControlStateDisabled)
        return UIColor::colorWithWhite_alpha(0.55, 1);
    auto tint = tintColor();
    if (state & UIControlStateHighlighted)
        return tint->colorWithAlphaComponent(tint->alpha() * 0.2);
    return tint;
}

void UIButton::setContentEdgeInsets(UIEdgeInsets insets)
{
    m_contentEdgeInsets = insets;
    invalidateIntrinsicContentSize();
    setNeedsLayout();
}

void UIButton::setTitleEdgeInsets(UIEdgeInsets insets)
{
    m_titleEdgeInsets = insets;
    setNeedsLayout();
}

void UIButton::setImageEdgeInsets(UIEdgeInsets insets)
{
    m_imageEdgeInsets = insets;
    setNeedsLayout();
}

void UIButton::setAdjustsImageWhenHighlighted(bool adjusts)
{
    m_adjustsImageWhenHighlighted = adjusts;
    refresh();
}

void UIButton::setAdjustsImageWhenDisabled(bool adjusts)
{
    m_adjustsImageWhenDisabled = adjusts;
    refresh();
}

bool UIButton::showsHighlightShade() const
{
    // A state with its own image shows that image as it is.
    if (!isHighlighted() || !m_adjustsImageWhenHighlighted)
        return false;
    auto it = m_values.find(state());
    return it == m_values.end() || !it->second.image;
}

void UIButton::refresh()
{
    if (!m_titleLabel)
        return;
    if (auto attributed = currentAttributedTitle()) {
        m_titleLabel->setAttributedText(attributed);
    } else {
        m_titleLabel->setText(titleForState(state()));
        m_titleLabel->setTextColor(currentTitleColor());
    }
    m_imageView->setImage(currentImage());
    auto shade = UIImageView::Shade::None;
    if (showsHighlightShade())
        shade = UIImageView::Shade::Darkened;
    else if (!isEnabled() && m_adjustsImageWhenDisabled) {
        auto it = m_values.find(state());
        if (it == m_values.end() || !it->second.image)
            shade = UIImageView::Shade::Lightened;
    }
    m_imageView->setShade({}, shade);
    invalidateIntrinsicContentSize();
    setNeedsLayout();
}

void UIButton::stateDidChange() { refresh(); }

void UIButton::tintColorDidChange() { refresh(); }

CGSize UIButton::titleSize() const
{
    // Unbounded: the natural size of a title is its one line.
    return m_titleLabel->sizeThatFits(CGSizeMake(Text::Unbounded, Text::Unbounded));
}

CGSize UIButton::imageSize() const
{
    auto image = currentImage();
    return image ? image->size() : CGSizeZero;
}

CGRect UIButton::contentRectForBounds(CGRect bounds) const { return insetRect(bounds, m_contentEdgeInsets); }

CGRect UIButton::imageRectForContentRect(CGRect content) const
{
    CGSize image = imageSize();
    if (image.width <= 0 || image.height <= 0)
        return CGRectMake(content.origin.x, content.origin.y, 0, 0);
    CGSize title = titleSize();
    CGFloat total = image.width + std::min(title.width, std::max(0.0, content.size.width - image.width));
    CGRect rect;
    rect.size = image;
    if (contentHorizontalAlignment() == UIControlContentHorizontalAlignmentFill)
        rect.origin.x = content.origin.x;
    else
        rect.origin.x = place(content.origin.x, content.size.width, total, horizontalCode(contentHorizontalAlignment()));
    if (contentVerticalAlignment() == UIControlContentVerticalAlignmentFill) {
        rect.origin.y = content.origin.y;
        rect.size.height = content.size.height;
    } else {
        rect.origin.y = place(content.origin.y, content.size.height, image.height, verticalCode(contentVerticalAlignment()));
    }
    return insetRect(rect, m_imageEdgeInsets);
}

CGRect UIButton::titleRectForContentRect(CGRect content) const
{
    CGSize image = imageSize();
    CGSize title = titleSize();
    if (title.width <= 0 || title.height <= 0)
        return CGRectMake(content.origin.x + content.size.width / 2, content.origin.y + content.size.height / 2, 0, 0);
    // The title gives way to the image and is cut when the rest does not hold it.
    CGFloat room = std::max(0.0, content.size.width - image.width);
    // A title allowed several lines wraps within the room instead of being cut to one line.
    if (m_titleLabel->numberOfLines() != 1 && title.width > room && room > 0)
        title = m_titleLabel->sizeThatFits(CGSizeMake(room, Text::Unbounded));
    CGRect rect;
    rect.size = CGSizeMake(std::min(title.width, room), std::min(title.height, std::max(0.0, content.size.height)));
    if (contentHorizontalAlignment() == UIControlContentHorizontalAlignmentFill) {
        rect.origin.x = content.origin.x + image.width;
        rect.size.width = room;
    } else {
        CGFloat start =
            place(content.origin.x, content.size.width, image.width + rect.size.width, horizontalCode(contentHorizontalAlignment()));
        rect.origin.x = start + image.width;
    }
    if (contentVerticalAlignment() == UIControlContentVerticalAlignmentFill) {
        rect.origin.y = content.origin.y;
        rect.size.height = content.size.height;
    } else {
        rect.origin.y = place(content.origin.y, content.size.height, rect.size.height, verticalCode(contentVerticalAlignment()));
    }
    return insetRect(rect, m_titleEdgeInsets);
}

CGSize UIButton::sizeThatFits(CGSize) const
{
    CGSize image = imageSize();
    CGSize title = titleSize();
    return CGSizeMake(roundedUp(m_contentEdgeInsets.left + image.width + title.width + m_contentEdgeInsets.right),
                      roundedUp(m_contentEdgeInsets.top + std::max(image.height, title.height) + m_contentEdgeInsets.bottom));
}

void UIButton::sizeToFit()
{
    CGRect frame = this->frame();
    frame.size = sizeThatFits(bounds().size);
    setFrame(frame);
}

CGSize UIButton::intrinsicContentSize() const { return sizeThatFits(CGSizeZero); }

void UIButton::layoutSubviews()
{
    UIControl::layoutSubviews();
    CGRect content = contentRectForBounds(bounds());
    m_imageView->setFrame(imageRectForContentRect(content));
    m_titleLabel->setFrame(titleRectForContentRect(content));
}

void UIButton::drawRect(CGRect)
{
    auto background = currentBackgroundImage();
    if (!background)
        return;
    background->drawInRect(bounds());
    auto own = m_values.find(state());
    bool ownImage = own != m_values.end() && own->second.backgroundImage;
    if (isHighlighted() && m_adjustsImageWhenHighlighted && !ownImage)
        background->fillMaskInRect_withColor(bounds(), UIColor::colorWithWhite_alpha(0, 0.3)->CGColor());
    else if (!isEnabled() && m_adjustsImageWhenDisabled && !ownImage)
        background->fillMaskInRect_withColor(bounds(), UIColor::colorWithWhite_alpha(1, 0.5)->CGColor());
}

std::optional<std::string> UIButton::accessibilityLabel() const
{
    if (auto own = UIControl::accessibilityLabel())
        return own;
    return currentTitle();
}

UIAccessibilityTraits UIButton::defaultAccessibilityTraits() const
{
    UIAccessibilityTraits traits = UIAccessibilityTraitButton;
    if (!isEnabled())
        traits |= UIAccessibilityTraitNotEnabled;
    if (isSelected())
        traits |= UIAccessibilityTraitSelected;
    return traits;
}
