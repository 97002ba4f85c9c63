#pragma once
// The UIKit fixture with the theme back at its defaults before and after each test, since
// widgets read the one shared theme when they are made.
#include "../../../../platform/UIKit/UIKitTestFixture.h"
#include "public/KavoniAppearance.h"

class ThemedUIKitTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        KavoniAppearance::resetSharedAppearanceForTesting();
    }
    void TearDown() override
    {
        KavoniAppearance::resetSharedAppearanceForTesting();
        UIKitTest::TearDown();
    }
};
