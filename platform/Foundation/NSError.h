#pragma once
// An immutable error: a domain, a code and user info (the description text under
// NSLocalizedDescriptionKey, the cause under NSUnderlyingErrorKey). Shared freely between threads.
#include <memory>
#include <string>

#include "Foundation/NSDictionary.h"

extern const std::string NSLocalizedDescriptionKey;
extern const std::string NSLocalizedFailureReasonErrorKey;
extern const std::string NSUnderlyingErrorKey;
extern const std::string NSCocoaErrorDomain;
extern const std::string NSURLErrorDomain;
extern const std::string NSPOSIXErrorDomain;

class NSError {
public:
    static std::shared_ptr<NSError> errorWithDomain_code_userInfo(std::string domain, long code, NSDictionary userInfo = {});

    NSError(std::string domain, long code, NSDictionary userInfo);

    const std::string& domain() const { return m_domain; }
    long code() const { return m_code; }
    const NSDictionary& userInfo() const { return m_userInfo; }
    // The text under NSLocalizedDescriptionKey, else
    // "The operation couldn’t be completed. (<domain> error <code>.)".
    std::string localizedDescription() const;
    std::shared_ptr<NSError> underlyingError() const;
    // What %@ prints: "Error Domain=<domain> Code=<code> \"<description>\"".
    std::string description() const;

private:
    const std::string m_domain;
    const long m_code;
    const NSDictionary m_userInfo;
};
