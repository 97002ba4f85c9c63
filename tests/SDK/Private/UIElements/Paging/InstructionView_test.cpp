#include <gtest/gtest.h>

#include <memory>

#include "PictureFixture.h"
#include "Private/UIElements/KVNInstructionView.h"
#include "UIKit/CALayer.h"
#include "UIKit/ConstraintMaker.h"
#include "UIKit/UIDevice.h"

namespace {

class InstructionViewTest : public PictureTest {
protected:
    void TearDown() override
    {
        UIDevice::currentDevice()->setUserInterfaceIdiomForTesting(UIUserInterfaceIdiomPhone);
        PictureTest::TearDown();
    }

    std::shared_ptr<KVNInstructionView> makeShownView(const std::string& text)
    {
        screen = showBlankScreen();
        auto view = std::make_shared<KVNInstructionView>();
        view->initWithNumber_text(3, text);
        screen.view->addSubview(view);
        Layout::ConstraintMaker::make(view, [&](Layout::ConstraintMaker& make) {
            make.top().equalTo(screen.view).offset(20);
            make.left().right().equalTo(screen.view);
            make.height().equalTo(90);
        });
        screen.view->layoutIfNeeded();
        return view;
    }

    ShownScreen screen;
};

TEST_F(InstructionViewTest, TheNumberCircleSitsBesideTheTextByDevice)
{
    const struct {
        const char* why;
        UIUserInterfaceIdiom idiom;
        CGFloat textTop;
        bool centred; // else 7 below the text's top
    } cases[] = {
        {"phone: text at the top, circle 7 below its top", UIUserInterfaceIdiomPhone, 0, false},
        {"tablet: text 7 down, circle centred on it", UIUserInterfaceIdiomPad, 7, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        UIDevice::currentDevice()->setUserInterfaceIdiomForTesting(c.idiom);
        auto view = makeShownView("Hold your identity card into the camera so that it fills the frame.");
        CGRect text = view->textLabel()->frame();
        CGRect number = view->numberLabel()->frame();
        EXPECT_EQ(view->numberLabel()->text(), "3");
        EXPECT_EQ(text.origin.y, c.textTop);
        EXPECT_EQ(CGRectGetMaxX(text), 320 - 20);
        EXPECT_EQ(number.origin.x, 20);
        EXPECT_EQ(number.size.width, 25);
        EXPECT_EQ(number.size.height, 25);
        EXPECT_EQ(CGRectGetMaxX(number), text.origin.x - 20);
        EXPECT_GT(text.size.height, 25); // wrapped over lines at the first layout, so centring differs from the top
        if (c.centred)
            EXPECT_DOUBLE_EQ(CGRectGetMidY(number), CGRectGetMidY(text));
        else
            EXPECT_EQ(number.origin.y, text.origin.y + 7);
        // A filled circle: its corners follow its side.
        EXPECT_DOUBLE_EQ(view->numberLabel()->layer()->cornerRadius(), 12.5);
        picture(screen.view, c.centred ? "instruction-tablet" : "instruction-phone");
    }
}

} // namespace
