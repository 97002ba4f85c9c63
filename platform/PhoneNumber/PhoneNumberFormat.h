#pragma once
// The text forms a PhoneNumber can be written in. Only the international dialling form is in
// use (the phone check stores numbers as "+<country code><number>").
enum class PhoneNumberFormat {
    E164,
};
