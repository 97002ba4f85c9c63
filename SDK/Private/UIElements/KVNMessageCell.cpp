#include "Private/UIElements/KVNMessageCell.h"

#include <chrono>

#include "Foundation/NSDate.h"
#include "Foundation/NSDateFormatter.h"
#include "Foundation/NSString.h"
#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/UIElements/TextHeight.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutXAxisAnchor.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "public/KavoniAppearance.h"

namespace {

// The balloon's inner margins and the room the date line takes: expectedHeight and the
// constraints must agree on these.
constexpr CGFloat kOuterMargin = 15;
constexpr CGFloat kFreeSide = 50;
constexpr CGFloat kLabelSideInset = 15;
constexpr CGFloat kLabelVerticalInset = 10;
constexpr CGFloat kTailInset = 25;

const NSDateFormatter& timeFormatter()
{
    static NSDateFormatter* formatter = [] {
        auto* made = new NSDateFormatter();
        made->setDateStyle(NSDateFormatterNoStyle);
        made->setTimeStyle(NSDateFormatterMediumStyle);
        return made;
    }();
    return *formatter;
}

} // namespace

void KVNMessageCell::initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
{
    UITableViewCell::initWithStyle_reuseIdentifier(style, std::move(reuseIdentifier));
    setup();
}

void KVNMessageCell::setup()
{
    timeFormatter();
    setSelectionStyle(UITableViewCellSelectionStyleNone);
    auto appearance = KavoniAppearance::sharedAppearance();
    auto content = contentView();

    m_ballonView = std::make_shared<UIView>();
    m_ballonView->init();
    m_ballonView->setBackgroundColor(appearance->primaryBrandColor());
    m_ballonView->layer()->setCornerRadius(appearance->cornerRadius() + 4);
    content->addSubview(m_ballonView);

    m_rectangle = std::make_shared<UIImageView>();
    m_rectangle->init();
    if (auto image = KVNImageProvider::imageNamed("kvn-icon-chat-bubble"))
        m_rectangle->setImage(image->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate));
    content->addSubview(m_rectangle);

    m_messageLabel = std::make_shared<UILabel>();
    m_messageLabel->init();
    m_messageLabel->setNumberOfLines(0);
    m_messageLabel->setTextColor(UIColor::whiteColor());
    m_messageLabel->setFont(KVNExtensions::regularFontOfSize(14));
    m_ballonView->addSubview(m_messageLabel);

    m_dateLabel = std::make_shared<UILabel>();
    m_dateLabel->init();
    m_dateLabel->setTextColor(KVNExtensions::colorWithRGBHex(0x585857));
    m_dateLabel->setFont(KVNExtensions::lightFontOfSize(12));
    content->addSubview(m_dateLabel);

    Layout::ConstraintMaker::make(m_ballonView, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(content);
        m_balloonLeftConstraint = make.left().equalTo(content).offset(kOuterMargin).kept();
        m_balloonRightConstraint = make.right().equalTo(content).offset(-kOuterMargin).kept();
    });
    Layout::ConstraintMaker::make(m_messageLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(m_ballonView).offset(kLabelVerticalInset);
        make.bottom().equalTo(m_ballonView).offset(-kLabelVerticalInset);
        make.left().equalTo(m_ballonView).offset(kLabelSideInset);
        make.right().equalTo(m_ballonView).offset(-kLabelSideInset);
    });
    Layout::ConstraintMaker::make(m_dateLabel,
                                  [&](Layout::ConstraintMaker& make) { make.top().equalTo(m_ballonView->bottomAnchor()).offset(5); });
    Layout::ConstraintMaker::make(m_rectangle,
                                  [&](Layout::ConstraintMaker& make) { make.top().equalTo(m_ballonView->bottomAnchor()).offset(-1); });
    setNeedsUpdateConstraints();
}

std::string KVNMessageCell::dateText() const
{
    const std::string format =
        KVNLocalizer::localizedStringForKey(m_message->remote() ? "CHAT_SENDER_TEXT_AGENT" : "CHAT_SENDER_TEXT_USER");
    if (!m_message->date()) {
        // An agent's message may come without a time: the line names the sender alone.
        std::string text = NSString::stringWithFormat(format, std::string());
        while (!text.empty() && (text.back() == ' ' || text.back() == ','))
            text.pop_back();
        return text;
    }
    const double seconds = std::chrono::duration<double>(m_message->date()->time_since_epoch()).count();
    return NSString::stringWithFormat(format, timeFormatter().stringFromDate(NSDate::dateWithTimeIntervalSince1970(seconds)));
}

void KVNMessageCell::setMessage(std::shared_ptr<KVNMessage> message)
{
    m_message = std::move(message);
    if (!m_message) {
        m_messageLabel->setText(std::nullopt);
        m_dateLabel->setText(std::nullopt);
        return;
    }
    m_messageLabel->setText(m_message->text());
    m_dateLabel->setText(dateText());
    auto tint = m_message->tintColor();
    m_ballonView->setBackgroundColor(tint);
    m_rectangle->setTintColor(tint);
    setNeedsUpdateConstraints();
}

void KVNMessageCell::updateConstraints()
{
    UITableViewCell::updateConstraints();
    if (m_rectangleHorizontalConstraint)
        m_rectangleHorizontalConstraint->uninstall();
    if (m_dateLabelHorizontalConstraint)
        m_dateLabelHorizontalConstraint->uninstall();

    const bool remote = m_message && m_message->remote();
    if (remote) {
        m_balloonLeftConstraint->setOffset(kOuterMargin);
        m_balloonRightConstraint->setOffset(-kFreeSide);
    } else {
        m_balloonLeftConstraint->setOffset(kFreeSide);
        m_balloonRightConstraint->setOffset(-kOuterMargin);
    }
    Layout::ConstraintMaker::make(m_rectangle, [&](Layout::ConstraintMaker& make) {
        if (remote)
            m_rectangleHorizontalConstraint = make.left().equalTo(m_ballonView).offset(kTailInset).kept();
        else
            m_rectangleHorizontalConstraint = make.right().equalTo(m_ballonView).offset(-kTailInset).kept();
    });
    Layout::ConstraintMaker::make(m_dateLabel, [&](Layout::ConstraintMaker& make) {
        if (remote)
            m_dateLabelHorizontalConstraint = make.right().equalTo(m_ballonView).kept();
        else
            m_dateLabelHorizontalConstraint = make.left().equalTo(m_ballonView).kept();
    });
}

void KVNMessageCell::layoutSubviews()
{
    UITableViewCell::layoutSubviews();
    // The label wraps at the width this row's width leaves it, as the height was measured;
    // the label's own frame still holds the previous width at this point.
    if (kvn::wrapAtWidth({m_messageLabel}, textWidthForWidth(contentView()->bounds().size.width))) {
        contentView()->setNeedsLayout();
        setNeedsLayout();
    }
}

CGFloat KVNMessageCell::textWidthForWidth(CGFloat width) { return width - kOuterMargin - kFreeSide - 2 * kLabelSideInset; }

CGFloat KVNMessageCell::expectedHeightForMessage_forWidth(const std::shared_ptr<KVNMessage>& message, CGFloat width)
{
    const CGFloat textHeight =
        message ? kvn::textHeight(message->text(), KVNExtensions::regularFontOfSize(14), textWidthForWidth(width)) : 0;
    return textHeight + 2 * kLabelVerticalInset + 40;
}
