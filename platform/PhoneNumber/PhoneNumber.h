#pragma once
// One parsed phone number, as PhoneNumberUtil hands it out and takes it back for checking and
// formatting. An immutable value: copies share the parsed record and may cross threads.
#include <memory>

class PhoneNumberUtil;

class PhoneNumber {
public:
    struct Record;

private:
    friend class PhoneNumberUtil;
    explicit PhoneNumber(std::shared_ptr<const Record> record) : m_record(std::move(record)) { }

    // Never null: only the utility makes numbers, and only from a successful parse.
    std::shared_ptr<const Record> m_record;
};
