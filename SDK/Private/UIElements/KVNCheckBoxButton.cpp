#include "Private/UIElements/KVNCheckBoxButton.h"

#include "Foundation/MainThreadChecker.h"
#include "public/KavoniAppearance.h"
#include "Private/Helper/KVNImageProvider.h"
#include "UIKit/UIImage.h"

void KVNCheckBoxButton::initWithFrame(CGRect frame)
{
    UIButton::initWithFrame(frame);
    setUp();
}

void KVNCheckBoxButton::setUp()
{
    KVN_ASSERT_MAIN_THREAD();
    setTintColor(KavoniAppearance::sharedAppearance()->checkIconColor());
    setTitle_forState(std::nullopt, UIControlStateNormal);
    // A missing image leaves the state without one rather than failing the set-up.
    auto templateOf = [](const char* name) {
        auto image = KVNImageProvider::imageNamed(name);
        return image ? image->imageWithRenderingMode(UIImageRenderingModeAlwaysTemplate) : nullptr;
    };
    setImage_forState(templateOf("kvn-icon-unselected"), UIControlStateNormal);
    setImage_forState(templateOf("kvn-icon-selected"), UIControlStateSelected);
}
