#pragma once
// Raised out of the creation of the first video call handler of a process when the host's
// certificate provider asks for its own client certificate but supplies no key or no
// certificate bytes. Carries its name ("KavoniCertificateProvider ERROR") and the reason;
// what() is the reason.
#include <stdexcept>
#include <string>

class KavoniCertificateProviderException : public std::runtime_error {
public:
    explicit KavoniCertificateProviderException(const std::string& reason) : std::runtime_error(reason) {}

    std::string name() const { return "KavoniCertificateProvider ERROR"; }
    std::string reason() const { return what(); }
};
