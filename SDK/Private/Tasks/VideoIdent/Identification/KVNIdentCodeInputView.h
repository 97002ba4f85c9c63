#pragma once
// One channel row of the ident code screen: a title over a text field, with a check box in
// front when the user can choose between channels. The box only shows the choice; the
// screen switches it, so the box itself takes no touches. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UIView.h"

class KVNCheckBoxButton;
class KVNLabel;
class UITextField;

class KVNIdentCodeInputView : public UIView {
public:
    void initWithTitle_textFieldPlaceholder_textFieldText_checkMarkVisible(const std::optional<std::string>& title,
                                                                           const std::optional<std::string>& placeholder,
                                                                           const std::optional<std::string>& text, bool checkMarkVisible);

    const std::shared_ptr<UITextField>& textField() const { return m_textField; }
    const std::shared_ptr<KVNCheckBoxButton>& checkBoxButton() const { return m_checkBoxButton; }
    const std::shared_ptr<KVNLabel>& titleLabel() const { return m_titleLabel; }

private:
    std::shared_ptr<KVNLabel> m_titleLabel;
    std::shared_ptr<UITextField> m_textField;
    std::shared_ptr<KVNCheckBoxButton> m_checkBoxButton;
};
