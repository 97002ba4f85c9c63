#include "UIKit/UITableViewController.h"

#include "UIKit/UIScreen.h"

void UITableViewController::initWithStyle(UITableViewStyle style)
{
    m_style = style;
    init();
}

std::shared_ptr<UITableView> UITableViewController::tableView()
{
    loadViewIfNeeded();
    return m_tableView;
}

void UITableViewController::loadView()
{
    auto self = std::static_pointer_cast<UITableViewController>(shared_from_this());
    m_tableView = std::make_shared<UITableView>();
    m_tableView->initWithFrame_style(UIScreen::mainScreen()->bounds(), m_style);
    m_tableView->setDataSource(self);
    m_tableView->setDelegate(self);
    setView(m_tableView);
}
