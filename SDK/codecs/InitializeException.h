#pragma once
// Raised when libvpx or libopus cannot set up an encoder or a decoder. It leaves the codec
// bridge and reaches the media stack, which called it. Carries its name
// ("InitializeException") and the reason; what() is the reason.
#include <stdexcept>
#include <string>

class InitializeException : public std::runtime_error {
public:
    explicit InitializeException(const std::string& reason) : std::runtime_error(reason) { }

    std::string name() const { return "InitializeException"; }
    std::string reason() const { return what(); }
};
