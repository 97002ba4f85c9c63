#include "Private/Tasks/VideoIdent/Identification/KVNCheckTableViewController.h"

#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "Private/Helper/KVNLocalizer.h"

void KVNCheckTableViewController::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    KVNExtensions::setKavoniTitle(navigationItem(), KVNLocalizer::localizedStringForKey("NAVIGATION_ITEM_TITLE_VIDEO_IDENT_CHECK"));
}
