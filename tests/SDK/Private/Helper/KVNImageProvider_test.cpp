#include <gtest/gtest.h>

#include "Private/Helper/KVNImageProvider.h"
#include "UIKit/UIImage.h"
#include "support/KvnTestBundle.h"

// Images are told apart by their pixel sizes.
TEST(KVNImageProvider, HostCustomImageWinsOverTheLibraryImage)
{
    KvnTestBundle bundle;
    bundle.addImage("kvn-icon-chat", 3, 2);
    bundle.addImage("kvn-flag-DE", 5, 4);
    bundle.addImage("kvn-flag-DE-custom", 7, 6);
    bundle.addImage("kvn-only-custom-custom", 9, 8);

    struct Case {
        const char* name;
        double width; // 0: no image
    };
    const Case cases[] = {
        {"kvn-icon-chat", 3},    // no custom variant: the library's image
        {"kvn-flag-DE", 7},      // the host's "-custom" variant
        {"kvn-only-custom", 9},  // a custom variant alone still answers
        {"kvn-icon-missing", 0}, // neither exists
        {"", 0},
    };
    for (const auto& c : cases) {
        const auto image = KVNImageProvider::imageNamed(c.name);
        if (c.width == 0) {
            EXPECT_FALSE(image) << c.name;
            continue;
        }
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(CGImageGetWidth(image->CGImage()), static_cast<size_t>(c.width)) << c.name;
    }
}
