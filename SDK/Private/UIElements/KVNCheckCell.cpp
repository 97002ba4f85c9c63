#include "Private/UIElements/KVNCheckCell.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/CellSelectionBackground.h"
#include "Private/UIElements/KVNCheckBoxButton.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "Private/UIElements/KVNUnderlineButton.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

namespace {

constexpr CGFloat kBoxSize = 22;
constexpr CGFloat kBoxMargin = 25;
constexpr CGFloat kBoxToText = 12;
constexpr CGFloat kTextMarginOnBoxSide = kBoxMargin + kBoxSize + kBoxToText; // 59
constexpr CGFloat kTopMargin = 15;
constexpr CGFloat kTitleToContent = 15;
constexpr CGFloat kContentToHelp = 15;
constexpr CGFloat kHelpTapAreaAbove = 10;
constexpr CGFloat kContentToLinks = 5;
// What the plain height adds to the two texts: the top margin, the gap between them and the
// room below the text.
constexpr CGFloat kPlainExtra = 60;
constexpr CGFloat kHelpBottom = 10;
constexpr CGFloat kLinksBottom = 20;

bool boxOnTheLeft() { return KavoniAppearance::sharedAppearance()->checkBoxPosition() == 0; }

std::shared_ptr<KVNUnderlineButton> makeLeftAlignedLink()
{
    auto link = std::make_shared<KVNUnderlineButton>();
    link->init();
    link->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentLeft);
    return link;
}

} // namespace

void KVNCheckCell::initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
{
    UITableViewCell::initWithStyle_reuseIdentifier(style, std::move(reuseIdentifier));
    setup();
}

void KVNCheckCell::setup()
{
    KVN_ASSERT_MAIN_THREAD();
    auto appearance = KavoniAppearance::sharedAppearance();
    auto content = contentView();

    setSelectedBackgroundView(kvn::brandSelectionBackground());
    if (appearance->seperatorLineComplete())
        setSeparatorInset(UIEdgeInsetsZero);

    const bool left = boxOnTheLeft();
    m_boxOnTheLeft = left;
    m_checkBoxButton = std::make_shared<KVNCheckBoxButton>();
    m_checkBoxButton->init();
    // The row takes the tap; the screen switches the box.
    m_checkBoxButton->setUserInteractionEnabled(false);
    content->addSubview(m_checkBoxButton);
    Layout::ConstraintMaker::make(m_checkBoxButton, [&](Layout::ConstraintMaker& make) {
        make.width().height().equalTo(kBoxSize);
        make.centerY().equalTo(content);
        if (left)
            make.left().equalTo(content).offset(kBoxMargin);
        else
            make.right().equalTo(content).offset(-kBoxMargin);
    });

    m_titleLabel = std::make_shared<KVNMediumLabel>();
    m_titleLabel->init();
    m_titleLabel->setFontSize(16);
    m_titleLabel->setNumberOfLines(0);
    m_titleLabel->setContentHuggingPriority_forAxis(750, UILayoutConstraintAxis::Vertical);
    content->addSubview(m_titleLabel);
    Layout::ConstraintMaker::make(m_titleLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(content).offset(kTopMargin);
        if (left) {
            make.left().equalTo(m_checkBoxButton->rightAnchor()).offset(kBoxToText);
            make.right().equalTo(content).offset(-kBoxMargin);
        } else {
            make.right().equalTo(m_checkBoxButton->leftAnchor()).offset(-kBoxToText);
            make.left().equalTo(content).offset(kTextMarginOnBoxSide);
        }
    });

    m_contentLabel = std::make_shared<KVNLabel>();
    m_contentLabel->init();
    m_contentLabel->setFont(KVNExtensions::regularFontOfSize(15));
    m_contentLabel->setNumberOfLines(0);
    m_contentLabel->setContentHuggingPriority_forAxis(750, UILayoutConstraintAxis::Vertical);
    content->addSubview(m_contentLabel);
    Layout::ConstraintMaker::make(m_contentLabel, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        m_titleContentVerticalSpaceConstraint = make.top().equalTo(m_titleLabel->bottomAnchor()).offset(kTitleToContent).kept();
    });
}

void KVNCheckCell::markLabel() { m_titleLabel->setText(m_titleLabel->text().value_or("") + "*"); }

void KVNCheckCell::prepareForShowingHelpButton()
{
    if (m_helpButton)
        return;
    auto content = contentView();
    m_helpButton = makeLeftAlignedLink();
    content->addSubview(m_helpButton);
    Layout::ConstraintMaker::make(m_helpButton, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.top().equalTo(m_contentLabel->bottomAnchor()).offset(kContentToHelp);
    });

    // The link alone is a small target; the whole lower part of the row presses it.
    m_helpTapArea = UIButton::buttonWithType(UIButtonTypeCustom);
    content->addSubview(m_helpTapArea);
    Layout::ConstraintMaker::make(m_helpTapArea, [&](Layout::ConstraintMaker& make) {
        make.left().right().bottom().equalTo(content);
        make.top().equalTo(m_helpButton->topAnchor()).offset(-kHelpTapAreaAbove);
    });
    auto weak = std::weak_ptr<KVNCheckCell>(std::static_pointer_cast<KVNCheckCell>(shared_from_this()));
    m_helpTapArea->addTarget_action_forControlEvents(
        shared_from_this(),
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto self = weak.lock())
                self->enclosedHelpButtonPressed(sender);
        },
        UIControlEventTouchUpInside);
}

void KVNCheckCell::enclosedHelpButtonPressed(const std::shared_ptr<UIControl>&)
{
    if (m_helpButton)
        m_helpButton->sendActionsForControlEvents(UIControlEventTouchUpInside);
}

void KVNCheckCell::prepareForShowingLinks()
{
    if (m_firstLinkButton)
        return;
    auto content = contentView();
    m_firstLinkButton = makeLeftAlignedLink();
    m_secondLinkButton = makeLeftAlignedLink();
    content->addSubview(m_firstLinkButton);
    content->addSubview(m_secondLinkButton);
    Layout::ConstraintMaker::make(m_firstLinkButton, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.top().equalTo(m_contentLabel->bottomAnchor()).offset(kContentToLinks);
    });
    Layout::ConstraintMaker::make(m_secondLinkButton, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.top().equalTo(m_firstLinkButton->bottomAnchor());
    });
}

void KVNCheckCell::layoutSubviews()
{
    UITableViewCell::layoutSubviews();
    // The texts and links wrap at the width the height methods measure at; their own frames
    // still hold the previous width at this point.
    const CGFloat width = textWidthForCellWidth_boxOnTheLeft(contentView()->bounds().size.width, m_boxOnTheLeft);
    if (kvn::wrapAtWidth({m_titleLabel, m_contentLabel, m_helpButton, m_firstLinkButton, m_secondLinkButton}, width)) {
        contentView()->setNeedsLayout();
        setNeedsLayout();
    }
}

CGFloat KVNCheckCell::textWidthForCellWidth(CGFloat cellWidth) { return textWidthForCellWidth_boxOnTheLeft(cellWidth, boxOnTheLeft()); }

CGFloat KVNCheckCell::textWidthForCellWidth_boxOnTheLeft(CGFloat cellWidth, bool boxOnTheLeft)
{
    // With the box on the right both sides keep the box side's margin, so the labels are
    // narrower than with the box on the left; measuring at the wider width would clip rows.
    return boxOnTheLeft ? cellWidth - kTextMarginOnBoxSide - kBoxMargin : cellWidth - 2 * kTextMarginOnBoxSide;
}

CGFloat KVNCheckCell::expectedHeightWithTitle_content_cellWidth(const std::string& title, const std::string& content, CGFloat cellWidth)
{
    const CGFloat width = textWidthForCellWidth(cellWidth);
    return kvn::textHeight(title, KVNExtensions::mediumFontOfSize(16), width) +
        kvn::textHeight(content, KVNExtensions::regularFontOfSize(15), width) + kPlainExtra;
}

CGFloat KVNCheckCell::expectedHeightWithTitle_content_helpText_cellWidth(const std::string& title, const std::string& content,
                                                                         const std::string& helpText, CGFloat cellWidth)
{
    return expectedHeightWithTitle_content_cellWidth(title, content, cellWidth) + kContentToHelp +
        KVNUnderlineButton::expectedHeightWithTitle_width(helpText, textWidthForCellWidth(cellWidth)) + kHelpBottom;
}

CGFloat KVNCheckCell::expectedHeightWithTitle_content_firstLink_secondLink_cellWidth(const std::string& title, const std::string& content,
                                                                                     const std::string& firstLink,
                                                                                     const std::string& secondLink, CGFloat cellWidth)
{
    const CGFloat width = textWidthForCellWidth(cellWidth);
    return expectedHeightWithTitle_content_cellWidth(title, content, cellWidth) + kContentToLinks +
        KVNUnderlineButton::expectedHeightWithTitle_width(firstLink, width) +
        KVNUnderlineButton::expectedHeightWithTitle_width(secondLink, width) + kLinksBottom;
}
