#pragma once
// A link inside check cells and the ident code view: an underlined title in the theme's link
// colour that may wrap over several lines, opening its link when tapped. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "UIKit/UIButton.h"

class KVNUnderlineButton : public UIButton {
public:
    void initWithFrame(CGRect frame) override;

    // The title becomes light 12, underlined, in the link colour (at alpha 0.8 while pressed);
    // a normal-state title serves the highlighted state too.
    void setTitle_forState(const std::optional<std::string>& title, UIControlState state);
    const std::optional<std::string>& link() const { return m_link; }
    // Stores the link and makes a tap open it; without this a tap opens nothing.
    void configureHttpLink(const std::string& link);
    void showLink(const std::shared_ptr<UIControl>& sender);
    void tintColorDidChange() override;

    // The title wraps at this width (0: on one line), so that the button's height follows the
    // width its owner's layout gave it, as a label's does.
    CGFloat preferredMaxLayoutWidth() const { return m_preferredMaxLayoutWidth; }
    void setPreferredMaxLayoutWidth(CGFloat width);
    CGSize intrinsicContentSize() const override;

    // The wrapped title's height at `width`, unrounded.
    static CGFloat expectedHeightWithTitle_width(const std::string& title, CGFloat width);

protected:
    virtual void setUp();

private:
    std::optional<std::string> m_link;
    bool m_linkTargetAdded = false;
    CGFloat m_preferredMaxLayoutWidth = 0;
};
