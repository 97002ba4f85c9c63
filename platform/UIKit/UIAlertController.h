#pragma once
// An alert or action sheet: title, message and buttons (actions), presented modally like any
// view controller, and drawn with its texts (UIKitDetail::AlertView). A tap on a button dismisses the alert (animated, as on the platform) and
// runs the button's handler once the dismissal has completed. Tests (and the headless host)
// tap buttons through tapActionWithTitle / tapActionAtIndex. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UIKit/UIAlertAction.h"
#include "UIKit/UIViewController.h"

enum class UIAlertControllerStyle : long {
    ActionSheet = 0,
    Alert = 1,
};

class UIAlertController : public UIViewController {
public:
    static std::shared_ptr<UIAlertController> alertControllerWithTitle_message_preferredStyle(const std::optional<std::string>& title,
                                                                                            const std::optional<std::string>& message,
                                                                                            UIAlertControllerStyle preferredStyle);

    const std::optional<std::string>& message() const { return m_message; }
    void setMessage(const std::optional<std::string>& message);
    UIAlertControllerStyle preferredStyle() const { return m_preferredStyle; }

    // Buttons in the order added. An alert has at most one cancel-style button: a second one
    // is logged and ignored (the platform refuses it too), as is adding the same action twice.
    const std::vector<std::shared_ptr<UIAlertAction>>& actions() const { return m_actions; }
    void addAction(const std::shared_ptr<UIAlertAction>& action);
    std::shared_ptr<UIAlertAction> preferredAction() const { return m_preferredAction; }
    // Must be one of the alert's actions; anything else is logged and ignored.
    void setPreferredAction(const std::shared_ptr<UIAlertAction>& action);

    // A user's tap on the first enabled button with the title / the button at the index.
    // False (and nothing happens) when there is no such enabled button, or the alert is not
    // presented or already going away.
    bool tapActionWithTitle(const std::string& title);
    bool tapActionAtIndex(size_t index);

    void loadView() override;
    void setTitle(const std::optional<std::string>& title) override;

protected:
    // An alert dims the screen under it.
    bool dimsWhatLiesBehindWhenPresented() const override { return true; }

private:
    bool tap(const std::shared_ptr<UIAlertAction>& action);
    // The shown panel follows the title, message and buttons.
    void contentDidChange();

    std::optional<std::string> m_message;
    UIAlertControllerStyle m_preferredStyle = UIAlertControllerStyle::Alert;
    std::vector<std::shared_ptr<UIAlertAction>> m_actions;
    std::shared_ptr<UIAlertAction> m_preferredAction;
};
