#pragma once
// Why a media request failed: a name ("NotAllowedError" when the user has not allowed the
// camera or the microphone, "NotFoundError" when the device is absent, "TypeError" for a
// request that asks for nothing or for an impossible size or rate) and a reason for people.
// what() is the reason.
#include <stdexcept>
#include <string>

namespace media {

class UserMediaException : public std::runtime_error {
public:
    UserMediaException(std::string name, const std::string& reason) : std::runtime_error(reason), m_name(std::move(name)) {}

    const std::string& name() const { return m_name; }
    std::string reason() const { return what(); }

private:
    std::string m_name;
};

} // namespace media
