#include <gtest/gtest.h>

#include "UIKit/UILabel.h"
#include "UIKit/UINib.h"
#include "UIKit/UIView.h"

TEST(UINib, MakesTheViewsOfAnInterfaceText)
{
    const auto views = UINib::viewsFromText_named(
        R"({"objects": [{"class": "UILabel", "text": "Hi", "frame": [1, 2, 30, 40]}, {"subviews": [{"class": "UIView"}]}]})", "card");
    ASSERT_EQ(views.size(), 2u);
    ASSERT_TRUE(std::dynamic_pointer_cast<UILabel>(views[0]));
    EXPECT_EQ(std::dynamic_pointer_cast<UILabel>(views[0])->text(), std::optional<std::string>("Hi"));
    EXPECT_EQ(views[1]->subviews().size(), 1u) << "an entry without a class is a UIView";
}

// Every broken file ends in the loader's own exception, the only one its callers catch.
TEST(UINib, RefusesABrokenInterfaceWithItsOwnException)
{
    struct Case {
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        { R"({"objects": [{"class": 7}]})", "a class that is a number" },
        { R"({"objects": [{"class": null}]})", "a class that is null" },
        { R"({"objects": [{"class": ["UIView"]}]})", "a class that is a list" },
        { R"({"objects": [{"class": "UISlider"}]})", "an unknown class" },
        { R"({"objects": [{"class": "UILabel", "text": 1}]})", "a text that is a number" },
        { R"({"objects": [{"frame": [0, 0, "w", 1]}]})", "a frame holding a text" },
        { R"({"objects": [1]})", "an entry that is no object" },
        { R"({"objects": {}})", "objects that are no list" },
        { "not json", "no JSON at all" },
    };
    for (const auto& c : cases) {
        EXPECT_THROW(UINib::viewsFromText_named(c.text, "broken"), UINibLoadingException) << c.why;
    }
}
