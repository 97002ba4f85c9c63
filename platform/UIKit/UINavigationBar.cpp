#include "UIKit/UINavigationBar.h"

#include "UIKit/UIColor.h"
#include "UIKit/UINavigationController.h"

UINavigationBar::UINavigationBar() = default;
UINavigationBar::~UINavigationBar() = default;

void UINavigationBar::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    applyStyle();
}

void UINavigationBar::setBarStyle(UIBarStyle style)
{
    if (style == m_barStyle)
        return;
    m_barStyle = style;
    applyStyle();
    if (auto navigationController = m_navigationController.lock())
        navigationController->setNeedsStatusBarAppearanceUpdate();
}

void UINavigationBar::applyStyle()
{
    setBackgroundColor(m_barStyle == UIBarStyle::Black ? UIColor::colorWithWhite_alpha(0.1, 1.0)
                                                       : UIColor::colorWithWhite_alpha(0.97, 1.0));
}
