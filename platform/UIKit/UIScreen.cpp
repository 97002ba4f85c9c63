#include "UIKit/UIScreen.h"

#include <cmath>

std::shared_ptr<UIScreen> UIScreen::mainScreen()
{
    static const std::shared_ptr<UIScreen> screen = std::make_shared<UIScreen>();
    return screen;
}

CGRect UIScreen::bounds() const
{
    std::lock_guard lock(m_mutex);
    return m_bounds;
}

CGFloat UIScreen::scale() const
{
    std::lock_guard lock(m_mutex);
    return m_scale;
}

void UIScreen::setBounds(CGRect bounds)
{
    if (!(bounds.size.width > 0 && bounds.size.height > 0 && std::isfinite(bounds.size.width) && std::isfinite(bounds.size.height)))
        return;
    std::lock_guard lock(m_mutex);
    m_bounds = CGRectMake(0, 0, bounds.size.width, bounds.size.height);
}

void UIScreen::setScale(CGFloat scale)
{
    if (!(scale > 0 && std::isfinite(scale)))
        return;
    std::lock_guard lock(m_mutex);
    m_scale = scale;
}
