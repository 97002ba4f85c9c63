#include "models/KVNApprovalPhrase.h"

#include <memory>

#include <gtest/gtest.h>

#include "models/KVNApprovalLink.h"

namespace {

TEST(KVNApprovalPhraseTest, StartsWithoutLinks)
{
    KVNApprovalPhrase phrase;
    EXPECT_TRUE(phrase.urls().empty());
    EXPECT_FALSE(phrase.text());
}

TEST(KVNApprovalPhraseTest, LabelsReplaceTheirPlaceholdersAndLinksKeepTheirOrder)
{
    KVNApprovalPhrase phrase;
    phrase.setName(std::string("terms"));
    phrase.setText(std::string("I accept the $(terms) and the $(privacy); see $(terms) again. $(other) stays."));
    phrase.addLink_name_linkId(std::string("https://api.example/terms"), std::string("terms of use"), std::string("terms"));
    phrase.addLink_name_linkId(std::string("https://api.example/privacy"), std::string("privacy policy"), std::string("privacy"));

    EXPECT_EQ(phrase.text(), "I accept the terms of use and the privacy policy; see terms of use again. $(other) stays.");
    ASSERT_EQ(phrase.urls().size(), 2u);
    EXPECT_EQ(phrase.urls()[0]->linkID(), "terms");
    EXPECT_EQ(phrase.urls()[0]->linkLabel(), "terms of use");
    EXPECT_EQ(phrase.urls()[0]->link(), "https://api.example/terms");
    EXPECT_EQ(phrase.urls()[1]->linkID(), "privacy");
    EXPECT_EQ(phrase.urls()[1]->link(), "https://api.example/privacy");
}

TEST(KVNApprovalPhraseTest, MissingPartsNeverThrow)
{
    KVNApprovalPhrase withoutText;
    withoutText.addLink_name_linkId(std::string("https://a"), std::string("label"), std::string("id"));
    EXPECT_FALSE(withoutText.text());
    EXPECT_EQ(withoutText.urls().size(), 1u);

    KVNApprovalPhrase phrase;
    phrase.setText(std::string("a $(x) b $(y)"));
    phrase.addLink_name_linkId(std::nullopt, std::nullopt, std::string("x"));
    phrase.addLink_name_linkId(std::string("https://y"), std::string("Y"), std::nullopt);
    EXPECT_EQ(phrase.text(), "a  b $(y)");
    ASSERT_EQ(phrase.urls().size(), 2u);
    EXPECT_FALSE(phrase.urls()[0]->link());
    EXPECT_FALSE(phrase.urls()[1]->linkID());
}

} // namespace
