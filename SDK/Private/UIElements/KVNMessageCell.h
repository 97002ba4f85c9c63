#pragma once
// One chat message as a balloon with a tail and a date line under it: the agent's on the left
// in grey, the user's on the right in the brand colour. Its height is known before the cell
// exists (expectedHeightForMessage_forWidth), by the same arithmetic as its layout.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UITableViewCell.h"

class KVNMessage;
class UIImageView;
class UILabel;
namespace Layout {
class MadeConstraint;
}

class KVNMessageCell : public UITableViewCell {
public:
    void initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier) override;

    const std::shared_ptr<UILabel>& messageLabel() const { return m_messageLabel; }
    const std::shared_ptr<UILabel>& dateLabel() const { return m_dateLabel; }
    const std::shared_ptr<UIView>& ballonView() const { return m_ballonView; }
    const std::shared_ptr<UIImageView>& rectangle() const { return m_rectangle; }
    const std::shared_ptr<KVNMessage>& message() const { return m_message; }

    void setMessage(std::shared_ptr<KVNMessage> message);
    void updateConstraints() override;
    void layoutSubviews() override;

    static CGFloat expectedHeightForMessage_forWidth(const std::shared_ptr<KVNMessage>& message, CGFloat width);

private:
    void setup();
    std::string dateText() const;
    // The message text's width in a row of `width`: the balloon's margins and insets off.
    static CGFloat textWidthForWidth(CGFloat width);

    std::shared_ptr<UILabel> m_messageLabel;
    std::shared_ptr<UILabel> m_dateLabel;
    std::shared_ptr<UIView> m_ballonView;
    std::shared_ptr<UIImageView> m_rectangle;
    std::shared_ptr<Layout::MadeConstraint> m_rectangleHorizontalConstraint;
    std::shared_ptr<Layout::MadeConstraint> m_dateLabelHorizontalConstraint;
    std::shared_ptr<Layout::MadeConstraint> m_balloonLeftConstraint;
    std::shared_ptr<Layout::MadeConstraint> m_balloonRightConstraint;
    std::shared_ptr<KVNMessage> m_message;
};
