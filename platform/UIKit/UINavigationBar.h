#pragma once
// The bar at the top of a navigation controller's view. Its style decides its colour and, for
// a navigation controller whose bar is shown, the status bar's content: a black bar asks for
// light content. It draws the top screen's title (bold, centred, cut with "…" between the
// buttons) and its bar buttons' titles in the tint colour: the left item, else the back
// button to the screen below, and the right item. The left and right items are also touch
// targets over their titles, named by their titles for accessibility, so a tap on a title
// sends the item's action. Made and laid out by its navigation controller. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UIView.h"

class UIFont;
class UINavigationController;

enum class UIBarStyle : long {
    Default = 0,
    Black = 1,
};

// Height of the bar, in points, below the status bar.
inline constexpr double UINavigationBarHeight = 44.0;

class UINavigationBar : public UIView {
public:
    UINavigationBar();
    ~UINavigationBar() override;

    void initWithFrame(CGRect frame) override;

    UIBarStyle barStyle() const { return m_barStyle; }
    // Also asks the application to show the status bar style this now implies.
    void setBarStyle(UIBarStyle style);

    void drawRect(CGRect rect) override;
    void layoutSubviews() override;

    // What the back button shows now ("‹ Details", "‹ Back" or "‹"): the title of the screen
    // below, shortened as far as it takes for the screen's own title to show whole. None when
    // no back button shows.
    std::optional<std::string> backButtonTitle() const;

    // One text of the bar, as drawn.
    struct BarText {
        std::string text;
        std::shared_ptr<UIFont> font;
        std::shared_ptr<UIColor> color;
    };

private:
    // What the bar shows, and where the title goes.
    struct Content {
        std::optional<BarText> left;
        bool leftIsBack = false;
        std::optional<BarText> right;
        std::optional<BarText> title;
        CGRect titleRect = CGRectZero;
    };
    Content content() const;

    friend class UINavigationController;

    void applyStyle();

    UIBarStyle m_barStyle = UIBarStyle::Default;
    std::vector<std::shared_ptr<UIView>> m_itemTargets;
    std::weak_ptr<UINavigationController> m_navigationController;
};
