#pragma once
// The input bar under the chat: a text field and a send button that is enabled only while
// the field holds something worth sending. The owner handles the return key and the send
// button's action. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UIView.h"

class KVNChatTextField;
class UIButton;

class KVNChatInputView : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<KVNChatTextField>& textField() const { return m_textField; }
    const std::shared_ptr<UIButton>& sendButton() const { return m_sendButton; }

    void editingChanged(const std::shared_ptr<KVNChatTextField>& textField);

    // Whether a text may be sent: anything but blanks. "null" is a word a user may well
    // write, so it is not refused.
    static bool canSendText(const std::optional<std::string>& text);

private:
    void setup();

    std::shared_ptr<KVNChatTextField> m_textField;
    std::shared_ptr<UIButton> m_sendButton;
};
