#include "Private/UIElements/KVNChatButton.h"

#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/UIElements/KVNBadgeView.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "public/KavoniAppearance.h"

KVNChatButton::~KVNChatButton()
{
    if (m_observation)
        m_observation->invalidate();
}

void KVNChatButton::initWithFrame(CGRect frame)
{
    UIButton::initWithFrame(frame);
    setUp();
}

void KVNChatButton::setUp()
{
    setBackgroundColor(UIColor::whiteColor());
    layer()->setCornerRadius(25);
    layer()->setShadowColor(KVNExtensions::colorWithRGBHex(0xB2B2B2)->CGColor());
    layer()->setShadowOpacity(1.0);
    layer()->setShadowRadius(3);
    layer()->setShadowOffset(CGSizeZero);
    auto self = std::static_pointer_cast<UIView>(shared_from_this());
    Layout::ConstraintMaker::make(self, [](Layout::ConstraintMaker& make) {
        make.width().equalTo(50);
        make.height().equalTo(50);
    });

    if (auto image = KVNImageProvider::imageNamed("kvn-icon-chat"))
        setImage_forState(image->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate), UIControlStateNormal);

    m_badgeView = std::make_shared<KVNBadgeView>();
    m_badgeView->init();
    addSubview(m_badgeView);
    Layout::ConstraintMaker::make(m_badgeView, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(self);
        make.right().equalTo(self);
    });
    updateUI();
}

void KVNChatButton::setMessageProvider(std::shared_ptr<KVNMessageProvider> messageProvider)
{
    if (m_observation) {
        m_observation->invalidate();
        m_observation.reset();
    }
    m_messageProvider = std::move(messageProvider);
    if (m_messageProvider) {
        auto weak = std::weak_ptr<KVNChatButton>(std::static_pointer_cast<KVNChatButton>(shared_from_this()));
        m_observation = m_messageProvider->observeNewMessagesCount([weak](long, long) {
            if (auto button = weak.lock())
                button->updateUI();
        });
    }
    updateUI();
}

void KVNChatButton::updateUI()
{
    const long count = m_messageProvider ? m_messageProvider->newMessagesCount() : 0;
    if (count > 0) {
        m_badgeView->setBadge(count);
        setTintColor(KavoniAppearance::sharedAppearance()->primaryBrandColor());
    } else {
        m_badgeView->setBadge(0);
        setTintColor(KVNExtensions::colorWithRGBHex(0xCACACA));
    }
}
