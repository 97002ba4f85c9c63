#include <gtest/gtest.h>

#include "UIKit/UIScreen.h"

namespace {

TEST(UIScreen, DefaultsAreSettableAndNonsenseIsIgnored)
{
    auto screen = UIScreen::mainScreen();
    ASSERT_EQ(screen, UIScreen::mainScreen()) << "one main screen";
    EXPECT_EQ(screen->bounds(), CGRectMake(0, 0, 375, 667));
    EXPECT_EQ(screen->scale(), 2.0);

    screen->setScale(3.0);
    screen->setBounds(CGRectMake(10, 10, 414, 896));
    EXPECT_EQ(screen->scale(), 3.0);
    EXPECT_EQ(screen->bounds(), CGRectMake(0, 0, 414, 896)) << "the origin stays at zero";

    screen->setScale(0);
    screen->setScale(-1);
    screen->setScale(NAN);
    screen->setBounds(CGRectMake(0, 0, 0, 100));
    EXPECT_EQ(screen->scale(), 3.0);
    EXPECT_EQ(screen->bounds(), CGRectMake(0, 0, 414, 896));

    screen->setScale(2.0);
    screen->setBounds(CGRectMake(0, 0, 375, 667));
}

} // namespace
