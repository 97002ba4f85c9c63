#pragma once
// One row of a table: a content view that holds the row's own views (and, by the style, a
// text label, a detail label and an image view, made on first use), an accessory at the
// right (a glyph by type, or a view of the owner's), a separator line along the bottom, and
// the selected or highlighted look (the selected background view behind the content).
// Tables hand cells out by reuse identifier: prepareForReuse runs before a cell serves a
// new row.
// Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "Foundation/Badge.h"
#include "UIKit/UIEdgeInsets.h"
#include "UIKit/UIView.h"

class UIImageView;
class UILabel;
class UITableView;

enum class UITableViewCellStyle : long {
    Default = 0, // text label only
    Value1 = 1, // text left, detail right on the same line
    Value2 = 2, // detail after a narrow, right-aligned text label
    Subtitle = 3 // detail under the text
};

enum UITableViewCellAccessoryType : long {
    UITableViewCellAccessoryNone = 0,
    UITableViewCellAccessoryDisclosureIndicator = 1,
    UITableViewCellAccessoryDetailDisclosureButton = 2,
    UITableViewCellAccessoryCheckmark = 3,
    UITableViewCellAccessoryDetailButton = 4,
};

enum UITableViewCellSelectionStyle : long {
    UITableViewCellSelectionStyleNone = 0,
    UITableViewCellSelectionStyleBlue = 1,
    UITableViewCellSelectionStyleGray = 2,
    UITableViewCellSelectionStyleDefault = 3,
};

class UITableViewCell : public UIView {
public:
    UITableViewCell() = default;

    // The designated initialiser: every other one funnels here, so a subclass that sets
    // itself up in its override is set up however it was made. initWithFrame (and init)
    // make a Default cell without identifier of that frame; this one a cell 320 by 44.
    virtual void initWithStyle_reuseIdentifier(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier);
    void initWithFrame(CGRect frame) final;

    UITableViewCellStyle style() const { return m_style; }
    const std::optional<std::string>& reuseIdentifier() const { return m_reuseIdentifier; }
    // Resets the selected and highlighted state; subclasses reset their own content too.
    virtual void prepareForReuse();

    std::shared_ptr<UIView> contentView() const { return m_contentView; }
    std::shared_ptr<UILabel> textLabel();
    // None in the Default style.
    std::shared_ptr<UILabel> detailTextLabel();
    std::shared_ptr<UIImageView> imageView();

    UITableViewCellAccessoryType accessoryType() const { return m_accessoryType; }
    void setAccessoryType(UITableViewCellAccessoryType type);
    // Shown in place of the accessory type's glyph.
    std::shared_ptr<UIView> accessoryView() const { return m_accessoryView; }
    void setAccessoryView(std::shared_ptr<UIView> view);
    // How much narrower than the cell the content view is for the accessory.
    CGFloat accessoryWidth() const;
    // The same for a glyph of the type, for rows measured before a cell exists.
    static CGFloat accessoryWidthForType(UITableViewCellAccessoryType type);

    UITableViewCellSelectionStyle selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(UITableViewCellSelectionStyle style);
    std::shared_ptr<UIView> backgroundView() const { return m_backgroundView; }
    void setBackgroundView(std::shared_ptr<UIView> view);
    // A light grey view unless set.
    std::shared_ptr<UIView> selectedBackgroundView();
    void setSelectedBackgroundView(std::shared_ptr<UIView> view);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { setSelected_animated(selected, false); }
    virtual void setSelected_animated(bool selected, bool animated);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted) { setHighlighted_animated(highlighted, false); }
    virtual void setHighlighted_animated(bool highlighted, bool animated);

    // The separator's inset from the cell's edges; the table's until set.
    UIEdgeInsets separatorInset() const;
    void setSeparatorInset(UIEdgeInsets inset);
    // The table says whether and in which colour the separator shows, and its own inset.
    void setSeparatorAppearance(kvn::Badge<UITableView>, bool shown, std::shared_ptr<UIColor> color, UIEdgeInsets tableInset);

    void layoutSubviews() override;

private:
    // The frame initWithFrame was given, read by the designated initialiser it calls.
    std::optional<CGRect> m_initialFrame;
    void updateSelectionLook();
    void layoutLabels(CGRect content);

    UITableViewCellStyle m_style = UITableViewCellStyle::Default;
    std::optional<std::string> m_reuseIdentifier;
    std::shared_ptr<UIView> m_contentView;
    std::shared_ptr<UILabel> m_textLabel;
    std::shared_ptr<UILabel> m_detailTextLabel;
    std::shared_ptr<UIImageView> m_imageView;
    UITableViewCellAccessoryType m_accessoryType = UITableViewCellAccessoryNone;
    std::shared_ptr<UIView> m_accessoryView;
    std::shared_ptr<UIView> m_accessoryGlyph;
    UITableViewCellSelectionStyle m_selectionStyle = UITableViewCellSelectionStyleDefault;
    std::shared_ptr<UIView> m_backgroundView;
    std::shared_ptr<UIView> m_selectedBackgroundView;
    std::shared_ptr<UIView> m_separator;
    std::optional<UIEdgeInsets> m_separatorInset;
    UIEdgeInsets m_tableSeparatorInset = UIEdgeInsetsMake(0, 15, 0, 0);
    bool m_selected = false;
    bool m_highlighted = false;
};
