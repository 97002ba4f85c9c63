#include "Private/UIElements/KVNToast.h"

#include <algorithm>

#include "Private/Extensions/UIColor+KVNExtensions.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNTimer.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIViewController.h"

KVNToast::~KVNToast()
{
    if (m_timer)
        m_timer->cancel();
}

void KVNToast::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setUp();
}

void KVNToast::setUp()
{
    setBackgroundColor(KVNExtensions::colorWithRGBHex(0x656565));
    layer()->setCornerRadius(20);
    setAlpha(0);
    m_timer = std::make_shared<KVNTimer>();

    m_label = std::make_shared<UILabel>();
    m_label->init();
    m_label->setTextColor(UIColor::whiteColor());
    m_label->setNumberOfLines(0);
    m_label->setFont(KVNExtensions::regularFontOfSize(14));
    addSubview(m_label);
    auto self = std::static_pointer_cast<UIView>(shared_from_this());
    Layout::ConstraintMaker::make(m_label, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(self).offset(10);
        make.bottom().equalTo(self).offset(-10);
        make.left().equalTo(self).offset(20);
        make.right().equalTo(self).offset(-20);
    });
}

void KVNToast::layoutSubviews()
{
    UIView::layoutSubviews();
    layer()->setCornerRadius(std::min<CGFloat>(bounds().size.height / 2, 20));
}

void KVNToast::showText_completion(const std::string& text, Completion completion)
{
    setAlpha(0);
    m_timer->cancel();
    m_label->setText(text);
    // A fade-in that a newer show or a dismiss overtook must not arm the timer when it ends.
    const unsigned long generation = ++m_generation;
    auto weak = std::weak_ptr<KVNToast>(std::static_pointer_cast<KVNToast>(shared_from_this()));
    animateWithDuration_delay_options_animations_completion(
        fadeDuration, 0, UIViewAnimationOptionCurveEaseIn,
        [weak] {
            if (auto toast = weak.lock())
                toast->setAlpha(1.0);
        },
        [weak, generation, completion = std::move(completion)](bool) {
            auto toast = weak.lock();
            if (!toast || toast->m_generation != generation)
                return;
            toast->m_timer->executeAfterSeconds_repeats_action(displayDuration, false, [weak, completion] {
                if (auto toast = weak.lock())
                    toast->dismissWithCompletion(completion);
            });
        });
}

void KVNToast::dismissWithCompletion(Completion completion)
{
    ++m_generation;
    m_timer->cancel();
    auto weak = std::weak_ptr<KVNToast>(std::static_pointer_cast<KVNToast>(shared_from_this()));
    animateWithDuration_delay_options_animations_completion(
        fadeDuration, 0, UIViewAnimationOptionCurveEaseOut,
        [weak] {
            if (auto toast = weak.lock())
                toast->setAlpha(0);
        },
        [completion = std::move(completion)](bool) {
            if (completion)
                completion();
        });
}

void KVNToast::show_withText(const std::shared_ptr<UIViewController>& controller, const std::string& text)
{
    auto view = controller ? controller->view() : nullptr;
    if (!view)
        return;
    auto toast = std::make_shared<KVNToast>();
    toast->init();
    view->addSubview(toast);
    Layout::ConstraintMaker::make(toast, [&](Layout::ConstraintMaker& make) {
        make.center().equalTo(view);
        make.left().greaterThanOrEqualTo(view).offset(20);
        make.right().lessThanOrEqualTo(view).offset(-20);
        make.top().greaterThanOrEqualTo(view).offset(50);
    });
    toast->layoutIfNeeded();
    auto weak = std::weak_ptr<KVNToast>(toast);
    toast->showText_completion(text, [weak] {
        if (auto toast = weak.lock())
            toast->removeFromSuperview();
    });
}
