#pragma once
// What a view controller shows in a navigation bar: its title and bar buttons, and the back
// button that the next screen pushed above it shows. A record; main thread only.
#include <memory>
#include <optional>
#include <string>

class UIBarButtonItem;

class UINavigationItem {
public:
    UINavigationItem() = default;
    void initWithTitle(const std::optional<std::string>& title) { m_title = title; }

    const std::optional<std::string>& title() const { return m_title; }
    void setTitle(const std::optional<std::string>& title) { m_title = title; }
    std::shared_ptr<UIBarButtonItem> backBarButtonItem() const { return m_backBarButtonItem; }
    void setBackBarButtonItem(std::shared_ptr<UIBarButtonItem> item) { m_backBarButtonItem = std::move(item); }
    std::shared_ptr<UIBarButtonItem> leftBarButtonItem() const { return m_leftBarButtonItem; }
    void setLeftBarButtonItem(std::shared_ptr<UIBarButtonItem> item) { m_leftBarButtonItem = std::move(item); }
    void setLeftBarButtonItem_animated(std::shared_ptr<UIBarButtonItem> item, bool animated) { setLeftBarButtonItem(std::move(item)); }
    std::shared_ptr<UIBarButtonItem> rightBarButtonItem() const { return m_rightBarButtonItem; }
    void setRightBarButtonItem(std::shared_ptr<UIBarButtonItem> item) { m_rightBarButtonItem = std::move(item); }
    void setRightBarButtonItem_animated(std::shared_ptr<UIBarButtonItem> item, bool animated) { setRightBarButtonItem(std::move(item)); }
    bool hidesBackButton() const { return m_hidesBackButton; }
    void setHidesBackButton(bool hides) { m_hidesBackButton = hides; }
    void setHidesBackButton_animated(bool hides, bool animated) { m_hidesBackButton = hides; }

private:
    std::optional<std::string> m_title;
    std::shared_ptr<UIBarButtonItem> m_backBarButtonItem;
    std::shared_ptr<UIBarButtonItem> m_leftBarButtonItem;
    std::shared_ptr<UIBarButtonItem> m_rightBarButtonItem;
    bool m_hidesBackButton = false;
};
