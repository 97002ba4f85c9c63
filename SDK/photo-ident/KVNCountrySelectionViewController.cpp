#include "photo-ident/KVNCountrySelectionViewController.h"

#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"

void KVNCountrySelectionViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    KVNExtensions::setKavoniTitle(navigationItem(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_PHOTO_IDENT_COUNTRY"));
}
