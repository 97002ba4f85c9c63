#pragma once
// The handwritten-signature panel of the e-signature overlay: a title, a redraw button, the
// hatched canvas, a short description, the send button and the decline button, on a white
// card. It builds and lays out its views and keeps the send button's state: enabled once
// the canvas has ink, disabled by a redraw. The overlay wires send and decline, takes the
// canvas's drawnImage and uploads it:
//     auto panel = std::make_shared<KVNSignatureViewController>();
//     panel->init();
//     panel->signContractButton()->addTarget_action_forControlEvents(overlay, send, UIControlEventTouchUpInside);
// Main thread only.
#include <memory>

#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvasDelegate.h"
#include "UIKit/UIControl.h"
#include "UIKit/UIViewController.h"

class KVNCanvas;
class KVNCanvasContainer;
class KVNImageTextButton;
class KVNLabel;
class KVNRoundedButton;

class KVNSignatureViewController : public UIViewController, public KVNCanvasDelegate {
public:
    // Makes the views; the view itself loads on first use.
    void init() override;
    void loadView() override;
    void viewDidLoad() override;

    void signAgainButtonTapped(const std::shared_ptr<UIControl>& sender);
    void canvasDidStartDrawing(const std::shared_ptr<KVNCanvas>& canvas) override;

    const std::shared_ptr<KVNLabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<KVNImageTextButton>& signAgainButton() const { return m_signAgainButton; }
    const std::shared_ptr<KVNCanvasContainer>& canvasContainer() const { return m_canvasContainer; }
    const std::shared_ptr<KVNCanvas>& canvas() const { return m_canvas; }
    const std::shared_ptr<KVNLabel>& canvasDescriptionLabel() const { return m_canvasDescriptionLabel; }
    const std::shared_ptr<KVNRoundedButton>& signContractButton() const { return m_signContractButton; }
    const std::shared_ptr<KVNImageTextButton>& declineContractButton() const { return m_declineContractButton; }

protected:
    virtual void setUp();

private:
    std::shared_ptr<KVNLabel> m_titleLabel;
    std::shared_ptr<KVNImageTextButton> m_signAgainButton;
    std::shared_ptr<KVNCanvasContainer> m_canvasContainer;
    std::shared_ptr<KVNCanvas> m_canvas;
    std::shared_ptr<KVNLabel> m_canvasDescriptionLabel;
    std::shared_ptr<KVNRoundedButton> m_signContractButton;
    std::shared_ptr<KVNImageTextButton> m_declineContractButton;
};
