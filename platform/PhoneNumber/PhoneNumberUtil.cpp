#include "PhoneNumber/PhoneNumberUtil.h"

#include <algorithm>
#include <cctype>

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

namespace lib = i18n::phonenumbers;

const std::string PhoneNumberErrorDomain = "PhoneNumberErrorDomain";

struct PhoneNumber::Record {
    lib::PhoneNumber number;
};

namespace {

const lib::PhoneNumberUtil& library()
{
    // The library's instance is a process-wide singleton, safe to share between threads.
    return *lib::PhoneNumberUtil::GetInstance();
}

std::shared_ptr<NSError> parseError(long code)
{
    const char* description = "The text is not a phone number.";
    switch (code) {
    case PhoneNumberErrorInvalidCountryCode:
        description = "The phone number has no valid country code.";
        break;
    case PhoneNumberErrorNotANumber:
        description = "The text is not a phone number.";
        break;
    case PhoneNumberErrorTooShortAfterIDD:
        description = "The phone number is too short after its international prefix.";
        break;
    case PhoneNumberErrorTooShortNSN:
        description = "The phone number is too short.";
        break;
    case PhoneNumberErrorTooLong:
        description = "The phone number is too long.";
        break;
    }
    return NSError::errorWithDomain_code_userInfo(PhoneNumberErrorDomain, code,
                                                  {{NSLocalizedDescriptionKey, std::string(description)}});
}

} // namespace

PhoneNumberUtil::PhoneNumberUtil() = default;

std::optional<PhoneNumber> PhoneNumberUtil::parse_defaultRegion_error(const std::string& text,
                                                                      const std::string& defaultRegion,
                                                                      std::shared_ptr<NSError>* error) const
{
    if (error)
        *error = nullptr;
    // The library knows regions only in upper case; "ZZ" is its name for "no region".
    std::string region = defaultRegion.empty() ? std::string("ZZ") : defaultRegion;
    std::transform(region.begin(), region.end(), region.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });

    auto record = std::make_shared<PhoneNumber::Record>();
    auto result = library().Parse(text, region, &record->number);
    if (result != lib::PhoneNumberUtil::NO_PARSING_ERROR) {
        if (error)
            *error = parseError(static_cast<long>(result));
        return std::nullopt;
    }
    return PhoneNumber(std::move(record));
}

bool PhoneNumberUtil::isValidNumber(const PhoneNumber& number) const
{
    return library().IsValidNumber(number.m_record->number);
}

std::string PhoneNumberUtil::format_numberFormat(const PhoneNumber& number, PhoneNumberFormat format) const
{
    std::string out;
    switch (format) {
    case PhoneNumberFormat::E164:
        library().Format(number.m_record->number, lib::PhoneNumberUtil::E164, &out);
        break;
    }
    return out;
}
