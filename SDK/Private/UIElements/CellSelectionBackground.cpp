#include "Private/UIElements/CellSelectionBackground.h"

#include "UIKit/UIColor.h"
#include "UIKit/UIView.h"
#include "public/KavoniAppearance.h"

namespace kvn {

std::shared_ptr<UIView> brandSelectionBackground()
{
    auto view = std::make_shared<UIView>();
    view->init();
    view->setBackgroundColor(KavoniAppearance::sharedAppearance()->primaryBrandColor()->colorWithAlphaComponent(0.15));
    return view;
}

} // namespace kvn
