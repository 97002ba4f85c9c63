#pragma once
// The themed UIKit fixture plus pictures: a view drawn to a PNG in the build tree
// (test-output/paging/<name>.png), to be looked at by a person, its pixels handed back.
#include <memory>
#include <string>

#include "../../../../platform/UIKit/Snapshot.h"
#include "../Controls/ThemedUIKitTest.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "support/TestPicture.h"

class PictureTest : public ThemedUIKitTest {
protected:
    std::shared_ptr<UIImage> picture(const std::shared_ptr<UIView>& view, const std::string& name)
    {
        view->layoutIfNeeded();
        auto image = fixtures::snapshot(view);
        kvn::test::writeTestPicture("paging", name, image);
        return image;
    }
};
