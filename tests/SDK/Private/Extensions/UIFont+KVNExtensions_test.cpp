#include <gtest/gtest.h>

#include "Private/Extensions/UIFont+KVNExtensions.h"
#include "public/KavoniAppearance.h"

using namespace KVNExtensions;

namespace {

class FontExtensions : public ::testing::Test {
protected:
    void SetUp() override { KavoniAppearance::resetSharedAppearanceForTesting(); }
    void TearDown() override { KavoniAppearance::resetSharedAppearanceForTesting(); }

    std::shared_ptr<KavoniAppearance> theme = KavoniAppearance::sharedAppearance();
};

bool sameFace(const std::shared_ptr<UIFont>& a, const std::shared_ptr<UIFont>& b)
{
    return a && b && a->fontName() == b->fontName() && a->weight() == b->weight() && a->pointSize() == b->pointSize();
}

// The located log line of the font helpers' file, whatever the line number.
void expectLocatedLine(const std::string& output, const std::string& message)
{
    const std::string head = "\nKavoni (UIFont+KVNExtensions.cpp:";
    const std::string tail = "):\n" + message + "\n";
    ASSERT_GE(output.size(), head.size() + tail.size()) << output;
    EXPECT_EQ(output.substr(0, head.size()), head) << output;
    EXPECT_EQ(output.substr(output.size() - tail.size()), tail) << output;
    std::string line = output.substr(head.size(), output.size() - head.size() - tail.size());
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.find_first_not_of("0123456789"), std::string::npos) << line;
}

} // namespace

TEST_F(FontExtensions, WithoutNamesTheWeightedSystemFont)
{
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(sameFace(regularFontOfSize(15), UIFont::systemFontOfSize_weight(15, UIFontWeightRegular)));
    EXPECT_TRUE(sameFace(mediumFontOfSize(17), UIFont::systemFontOfSize_weight(17, UIFontWeightMedium)));
    EXPECT_TRUE(sameFace(lightFontOfSize(12), UIFont::systemFontOfSize_weight(12, UIFontWeightLight)));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(mediumFontOfSize(17)->weight(), UIFont::systemFontOfSize_weight(17, UIFontWeightMedium)->weight());
}

TEST_F(FontExtensions, InstalledNamesAreUsed)
{
    theme->setFontNameRegular("LiberationSerif");
    theme->setFontNameMedium("LiberationSans-Bold");
    theme->setFontNameLight("LiberationMono");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(regularFontOfSize(14)->fontName(), "LiberationSerif");
    EXPECT_EQ(mediumFontOfSize(14)->fontName(), "LiberationSans-Bold");
    EXPECT_EQ(lightFontOfSize(14)->fontName(), "LiberationMono");
    EXPECT_EQ(lightFontOfSize(14)->pointSize(), 14);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(FontExtensions, MissingNamesAreLoggedAndReplaced)
{
    struct Case {
        std::function<void(const std::string&)> setName;
        std::function<std::shared_ptr<UIFont>(CGFloat)> font;
        std::shared_ptr<UIFont> fallback;
        std::string message;
    };
    const Case cases[] = {
        {[this](const std::string& n) { theme->setFontNameRegular(n); }, regularFontOfSize, UIFont::systemFontOfSize(16),
         "Could not find font named: HelveticaNeue. Please verify provided fontNameRegular and check if font was added "
         "to project properly."},
        {[this](const std::string& n) { theme->setFontNameMedium(n + "-Medium"); }, mediumFontOfSize,
         UIFont::boldSystemFontOfSize(16),
         "Could not find font with name HelveticaNeue-Medium. Please verify provided fontNameMedium and check if font "
         "was added to project properly."},
        {[this](const std::string& n) { theme->setFontNameLight(n + "-Light"); }, lightFontOfSize,
         UIFont::systemFontOfSize(16),
         "Could not find font with name HelveticaNeue-Light. Please verify provided fontNameLight and check if font "
         "was added to project properly."},
    };
    for (const auto& c : cases) {
        KavoniAppearance::resetSharedAppearanceForTesting();
        c.setName("HelveticaNeue");
        ::testing::internal::CaptureStderr();
        auto font = c.font(16);
        std::string output = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(sameFace(font, c.fallback)) << c.message;
        expectLocatedLine(output, c.message);
    }
}
