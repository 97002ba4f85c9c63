#pragma once
// The text block of the ident code screen: a headline, an explanation naming where the code
// went (SMS to the mobile number or e-mail to the address of the video identification), and,
// while the code is being entered, a line with a link to have it sent again. While a code is
// being requested that row is collapsed to no height. The screen sets the layout and the
// channel and hears of the link through the delegate. Main thread only.
#include <memory>

#include "Private/UIElements/KVNIdentCodeViewDelegate.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "UIKit/MadeConstraint.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIView.h"

class KVNIdentCodeView : public UIView {
public:
    void initWithFrame(CGRect frame) override;

    const std::shared_ptr<KVNMediumLabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<KVNLabel>& contentLabel() const { return m_contentLabel; }
    const std::shared_ptr<UIButton>& requestAgainButton() const { return m_requestAgainButton; }
    const std::shared_ptr<KVNLabel>& requestAgainLabel() const { return m_requestAgainLabel; }
    // The zero heights that collapse the request-again row; null while it is shown.
    const std::shared_ptr<Layout::MadeConstraint>& buttonHeightConstraint() const { return m_buttonHeightConstraint; }
    const std::shared_ptr<Layout::MadeConstraint>& requestAgainLabelHeightConstraint() const { return m_requestAgainLabelHeightConstraint; }

    std::shared_ptr<KVNIdentCodeViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<KVNIdentCodeViewDelegate>& delegate) { m_delegate = delegate; }

    // Read at the next updateForIdentCodeLayout, not before.
    bool emailSelected() const { return m_emailSelected; }
    void setEmailSelected(bool emailSelected) { m_emailSelected = emailSelected; }

    // A KVNIdentCodeLayout; any value but RequestCode shows the entry texts.
    void updateForIdentCodeLayout(long layout);
    void requestAgainButtonTapped(const std::shared_ptr<UIControl>& sender);

private:
    void setUp();

    std::shared_ptr<KVNMediumLabel> m_titleLabel;
    std::shared_ptr<KVNLabel> m_contentLabel;
    std::shared_ptr<UIButton> m_requestAgainButton;
    std::shared_ptr<KVNLabel> m_requestAgainLabel;
    std::shared_ptr<Layout::MadeConstraint> m_buttonHeightConstraint;
    std::shared_ptr<Layout::MadeConstraint> m_requestAgainLabelHeightConstraint;
    std::weak_ptr<KVNIdentCodeViewDelegate> m_delegate;
    bool m_emailSelected = false;
};
