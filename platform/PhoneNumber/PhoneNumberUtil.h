#pragma once
// Parses, checks and formats phone numbers with the phone-number metadata of the system's
// phone-number library. Stateless apart from that shared metadata: one utility may be used
// from any thread, and any number of utilities may exist.
//
//     auto util = std::make_shared<PhoneNumberUtil>();
//     std::shared_ptr<NSError> error;
//     if (auto number = util->parse_defaultRegion_error("0151 23456789", "DE", &error);
//         number && util->isValidNumber(*number))
//         use(util->format_numberFormat(*number, PhoneNumberFormat::E164)); // "+4915123456789"
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSError.h"
#include "PhoneNumber/PhoneNumber.h"
#include "PhoneNumber/PhoneNumberFormat.h"

// Domain and codes of the errors parse_defaultRegion_error reports.
extern const std::string PhoneNumberErrorDomain;
enum PhoneNumberErrorCode : long {
    PhoneNumberErrorInvalidCountryCode = 1, // no country code, and none to assume from the region
    PhoneNumberErrorNotANumber = 2,         // no phone number in the text at all (also: empty text)
    PhoneNumberErrorTooShortAfterIDD = 3,   // nothing left after an international dialling prefix
    PhoneNumberErrorTooShortNSN = 4,        // too few digits to be a number
    PhoneNumberErrorTooLong = 5,            // too many digits, or a text too long to be a number
};

class PhoneNumberUtil {
public:
    PhoneNumberUtil();

    // Reads a number typed by a person. A number without a leading "+" (or an international
    // prefix) is read as a national number of defaultRegion, a two-letter country code such as
    // "DE" (upper or lower case; empty when the region is unknown). Nothing when the text holds
    // no phone number; then *error, when asked for, says why.
    std::optional<PhoneNumber> parse_defaultRegion_error(const std::string& text, const std::string& defaultRegion,
                                                         std::shared_ptr<NSError>* error = nullptr) const;

    // Whether the number is one that its country really hands out (length and number ranges),
    // not merely a plausible run of digits.
    bool isValidNumber(const PhoneNumber& number) const;

    std::string format_numberFormat(const PhoneNumber& number, PhoneNumberFormat format) const;
};
