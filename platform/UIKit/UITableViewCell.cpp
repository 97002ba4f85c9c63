#include "UIKit/UITableViewCell.h"

#include <cmath>

#include "Foundation/MainThreadChecker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScreen.h"

namespace {

constexpr CGFloat kMargin = 15;

// The accessory of a type, drawn as the platform draws it: a grey chevron, a checkmark and
// an info circle in the tint.
class AccessoryGlyph : public UIView {
public:
    explicit AccessoryGlyph(UITableViewCellAccessoryType type) : m_type(type) { setUserInteractionEnabled(false); }

    static CGSize sizeFor(UITableViewCellAccessoryType type)
    {
        switch (type) {
        case UITableViewCellAccessoryDisclosureIndicator:
            return CGSizeMake(8, 13);
        case UITableViewCellAccessoryCheckmark:
            return CGSizeMake(14, 11);
        case UITableViewCellAccessoryDetailButton:
            return CGSizeMake(22, 22);
        case UITableViewCellAccessoryDetailDisclosureButton:
            return CGSizeMake(22 + 15 + 8, 22);
        default:
            return CGSizeZero;
        }
    }

    void drawRect(CGRect) override
    {
        auto c = UIGraphicsGetCurrentContext();
        CGSize size = bounds().size;
        CGContextSetLineWidth(c, 2);
        CGContextSetLineCap(c, kCGLineCapRound);
        CGContextSetLineJoin(c, kCGLineJoinRound);
        auto chevron = [&](CGFloat x) {
            CGContextSetRGBStrokeColor(c, 199 / 255.0, 199 / 255.0, 204 / 255.0, 1);
            CGContextBeginPath(c);
            CGContextMoveToPoint(c, x + 1, size.height / 2 - 5.5);
            CGContextAddLineToPoint(c, x + 7, size.height / 2);
            CGContextAddLineToPoint(c, x + 1, size.height / 2 + 5.5);
            CGContextStrokePath(c);
        };
        auto info = [&] {
            CGContextSetStrokeColorWithColor(c, tintColor()->CGColor());
            CGContextBeginPath(c);
            CGContextAddArc(c, 11, size.height / 2, 10, 0, 2 * M_PI, 0);
            CGContextStrokePath(c);
            CGContextBeginPath(c);
            CGContextMoveToPoint(c, 11, size.height / 2 - 1);
            CGContextAddLineToPoint(c, 11, size.height / 2 + 5);
            CGContextMoveToPoint(c, 11, size.height / 2 - 5);
            CGContextAddLineToPoint(c, 11, size.height / 2 - 4.5);
            CGContextStrokePath(c);
        };
        switch (m_type) {
        case UITableViewCellAccessoryDisclosureIndicator:
            chevron(0);
            break;
        case UITableViewCellAccessoryCheckmark:
            CGContextSetStrokeColorWithColor(c, tintColor()->CGColor());
            CGContextBeginPath(c);
            CGContextMoveToPoint(c, 1, 6);
            CGContextAddLineToPoint(c, 5, 10);
            CGContextAddLineToPoint(c, 13, 1);
            CGContextStrokePath(c);
            break;
        case UITableViewCellAccessoryDetailButton:
            info();
            break;
        case UITableViewCellAccessoryDetailDisclosureButton:
            info();
            chevron(22 + 15);
            break;
        default:
            break;
        }
    }

private:
    UITableViewCellAccessoryType m_type;
};

std::shared_ptr<UILabel> makeLabel(CGFloat size, std::shared_ptr<UIColor> color)
{
    auto label = std::make_shared<UILabel>();
    label->init();
    label->setFont(UIFont::systemFontOfSize(size));
    label->setTextColor(std::move(color));
    return label;
}

} // namespace

void UITableViewCell::initWithFrame(CGRect frame)
{
    m_initialFrame = frame;
    initWithStyle_reuseIdentifier(UITableViewCellStyle::Default, std::nullopt);
}

void UITableViewCell::initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
{
    KVN_ASSERT_MAIN_THREAD();
    m_style = style;
    m_reuseIdentifier = std::move(reuseIdentifier);
    UIView::initWithFrame(m_initialFrame.value_or(CGRectMake(0, 0, 320, 44)));
    m_initialFrame.reset();
    if (m_contentView)
        return;
    m_contentView = std::make_shared<UIView>();
    m_contentView->initWithFrame(bounds());
    addSubview(m_contentView);
    m_separator = std::make_shared<UIView>();
    m_separator->init();
    m_separator->setUserInteractionEnabled(false);
    m_separator->setHidden(true);
    addSubview(m_separator);
    setBackgroundColor(UIColor::whiteColor());
}

void UITableViewCell::prepareForReuse()
{
    setSelected_animated(false, false);
    setHighlighted_animated(false, false);
}

std::shared_ptr<UILabel> UITableViewCell::textLabel()
{
    if (!m_textLabel && m_contentView) {
        m_textLabel = makeLabel(m_style == UITableViewCellStyle::Value2 ? 12 : 17,
                                m_style == UITableViewCellStyle::Value2 ? tintColor() : UIColor::blackColor());
        if (m_style == UITableViewCellStyle::Value2)
            m_textLabel->setTextAlignment(NSTextAlignmentRight);
        m_contentView->addSubview(m_textLabel);
        setNeedsLayout();
    }
    return m_textLabel;
}

std::shared_ptr<UILabel> UITableViewCell::detailTextLabel()
{
    if (m_style == UITableViewCellStyle::Default || !m_contentView)
        return nullptr;
    if (!m_detailTextLabel) {
        switch (m_style) {
        case UITableViewCellStyle::Subtitle:
            m_detailTextLabel = makeLabel(12, UIColor::blackColor());
            break;
        case UITableViewCellStyle::Value1:
            m_detailTextLabel = makeLabel(17, UIColor::colorWithRed_green_blue_alpha(142 / 255.0, 142 / 255.0, 147 / 255.0, 1));
            m_detailTextLabel->setTextAlignment(NSTextAlignmentRight);
            break;
        default:
            m_detailTextLabel = makeLabel(12, UIColor::blackColor());
            break;
        }
        m_contentView->addSubview(m_detailTextLabel);
        setNeedsLayout();
    }
    return m_detailTextLabel;
}

std::shared_ptr<UIImageView> UITableViewCell::imageView()
{
    if (!m_imageView && m_contentView) {
        m_imageView = std::make_shared<UIImageView>();
        m_imageView->init();
        m_contentView->addSubview(m_imageView);
        setNeedsLayout();
    }
    return m_imageView;
}

void UITableViewCell::setAccessoryType(UITableViewCellAccessoryType type)
{
    if (type == m_accessoryType)
        return;
    m_accessoryType = type;
    if (m_accessoryGlyph) {
        m_accessoryGlyph->removeFromSuperview();
        m_accessoryGlyph = nullptr;
    }
    if (AccessoryGlyph::sizeFor(type).width > 0) {
        m_accessoryGlyph = std::make_shared<AccessoryGlyph>(type);
        m_accessoryGlyph->init();
        addSubview(m_accessoryGlyph);
    }
    setNeedsLayout();
}

void UITableViewCell::setAccessoryView(std::shared_ptr<UIView> view)
{
    if (view == m_accessoryView)
        return;
    if (m_accessoryView)
        m_accessoryView->removeFromSuperview();
    m_accessoryView = std::move(view);
    if (m_accessoryView)
        addSubview(m_accessoryView);
    setNeedsLayout();
}

CGFloat UITableViewCell::accessoryWidth() const
{
    if (m_accessoryView)
        return m_accessoryView->frame().size.width + 2 * kMargin;
    return accessoryWidthForType(m_accessoryType);
}

CGFloat UITableViewCell::accessoryWidthForType(UITableViewCellAccessoryType type)
{
    switch (type) {
    case UITableViewCellAccessoryDisclosureIndicator:
        return 34;
    case UITableViewCellAccessoryDetailDisclosureButton:
        return 68;
    case UITableViewCellAccessoryCheckmark:
        return 40;
    case UITableViewCellAccessoryDetailButton:
        return 48;
    default:
        return 0;
    }
}

void UITableViewCell::setSelectionStyle(UITableViewCellSelectionStyle style)
{
    m_selectionStyle = style;
    updateSelectionLook();
}

void UITableViewCell::setBackgroundView(std::shared_ptr<UIView> view)
{
    if (m_backgroundView)
        m_backgroundView->removeFromSuperview();
    m_backgroundView = std::move(view);
    if (m_backgroundView) {
        insertSubview_atIndex(m_backgroundView, 0);
        m_backgroundView->setFrame(bounds());
    }
}

std::shared_ptr<UIView> UITableViewCell::selectedBackgroundView()
{
    if (!m_selectedBackgroundView) {
        auto view = std::make_shared<UIView>();
        view->init();
        view->setBackgroundColor(UIColor::colorWithWhite_alpha(0.85, 1));
        setSelectedBackgroundView(view);
    }
    return m_selectedBackgroundView;
}

void UITableViewCell::setSelectedBackgroundView(std::shared_ptr<UIView> view)
{
    if (m_selectedBackgroundView)
        m_selectedBackgroundView->removeFromSuperview();
    m_selectedBackgroundView = std::move(view);
    updateSelectionLook();
}

void UITableViewCell::setSelected_animated(bool selected, bool)
{
    m_selected = selected;
    updateSelectionLook();
}

void UITableViewCell::setHighlighted_animated(bool highlighted, bool)
{
    m_highlighted = highlighted;
    updateSelectionLook();
}

void UITableViewCell::updateSelectionLook()
{
    bool shown = (m_selected || m_highlighted) && m_selectionStyle != UITableViewCellSelectionStyleNone;
    if (!shown) {
        if (m_selectedBackgroundView)
            m_selectedBackgroundView->removeFromSuperview();
        return;
    }
    auto view = selectedBackgroundView();
    if (view->superview().get() != this) {
        // Behind the content, above the plain background.
        if (m_contentView)
            insertSubview_belowSubview(view, m_contentView);
        else
            addSubview(view);
    }
    view->setFrame(bounds());
}

UIEdgeInsets UITableViewCell::separatorInset() const { return m_separatorInset.value_or(m_tableSeparatorInset); }

void UITableViewCell::setSeparatorInset(UIEdgeInsets inset)
{
    m_separatorInset = inset;
    setNeedsLayout();
}

void UITableViewCell::setSeparatorAppearance(kvn::Badge<UITableView>, bool shown, std::shared_ptr<UIColor> color, UIEdgeInsets tableInset)
{
    m_tableSeparatorInset = tableInset;
    m_separator->setHidden(!shown);
    m_separator->setBackgroundColor(std::move(color));
    setNeedsLayout();
}

void UITableViewCell::layoutSubviews()
{
    UIView::layoutSubviews();
    CGRect b = bounds();
    CGFloat accessory = accessoryWidth();
    CGRect content = CGRectMake(0, 0, std::max<CGFloat>(0, b.size.width - accessory), b.size.height);
    m_contentView->setFrame(content);
    if (m_backgroundView)
        m_backgroundView->setFrame(b);
    if (m_selectedBackgroundView)
        m_selectedBackgroundView->setFrame(b);
    auto placeAccessory = [&](const std::shared_ptr<UIView>& view, CGSize size) {
        view->setFrame(CGRectMake(b.size.width - kMargin - size.width, (b.size.height - size.height) / 2, size.width, size.height));
    };
    if (m_accessoryView)
        placeAccessory(m_accessoryView, m_accessoryView->bounds().size);
    else if (m_accessoryGlyph)
        placeAccessory(m_accessoryGlyph, AccessoryGlyph::sizeFor(m_accessoryType));
    layoutLabels(content);
    UIEdgeInsets inset = separatorInset();
    CGFloat line = 1 / std::max<CGFloat>(1, UIScreen::mainScreen()->scale());
    m_separator->setFrame(
        CGRectMake(inset.left, b.size.height - line, std::max<CGFloat>(0, b.size.width - inset.left - inset.right), line));
    bringSubviewToFront(m_separator);
}

void UITableViewCell::layoutLabels(CGRect content)
{
    CGFloat x = kMargin;
    if (m_imageView && m_imageView->image()) {
        CGSize size = m_imageView->image()->size();
        m_imageView->setFrame(CGRectMake(kMargin, (content.size.height - size.height) / 2, size.width, size.height));
        x += size.width + kMargin;
    }
    CGFloat width = std::max<CGFloat>(0, content.size.width - x - kMargin);
    CGFloat height = content.size.height;
    auto fits = [&](const std::shared_ptr<UILabel>& label) { return label ? label->sizeThatFits(CGSizeMake(width, 0)) : CGSizeZero; };
    switch (m_style) {
    case UITableViewCellStyle::Subtitle: {
        CGSize text = fits(m_textLabel), detail = fits(m_detailTextLabel);
        CGFloat top = (height - text.height - detail.height) / 2;
        if (m_textLabel)
            m_textLabel->setFrame(CGRectMake(x, top, width, text.height));
        if (m_detailTextLabel)
            m_detailTextLabel->setFrame(CGRectMake(x, top + text.height, width, detail.height));
        break;
    }
    case UITableViewCellStyle::Value1: {
        CGSize text = fits(m_textLabel);
        CGFloat textWidth = std::min(width, text.width);
        if (m_textLabel)
            m_textLabel->setFrame(CGRectMake(x, 0, textWidth, height));
        if (m_detailTextLabel)
            m_detailTextLabel->setFrame(CGRectMake(x + textWidth + 6, 0, std::max<CGFloat>(0, width - textWidth - 6), height));
        break;
    }
    case UITableViewCellStyle::Value2: {
        CGFloat textWidth = std::min<CGFloat>(width, 67);
        if (m_textLabel)
            m_textLabel->setFrame(CGRectMake(x, 0, textWidth, height));
        if (m_detailTextLabel)
            m_detailTextLabel->setFrame(CGRectMake(x + textWidth + 6, 0, std::max<CGFloat>(0, width - textWidth - 6), height));
        break;
    }
    default:
        if (m_textLabel)
            m_textLabel->setFrame(CGRectMake(x, 0, width, height));
        break;
    }
}
