#include "Private/UIElements/KVNTodoCell.h"

#include "Foundation/MainThreadChecker.h"
#include "Private/Helper/KVNImageProvider.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNMediumLabel.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImageView.h"
#include "models/KVNPhoto.h"
#include "public/KavoniAppearance.h"

void KVNTodoCell::updateWithPhoto(const std::shared_ptr<KVNPhoto>& photo)
{
    KVN_ASSERT_MAIN_THREAD();
    if (!photo)
        return;
    auto appearance = KavoniAppearance::sharedAppearance();
    titleLabel()->setText(photo->localizedTitle());
    subtitleLabel()->setText(photo->localizedSubtitle());
    titleLabel()->setTextColor(appearance->primaryBrandColor());
    const bool taken = photo->thumbnail() != nullptr;
    backgroundImageView()->setImage(taken ? photo->thumbnail() : KVNImageProvider::imageNamed("kvn-icon-takephoto"));
    setAccessoryType(taken ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryDisclosureIndicator);
    setTintColor(taken ? appearance->primaryBrandColor() : appearance->defaultTextColor());
    titleLabel()->setAlpha(taken ? 0.6 : 1.0);
    subtitleLabel()->setAlpha(taken ? 0.6 : 1.0);
}
