#pragma once
// A responder that takes key presses: the keyboard (and the automation that types like a
// person) sends each key as insertText, the return key as "\n", the delete key as
// deleteBackward. Main thread only.
#include <string>

class UIKeyInput {
public:
    virtual ~UIKeyInput() = default;
    virtual bool hasText() const = 0;
    virtual void insertText(const std::string& text) = 0;
    virtual void deleteBackward() = 0;
};
