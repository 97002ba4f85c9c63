#include "Private/UIElements/KVNChatTextField.h"

#include <algorithm>

#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "public/KavoniAppearance.h"

void KVNChatTextField::initWithFrame(CGRect frame)
{
    UITextField::initWithFrame(frame);
    setup();
}

void KVNChatTextField::setup()
{
    auto appearance = KavoniAppearance::sharedAppearance();
    setPlaceholder(KVNLocalizer::localizedStringForKey("CHAT_INPUT_TEXTFIELD_PLACEHOLDER"));
    setBackgroundColor(UIColor::whiteColor());
    layer()->setCornerRadius(appearance->cornerRadius());
    setFont(KVNExtensions::regularFontOfSize(14));
    setTextColor(appearance->defaultTextColor());
}

CGRect KVNChatTextField::textRectForBounds(CGRect bounds) const
{
    return CGRectMake(bounds.origin.x + 10, bounds.origin.y, std::max<CGFloat>(bounds.size.width - 20, 0), bounds.size.height);
}

CGRect KVNChatTextField::editingRectForBounds(CGRect bounds) const
{
    return CGRectMake(bounds.origin.x + 10, bounds.origin.y, std::max<CGFloat>(bounds.size.width - 20, 0), bounds.size.height);
}
