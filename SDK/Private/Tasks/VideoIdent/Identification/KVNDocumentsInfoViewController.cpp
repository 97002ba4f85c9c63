#include "Private/Tasks/VideoIdent/Identification/KVNDocumentsInfoViewController.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIScrollView.h"

void KVNDocumentsInfoViewController::viewDidLoad()
{
    KVN_ASSERT_MAIN_THREAD();
    UIViewController::viewDidLoad();
    KVNExtensions::setKavoniTitle(navigationItem(),
                                  KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_VIDEO_IDENT_DOCUMENTS_INFO"));
    auto self = view();
    self->setBackgroundColor(UIColor::whiteColor());

    auto scrollView = std::make_shared<UIScrollView>();
    scrollView->init();
    self->addSubview(scrollView);
    Layout::ConstraintMaker::make(scrollView, [&](Layout::ConstraintMaker& make) { make.edges().equalTo(self); });

    auto container = std::make_shared<UIView>();
    container->init();
    scrollView->addSubview(container);
    Layout::ConstraintMaker::make(container, [&](Layout::ConstraintMaker& make) {
        make.top().left().right().equalTo(scrollView);
        make.bottom().equalTo(scrollView).priority(200);
        make.width().equalTo(self);
    });

    m_titleLabel = std::make_shared<KVNMediumLabel>();
    m_titleLabel->init();
    m_titleLabel->setFont(KVNExtensions::mediumFontOfSize(16));
    m_titleLabel->setNumberOfLines(0);
    m_titleLabel->setText(KVNLocalizer::localizedStringForKey("VIDEO_IDENT_DOCUMENTS_TITLE"));
    container->addSubview(m_titleLabel);
    Layout::ConstraintMaker::make(m_titleLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(container).offset(27);
        make.left().equalTo(container).offset(20);
        make.right().equalTo(container).offset(-20);
    });

    m_explanationLabel = std::make_shared<KVNLabel>();
    m_explanationLabel->init();
    m_explanationLabel->setFont(KVNExtensions::regularFontOfSize(16));
    m_explanationLabel->setNumberOfLines(0);
    m_explanationLabel->setText(KVNLocalizer::localizedStringForKey("VIDEO_IDENT_DOCUMENTS_EXPLANATION"));
    container->addSubview(m_explanationLabel);
    Layout::ConstraintMaker::make(m_explanationLabel, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(m_titleLabel->bottomAnchor()).offset(14);
        make.left().right().equalTo(m_titleLabel);
        make.bottom().equalTo(container).offset(-20);
    });
}

void KVNDocumentsInfoViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden_animated(false, animated);
}
