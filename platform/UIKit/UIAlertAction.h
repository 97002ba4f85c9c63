#pragma once
// One button of an alert: a title, a style and the handler run when the user taps it (after
// the alert has been dismissed). Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

enum class UIAlertActionStyle : long {
    Default = 0,
    Cancel = 1,
    Destructive = 2,
};

class UIAlertAction : public std::enable_shared_from_this<UIAlertAction> {
public:
    using Handler = std::function<void(const std::shared_ptr<UIAlertAction>& action)>;

    // `handler` may be empty.
    static std::shared_ptr<UIAlertAction> actionWithTitle_style_handler(const std::optional<std::string>& title, UIAlertActionStyle style,
                                                                       Handler handler);

    const std::optional<std::string>& title() const { return m_title; }
    UIAlertActionStyle style() const { return m_style; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    const Handler& handler() const { return m_handler; }

private:
    std::optional<std::string> m_title;
    UIAlertActionStyle m_style = UIAlertActionStyle::Default;
    bool m_enabled = true;
    Handler m_handler;
};
