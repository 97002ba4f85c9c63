#include "Private/UIElements/KVNPoweredByView.h"

#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/NSLayoutYAxisAnchor.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"

void KVNPoweredByView::initWithFrame(CGRect frame)
{
    UIView::initWithFrame(frame);
    setup();
}

void KVNPoweredByView::setup()
{
    auto self = shared_from_this();
    m_imageView = std::make_shared<UIImageView>();
    m_imageView->initWithImage(UIImage::imageNamed("kvn-watermark"));
    addSubview(m_imageView);

    m_label = std::make_shared<UILabel>();
    m_label->init();
    m_label->setFont(KVNExtensions::regularFontOfSize(14));
    m_label->setTextColor(UIColor::whiteColor());
    m_label->setText("powered by");
    addSubview(m_label);
    Layout::ConstraintMaker::make(m_label, [&](Layout::ConstraintMaker& make) {
        make.top().equalTo(self);
        make.left().equalTo(self).offset(15);
        make.right().equalTo(self).offset(-15);
    });
    Layout::ConstraintMaker::make(m_imageView, [&](Layout::ConstraintMaker& make) {
        make.left().equalTo(m_label);
        make.top().equalTo(m_label->bottomAnchor()).offset(10);
        make.bottom().equalTo(self).offset(-10);
    });
}
