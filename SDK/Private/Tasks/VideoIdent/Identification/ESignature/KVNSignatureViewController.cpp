#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNSignatureViewController.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSParagraphStyle.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvas.h"
#include "Private/Tasks/VideoIdent/Identification/ESignature/KVNCanvasContainer.h"
#include "Private/UIElements/KVNImageTextButton.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "Private/UIElements/KVNRoundedView.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIScreen.h"

namespace {
// Below this height the title is left-aligned, as on the smallest phones.
constexpr CGFloat kSmallScreenHeight = 568;
} // namespace

void KVNSignatureViewController::init()
{
    UIViewController::init();
    setUp();
}

void KVNSignatureViewController::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    m_titleLabel = std::make_shared<KVNLabel>();
    m_titleLabel->initWithFrame(CGRectZero);
    m_titleLabel->setText(KVNLocalizer::localizedStringForKey("SIGNATURE_TITLE"));
    m_titleLabel->setFont(KVNExtensions::regularFontOfSize(19));
    m_titleLabel->setTextAlignment(UIScreen::mainScreen()->bounds().size.height >= kSmallScreenHeight ? NSTextAlignmentCenter
                                                                                                      : NSTextAlignmentLeft);

    auto weak = std::weak_ptr<KVNSignatureViewController>(std::static_pointer_cast<KVNSignatureViewController>(shared_from_this()));
    m_signAgainButton = UIButton::buttonWithType<KVNImageTextButton>(UIButtonTypeSystem);
    m_signAgainButton->setImage_forState(KVNImageProvider::imageNamed("kvn-icon-sign-again"), UIControlStateNormal);
    m_signAgainButton->setTitle_forState(KVNLocalizer::localizedStringForKey("SIGNATURE_REDRAW_BUTTON_TITLE"), UIControlStateNormal);
    m_signAgainButton->addTarget_action_forControlEvents(
        shared_from_this(),
        [weak](const std::shared_ptr<UIControl>& sender) {
            if (auto self = weak.lock())
                self->signAgainButtonTapped(sender);
        },
        UIControlEventTouchUpInside);

    m_canvasContainer = std::make_shared<KVNCanvasContainer>();
    m_canvasContainer->initWithFrame(CGRectZero);
    m_canvas = std::make_shared<KVNCanvas>();
    m_canvas->initWithFrame(CGRectZero);
    m_canvas->setDelegate(std::static_pointer_cast<KVNSignatureViewController>(shared_from_this()));
    m_canvasContainer->addSubview(m_canvas);

    m_canvasDescriptionLabel = std::make_shared<KVNLabel>();
    m_canvasDescriptionLabel->initWithFrame(CGRectZero);
    m_canvasDescriptionLabel->setText(KVNLocalizer::localizedStringForKey("SIGNATURE_DRAWING_DESCRIPTION"));
    m_canvasDescriptionLabel->setFont(KVNExtensions::regularFontOfSize(11));
    m_canvasDescriptionLabel->setNumberOfLines(0);

    m_signContractButton = std::make_shared<KVNRoundedButton>();
    m_signContractButton->initWithFrame(CGRectZero);
    m_signContractButton->setTitle_forState(KVNLocalizer::localizedStringForKey("SIGNATURE_SEND_BUTTON_TITLE"), UIControlStateNormal);
    m_signContractButton->setEnabled_animated(false, false);

    m_declineContractButton = UIButton::buttonWithType<KVNImageTextButton>(UIButtonTypeSystem);
    m_declineContractButton->setImage_forState(KVNImageProvider::imageNamed("kvn-icon-cancel"), UIControlStateNormal);
    m_declineContractButton->setTitle_forState(KVNLocalizer::localizedStringForKey("SIGNATURE_DECLINE_BUTTON_TITLE"), UIControlStateNormal);
}

void KVNSignatureViewController::loadView()
{
    auto card = std::make_shared<KVNRoundedView>();
    card->initWithFrame(UIScreen::mainScreen()->bounds());
    setView(card);
}

void KVNSignatureViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    auto root = view();
    for (const std::shared_ptr<UIView>& subview : std::initializer_list<std::shared_ptr<UIView>>{
             m_titleLabel, m_signAgainButton, m_canvasContainer, m_canvasDescriptionLabel, m_signContractButton, m_declineContractButton})
        root->addSubview(subview);

    Layout::ConstraintMaker::make(m_titleLabel, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(root).offset(10);
        make.top().equalTo(root).offset(15);
        make.centerX().equalTo(root);
    });
    Layout::ConstraintMaker::make(m_signAgainButton, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_titleLabel);
        make.top().equalTo(m_titleLabel->bottomAnchor()).offset(2);
    });
    // The container tucks 10 points under the redraw button's tall touch area.
    Layout::ConstraintMaker::make(m_canvasContainer, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(root);
        make.top().equalTo(m_signAgainButton->bottomAnchor()).offset(-10);
        make.height().greaterThanOrEqualTo(131);
    });
    Layout::ConstraintMaker::make(m_canvas, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(m_canvasContainer); });
    Layout::ConstraintMaker::make(m_canvasDescriptionLabel, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.top().equalTo(m_canvas->bottomAnchor()).offset(8);
    });
    Layout::ConstraintMaker::make(m_signContractButton, [&](Layout::ConstraintMaker& make) {
        make.left().right().equalTo(m_titleLabel);
        make.top().equalTo(m_canvasDescriptionLabel->bottomAnchor()).offset(29);
        make.height().equalTo(44);
    });
    Layout::ConstraintMaker::make(m_declineContractButton, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_titleLabel);
        make.top().equalTo(m_signContractButton->bottomAnchor());
        make.bottom().equalTo(root).offset(5);
    });
}

void KVNSignatureViewController::signAgainButtonTapped(const std::shared_ptr<UIControl>&)
{
    KVN_ASSERT_MAIN_THREAD();
    m_canvas->reset();
    m_signContractButton->setEnabled_animated(false, true);
}

void KVNSignatureViewController::canvasDidStartDrawing(const std::shared_ptr<KVNCanvas>&)
{
    KVN_ASSERT_MAIN_THREAD();
    m_signContractButton->setEnabled_animated(true, true);
}
