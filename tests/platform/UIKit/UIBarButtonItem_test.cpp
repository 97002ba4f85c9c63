#include <gtest/gtest.h>

#include "UIKit/UIBarButtonItem.h"
#include "UIKit/UINavigationItem.h"

TEST(UIBarButtonItemTest, ActionRunsOnlyWhileItsTargetLives)
{
    auto target = std::make_shared<int>(0);
    auto item = std::make_shared<UIBarButtonItem>();
    std::shared_ptr<UIBarButtonItem> sender;
    item->initWithTitle_style_target_action("Done", UIBarButtonItemStyle::Done, target,
                                            [counter = target.get(), &sender](const auto& s) {
                                                ++*counter;
                                                sender = s;
                                            });
    EXPECT_EQ(item->title(), "Done");
    EXPECT_EQ(item->style(), UIBarButtonItemStyle::Done);
    EXPECT_TRUE(item->sendAction());
    EXPECT_EQ(*target, 1);
    EXPECT_EQ(sender, item);

    item->setEnabled(false);
    EXPECT_FALSE(item->sendAction());
    item->setEnabled(true);

    target.reset();
    EXPECT_FALSE(item->sendAction()) << "the target is gone";
}

TEST(UIBarButtonItemTest, NoTargetOrNoAction)
{
    int runs = 0;
    auto free = std::make_shared<UIBarButtonItem>();
    free->initWithTitle_style_target_action("Go", UIBarButtonItemStyle::Plain, nullptr, [&](const auto&) { ++runs; });
    EXPECT_TRUE(free->sendAction());
    EXPECT_EQ(runs, 1);

    // A back button without action (as the library makes them).
    auto back = std::make_shared<UIBarButtonItem>();
    back->initWithTitle_style_target_action("Back", UIBarButtonItemStyle::Plain, nullptr, nullptr);
    EXPECT_FALSE(back->sendAction());

    UINavigationItem item;
    item.setBackBarButtonItem(back);
    EXPECT_EQ(item.backBarButtonItem()->title(), "Back");
    EXPECT_EQ(item.title(), std::nullopt);
}
