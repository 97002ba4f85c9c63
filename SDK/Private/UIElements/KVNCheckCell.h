#pragma once
// A row of the data check screen: a check box, a title and a text under it, and optionally a
// help link or two links below the text. The box sits on the left or, by the theme's
// checkBoxPosition, on the right. Rows are sized before any cell exists, through the class
// height methods, whose arithmetic matches the layout made at set-up.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UITableViewCell.h"

class KVNCheckBoxButton;
class KVNLabel;
class KVNMediumLabel;
class KVNUnderlineButton;
class UIButton;
class UIControl;
namespace Layout {
class MadeConstraint;
}

class KVNCheckCell : public UITableViewCell {
public:
    void initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier) override;

    const std::shared_ptr<KVNMediumLabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<KVNLabel>& contentLabel() const { return m_contentLabel; }
    const std::shared_ptr<KVNUnderlineButton>& helpButton() const { return m_helpButton; }
    const std::shared_ptr<KVNUnderlineButton>& firstLinkButton() const { return m_firstLinkButton; }
    const std::shared_ptr<KVNUnderlineButton>& secondLinkButton() const { return m_secondLinkButton; }
    const std::shared_ptr<KVNCheckBoxButton>& checkBoxButton() const { return m_checkBoxButton; }
    const std::shared_ptr<Layout::MadeConstraint>& titleContentVerticalSpaceConstraint() const
    {
        return m_titleContentVerticalSpaceConstraint;
    }

    // The row's kind, the owning screen's to set and read.
    long type() const { return m_type; }
    void setType(long type) { m_type = type; }

    // Appends "*" to the title's current text.
    void markLabel();
    // The help link under the text, with a transparent tap area over the row's lower part
    // that presses it.
    void prepareForShowingHelpButton();
    void enclosedHelpButtonPressed(const std::shared_ptr<UIControl>& sender);
    // Two links under the text; the screen gives them titles and actions.
    void prepareForShowingLinks();

    void layoutSubviews() override;

    static CGFloat expectedHeightWithTitle_content_cellWidth(const std::string& title, const std::string& content, CGFloat cellWidth);
    static CGFloat expectedHeightWithTitle_content_helpText_cellWidth(const std::string& title, const std::string& content,
                                                                      const std::string& helpText, CGFloat cellWidth);
    static CGFloat expectedHeightWithTitle_content_firstLink_secondLink_cellWidth(const std::string& title, const std::string& content,
                                                                                  const std::string& firstLink,
                                                                                  const std::string& secondLink, CGFloat cellWidth);

protected:
    virtual void setup();
    // The width the labels and links get in a cell of `cellWidth`: the margins depend on the
    // side the box is on.
    static CGFloat textWidthForCellWidth(CGFloat cellWidth);
    static CGFloat textWidthForCellWidth_boxOnTheLeft(CGFloat cellWidth, bool boxOnTheLeft);

private:
    std::shared_ptr<KVNMediumLabel> m_titleLabel;
    std::shared_ptr<KVNLabel> m_contentLabel;
    std::shared_ptr<KVNUnderlineButton> m_helpButton;
    std::shared_ptr<UIButton> m_helpTapArea;
    std::shared_ptr<KVNUnderlineButton> m_firstLinkButton;
    std::shared_ptr<KVNUnderlineButton> m_secondLinkButton;
    std::shared_ptr<KVNCheckBoxButton> m_checkBoxButton;
    std::shared_ptr<Layout::MadeConstraint> m_titleContentVerticalSpaceConstraint;
    long m_type = 0;
    // The side the layout was made for: the theme may change after set-up.
    bool m_boxOnTheLeft = true;
};
