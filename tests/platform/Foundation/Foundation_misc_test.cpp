// Errors, base64, regular expressions, key-value observation, attributed text and tasks.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Foundation/KVO.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSBase64.h"
#include "Foundation/NSError.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSRegularExpression.h"
#include "Foundation/NSURLSessionTask.h"

namespace {

TEST(NSErrorTest, DescriptionUnderlyingErrorAndDefaultText)
{
    auto cause = NSError::errorWithDomain_code_userInfo(NSURLErrorDomain, -1009);
    auto error = NSError::errorWithDomain_code_userInfo("de.kavoni.kavoni", 1009,
                                                        {{NSLocalizedDescriptionKey, std::string("Service error")},
                                                         {NSUnderlyingErrorKey, cause},
                                                         {"de.kavoni.kavoni.error.statusCode", 503L}});
    EXPECT_EQ(error->domain(), "de.kavoni.kavoni");
    EXPECT_EQ(error->code(), 1009);
    EXPECT_EQ(error->localizedDescription(), "Service error");
    EXPECT_EQ(error->underlyingError(), cause);
    EXPECT_EQ(*NSDictionaryValue<long>(error->userInfo(), "de.kavoni.kavoni.error.statusCode"), 503);
    EXPECT_EQ(cause->underlyingError(), nullptr);
    EXPECT_EQ(cause->localizedDescription(), "The operation couldn’t be completed. (NSURLErrorDomain error -1009.)");
    auto wrongType = NSError::errorWithDomain_code_userInfo("d", 1, {{NSUnderlyingErrorKey, std::string("not an error")}});
    EXPECT_EQ(wrongType->underlyingError(), nullptr);
}

TEST(NSBase64Test, RoundTripsEveryLengthWithoutLineBreaks)
{
    NSData data;
    for (int i = 0; i < 300; ++i) {
        auto encoded = NSBase64Encode(data);
        EXPECT_EQ(encoded.find('\n'), std::string::npos);
        EXPECT_EQ(encoded.size() % 4, 0u);
        auto decoded = NSBase64Decode(encoded);
        ASSERT_TRUE(decoded) << i;
        EXPECT_EQ(*decoded, data);
        data.push_back(static_cast<uint8_t>(i * 37 + 11));
    }
    EXPECT_EQ(NSBase64Encode(NSDataFromString("Man")), "TWFu");
    EXPECT_EQ(NSBase64Encode(NSDataFromString("Ma")), "TWE=");
}

TEST(NSBase64Test, RejectsMalformedText)
{
    for (const char* bad : {"TWF", "TW=u", "T===", "TWFu!", "TWFu\nTWFu", "=TWF", "TWE=TWFu"})
        EXPECT_FALSE(NSBase64Decode(bad)) << bad;
    EXPECT_EQ(NSBase64Decode(""), NSData{});
}

TEST(NSRegularExpressionTest, WholeTextMatchesLikeSelfMatches)
{
    const std::string email = "[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}";
    EXPECT_TRUE(NSRegularExpressionMatchesWhole("user@example.de", email));
    EXPECT_FALSE(NSRegularExpressionMatchesWhole("x user@example.de", email)) << "whole text, not a substring";
    EXPECT_TRUE(NSRegularExpressionFindsMatch("x user@example.de", email));
    EXPECT_TRUE(NSRegularExpressionMatchesWhole("Straße", "\\p{L}+")) << "ICU classes over Unicode";
    EXPECT_FALSE(NSRegularExpressionMatchesWhole("abc", "([a-")) << "an invalid pattern matches nothing";
    EXPECT_FALSE(NSRegularExpressionMatchesWhole(std::string(40, 'a') + "!", "(a+)+$")) << "runaway backtracking gives up";
}

TEST(KVOTest, ObserversHearOldAndNewUntilTheirTokenGoes)
{
    KVOProperty<long> newMessagesCount;
    std::vector<std::pair<long, long>> seen;
    auto token = newMessagesCount.observe([&](const long& oldValue, const long& newValue) { seen.emplace_back(oldValue, newValue); });
    newMessagesCount.set(1);
    newMessagesCount.set(3);
    newMessagesCount.set(0);
    EXPECT_EQ(seen, (std::vector<std::pair<long, long>>{{0, 1}, {1, 3}, {3, 0}}));
    EXPECT_EQ(newMessagesCount.get(), 0);

    token.reset();
    newMessagesCount.set(5);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(newMessagesCount.observerCount(), 0u);
}

TEST(KVOTest, ObservationEndedDuringAChangeIsNotToldAndTokensMayOutliveTheProperty)
{
    std::shared_ptr<KVOObservation> second;
    int firstCalls = 0, secondCalls = 0;
    auto property = std::make_unique<KVOProperty<std::string>>("a");
    auto first = property->observe([&](const std::string&, const std::string&) {
        ++firstCalls;
        second->invalidate();
    });
    second = property->observe([&](const std::string&, const std::string&) { ++secondCalls; });
    property->set("b");
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 0);

    int initial = 0;
    auto third = property->observe([&](const std::string& o, const std::string& n) { initial += o == "b" && n == "b"; }, true);
    EXPECT_EQ(initial, 1) << "initial: told once at once";
    property.reset();
    first.reset(); // the property is gone: ending the observation must be safe
    third->invalidate();
}

TEST(NSAttributedStringTest, AttributesOverRangesSplitRuns)
{
    auto style = std::make_shared<NSMutableParagraphStyle>();
    style->setTabStops({NSTextTab(NSTextAlignmentLeft, 20)});
    style->setDefaultTabInterval(20);
    style->setFirstLineHeadIndent(0);
    style->setHeadIndent(20);

    NSMutableAttributedString text("•\tone\n•\ttwo");
    text.addAttribute_value_range(NSParagraphStyleAttributeName, std::shared_ptr<NSParagraphStyle>(style), NSMakeRange(0, text.length()));
    text.addAttribute_value_range(NSFontAttributeName, std::string("bold"), NSMakeRange(4, 3));
    text.addAttribute_value_range(NSFontAttributeName, std::string("clipped"), NSMakeRange(10, 1000));

    NSRange range;
    auto attributes = text.attributesAtIndex_effectiveRange(5, &range);
    EXPECT_EQ(range, NSMakeRange(4, 3));
    ASSERT_NE(NSDictionaryValue<std::string>(attributes, NSFontAttributeName), nullptr);
    EXPECT_EQ(*NSDictionaryValue<std::string>(attributes, NSFontAttributeName), "bold");
    auto paragraph = NSDictionaryValue<std::shared_ptr<NSParagraphStyle>>(attributes, NSParagraphStyleAttributeName);
    ASSERT_NE(paragraph, nullptr);
    EXPECT_EQ((*paragraph)->headIndent(), 20);
    EXPECT_EQ((*paragraph)->tabStops(), (std::vector<NSTextTab>{NSTextTab(NSTextAlignmentLeft, 20)}));

    size_t covered = 0;
    for (const auto& run : text.runs()) {
        EXPECT_EQ(run.range.location, covered) << "runs are consecutive";
        covered = run.range.end();
    }
    EXPECT_EQ(covered, text.length());
    EXPECT_TRUE(text.attributesAtIndex_effectiveRange(999).empty());
}

TEST(NSLogTest, WritesOneStampedLineToStandardError)
{
    testing::internal::CaptureStderr();
    NSLog("Orvel: %@ %ld", std::string("link"), 2L);
    NSLog("already ends\n");
    std::string out = testing::internal::GetCapturedStderr();
    auto lines = std::count(out.begin(), out.end(), '\n');
    EXPECT_EQ(lines, 2) << out;
    EXPECT_NE(out.find("] Orvel: link 2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("] already ends\n"), std::string::npos) << out;
}

TEST(NSURLSessionTaskTest, ResponseStatusAndHeaders)
{
    NSURLSessionTask task;
    EXPECT_EQ(task.response(), nullptr);
    task.setResponse(std::make_shared<NSHTTPURLResponse>(412, std::map<std::string, std::string>{{"Content-Type", "application/json"}}));
    task.setState(NSURLSessionTaskStateCompleted);
    EXPECT_EQ(task.response()->statusCode(), 412);
    EXPECT_EQ(task.response()->valueForHTTPHeaderField("content-type"), std::optional<std::string>("application/json"));
    task.cancel();
    EXPECT_EQ(task.state(), NSURLSessionTaskStateCompleted) << "a finished task stays finished";
}

} // namespace
