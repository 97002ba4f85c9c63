#include "PhoneNumber/PhoneNumberUtil.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* why;
    std::string text;
    std::string region;
    std::optional<std::string> e164; // nullopt: the parse fails
    bool valid = false;
    long errorCode = 0;

    friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.why; }
};

class PhoneNumberUtilTest : public ::testing::TestWithParam<ParseCase> {
protected:
    std::shared_ptr<PhoneNumberUtil> util = std::make_shared<PhoneNumberUtil>();
};

TEST_P(PhoneNumberUtilTest, ParsesChecksAndFormats)
{
    const auto& c = GetParam();
    auto error = NSError::errorWithDomain_code_userInfo("stale", 99); // must be cleared or replaced
    auto number = util->parse_defaultRegion_error(c.text, c.region, &error);
    if (!c.e164) {
        ASSERT_FALSE(number) << c.why;
        ASSERT_TRUE(error) << c.why;
        EXPECT_EQ(error->domain(), PhoneNumberErrorDomain) << c.why;
        EXPECT_EQ(error->code(), c.errorCode) << c.why;
        EXPECT_NE(error->localizedDescription().find("phone number"), std::string::npos) << c.why;
        return;
    }
    ASSERT_TRUE(number) << c.why;
    EXPECT_FALSE(error) << c.why;
    EXPECT_EQ(util->isValidNumber(*number), c.valid) << c.why;
    EXPECT_EQ(util->format_numberFormat(*number, PhoneNumberFormat::E164), *c.e164) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, PhoneNumberUtilTest,
    ::testing::Values(
        ParseCase{"German mobile in national form: the zero goes, 49 comes", "0151 23456789", "DE", "+4915123456789", true},
        ParseCase{"the same typed with separators", "(0151) 234-567 89", "DE", "+4915123456789", true},
        ParseCase{"E.164 input stays as it is", "+4915123456789", "DE", "+4915123456789", true},
        ParseCase{"E.164 input needs no region", "+4915123456789", "", "+4915123456789", true},
        ParseCase{"a country code overrides the region", "+4915123456789", "US", "+4915123456789", true},
        ParseCase{"the region's case does not matter", "0151 23456789", "de", "+4915123456789", true},
        ParseCase{"international prefix 00 from Germany", "0049 151 23456789", "DE", "+4915123456789", true},
        ParseCase{"US number in national form", "(201) 555-0123", "US", "+12015550123", true},
        ParseCase{"Swiss mobile in national form", "078 123 45 67", "CH", "+41781234567", true},
        ParseCase{"a German number read as American parses but is not valid", "0151 23456789", "US",
                  "+1015123456789", false},
        ParseCase{"too few digits for a German mobile: parses, not valid", "0151 234", "DE", "+49151234", false},
        ParseCase{"national form without a region has no country", "0151 23456789", "", std::nullopt, false,
                  PhoneNumberErrorInvalidCountryCode},
        ParseCase{"an unknown region has no country either", "0151 23456789", "XX", std::nullopt, false,
                  PhoneNumberErrorInvalidCountryCode},
        ParseCase{"letters only", "hello", "DE", std::nullopt, false, PhoneNumberErrorNotANumber},
        ParseCase{"empty text", "", "DE", std::nullopt, false, PhoneNumberErrorNotANumber},
        ParseCase{"blanks only", "   ", "DE", std::nullopt, false, PhoneNumberErrorNotANumber},
        ParseCase{"bytes that are not UTF-8", "\xff\xfe\x80", "DE", std::nullopt, false, PhoneNumberErrorNotANumber},
        ParseCase{"a single digit", "1", "DE", std::nullopt, false, PhoneNumberErrorNotANumber},
        ParseCase{"far too many digits", std::string(300, '5'), "DE", std::nullopt, false, PhoneNumberErrorTooLong}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(PhoneNumberUtil, ParseWithoutErrorOutputStillFailsCleanly)
{
    PhoneNumberUtil util;
    EXPECT_FALSE(util.parse_defaultRegion_error("not a number", "DE"));
    EXPECT_TRUE(util.parse_defaultRegion_error("+4915123456789", "DE"));
}

} // namespace
