#pragma once
// A button of a navigation bar: a title, a style and an action. The target is held weakly,
// as on the platform: once a given target is gone, the action no longer runs.
// Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

enum class UIBarButtonSystemItem : long {
    Done = 0,
    Cancel = 1,
    FlexibleSpace = 5,
};

class UIColor;

enum class UIBarButtonItemStyle : long {
    Plain = 0,
    Bordered = 1,
    Done = 2,
};

class UIBarButtonItem : public std::enable_shared_from_this<UIBarButtonItem> {
public:
    using Action = std::function<void(const std::shared_ptr<UIBarButtonItem>& sender)>;

    UIBarButtonItem() = default;
    virtual ~UIBarButtonItem() = default;

    // `target` may be nullptr (the action then always runs) or any object the action
    // belongs to; `action` may be empty (a button that does nothing, e.g. a back button).
    void initWithTitle_style_target_action(const std::optional<std::string>& title, UIBarButtonItemStyle style,
                                           const std::shared_ptr<void>& target, Action action);

    // Done and Cancel are titled buttons; a flexible space has no title and takes the room
    // left over in a toolbar.
    void initWithBarButtonSystemItem_target_action(UIBarButtonSystemItem item, const std::shared_ptr<void>& target, Action action);
    bool isFlexibleSpace() const { return m_flexibleSpace; }
    // The colour of the title where a bar draws it; nullptr for the bar's own colour.
    const std::shared_ptr<UIColor>& titleColor() const { return m_titleColor; }
    void setTitleColor(std::shared_ptr<UIColor> color) { m_titleColor = std::move(color); }

    const std::optional<std::string>& title() const { return m_title; }
    void setTitle(const std::optional<std::string>& title) { m_title = title; }
    UIBarButtonItemStyle style() const { return m_style; }
    void setStyle(UIBarButtonItemStyle style) { m_style = style; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    std::shared_ptr<void> target() const { return m_target.lock(); }
    const Action& action() const { return m_action; }
    void setTarget_action(const std::shared_ptr<void>& target, Action action);

    // What a tap does: runs the action with this item as sender, unless the item is disabled,
    // has no action, or its target is gone. Returns whether the action ran.
    bool sendAction();

private:
    std::optional<std::string> m_title;
    UIBarButtonItemStyle m_style = UIBarButtonItemStyle::Plain;
    bool m_enabled = true;
    bool m_flexibleSpace = false;
    std::shared_ptr<UIColor> m_titleColor;
    bool m_hasTarget = false;
    std::weak_ptr<void> m_target;
    Action m_action;
};
