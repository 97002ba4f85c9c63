#include "UIKit/UITableViewController.h"

void UITableViewController::initWithStyle(UITableViewStyle style)
{
    m_style = style;
    init();
}
