#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"

#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"

void KVNIdentificationViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    KVNExtensions::setKavoniTitle(navigationItem(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_DEFAULT"));
}
