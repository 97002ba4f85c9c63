#include <gtest/gtest.h>

#include "Foundation/NSLocale.h"
#include "Private/Extensions/UINavigationItem+KVNExtensions.h"
#include "UIKit/UIBarButtonItem.h"
#include "support/KvnTestBundle.h"

using namespace KVNExtensions;

namespace {

class NavigationTitle : public ::testing::Test {
protected:
    void SetUp() override { NSLocale::setPreferredLanguages({"en"}); }
    void TearDown() override { NSLocale::resetOverrides(); }

    KvnTestBundle bundle;
    std::shared_ptr<UINavigationItem> item = std::make_shared<UINavigationItem>();
};

} // namespace

TEST_F(NavigationTitle, Table)
{
    struct Case {
        std::optional<std::string> title;
        std::optional<std::string> shown;
        bool backButton;
        const char* why;
    };
    const Case cases[] = {
        {"NAVIGATION_ITEM_TITLE_RESULT", "Identification", true, "a title key without text becomes the default"},
        {"Identification", "Identification", true, "the default title brings the default back button"},
        {"Your data", "Your data", false, "an ordinary title"},
        {"  ", std::nullopt, false, "blank: no title"},
        {"null", std::nullopt, false, "the text null: no title"},
        {std::nullopt, std::nullopt, false, "nil"},
    };
    for (const auto& c : cases) {
        auto fresh = std::make_shared<UINavigationItem>();
        setKavoniTitle(fresh, c.title);
        EXPECT_EQ(fresh->title(), c.shown) << c.why;
        auto back = fresh->backBarButtonItem();
        EXPECT_EQ(back != nullptr, c.backButton) << c.why;
        if (back) {
            EXPECT_EQ(back->title(), "Back") << c.why;
            EXPECT_EQ(back->style(), UIBarButtonItemStyle::Plain);
            EXPECT_FALSE(back->sendAction()) << "the back button has no action of its own";
            EXPECT_EQ(KavoniTitle(fresh), "Back") << "the getter answers the back button's title";
        } else {
            EXPECT_EQ(KavoniTitle(fresh), c.shown) << c.why;
        }
    }
}

TEST_F(NavigationTitle, GermanTexts)
{
    NSLocale::setPreferredLanguages({"de"});
    setKavoniTitle(item, "NAVIGATION_ITEM_TITLE_PHOTO_IDENT_TODO");
    EXPECT_EQ(item->title(), "Identifizierung");
    EXPECT_EQ(KavoniTitle(item), "Zurück");
}
