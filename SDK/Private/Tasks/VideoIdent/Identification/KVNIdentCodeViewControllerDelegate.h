#pragma once
// The owner of the ident code screen (the video screen, or the consent step of e-signing):
// it does the requests the screen asks for and reports their outcome back to the screen, and
// lends the buttons that must get out of the way while the user types. Main thread.
#include <memory>
#include <string>

class KVNIdentCodeViewController;
class UIButton;

class KVNIdentCodeViewControllerDelegate {
public:
    virtual ~KVNIdentCodeViewControllerDelegate() = default;
    // By e-mail (true) or SMS (false), to what the video session data holds.
    virtual void identCodeViewController_wantsToRequestCodeViaEmail(const std::shared_ptr<KVNIdentCodeViewController>& controller,
                                                                    bool viaEmail) = 0;
    virtual void identCodeViewController_wantsToSendCode(const std::shared_ptr<KVNIdentCodeViewController>& controller,
                                                         const std::string& code) = 0;
    // Null when the owner has none.
    virtual std::shared_ptr<UIButton> cancelButton() = 0;
    virtual std::shared_ptr<UIButton> chatButton() = 0;
};
