#include "Private/UIElements/KVNTextField.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSAttributedString.h"
#include "public/KavoniAppearance.h"
#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "Private/UIElements/KVNUICustomization.h"
#include "UIKit/CALayer.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIScreen.h"

void KVNTextField::initWithFrame(CGRect frame)
{
    UITextField::initWithFrame(frame);
    setUp();
}

void KVNTextField::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    auto appearance = KavoniAppearance::sharedAppearance();
    setFont(KVNExtensions::mediumFontOfSize(17));
    setBorderStyle(UITextBorderStyleNone);
    setTextColor(appearance->defaultTextColor());
    // One device pixel on a dense screen.
    layer()->setBorderWidth(UIScreen::mainScreen()->scale() == 1.0 ? 1.0 : 0.5);
    layer()->setBorderColor(appearance->textFieldBorderColor()->CGColor());
    layer()->setCornerRadius(appearance->cornerRadius());
    auto fieldColor = appearance->textFieldColor();
    setBackgroundColor(fieldColor ? fieldColor->colorWithAlphaComponent(0.15) : UIColor::whiteColor());
    kvn::sendSetupCompleteIfAnswered(this);
}

void KVNTextField::setPlaceholder(const std::optional<std::string>& placeholder)
{
    auto fieldColor = KavoniAppearance::sharedAppearance()->textFieldColor();
    if (!fieldColor || !placeholder)
        return UITextField::setPlaceholder(placeholder);
    NSDictionary attributes;
    attributes[NSForegroundColorAttributeName] = fieldColor->colorWithAlphaComponent(0.7);
    setAttributedPlaceholder(std::make_shared<NSAttributedString>(*placeholder, std::move(attributes)));
}

CGRect KVNTextField::textRectForBounds(CGRect bounds) const
{
    return CGRectMake(bounds.origin.x + 10, bounds.origin.y, bounds.size.width - 20, bounds.size.height);
}

CGRect KVNTextField::editingRectForBounds(CGRect bounds) const
{
    return CGRectMake(bounds.origin.x + 10, bounds.origin.y, bounds.size.width - 20, bounds.size.height);
}
