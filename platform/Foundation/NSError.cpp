#include "Foundation/NSError.h"

#include "Foundation/NSString.h"

const std::string NSLocalizedDescriptionKey = "NSLocalizedDescription";
const std::string NSLocalizedFailureReasonErrorKey = "NSLocalizedFailureReason";
const std::string NSUnderlyingErrorKey = "NSUnderlyingError";
const std::string NSCocoaErrorDomain = "NSCocoaErrorDomain";
const std::string NSURLErrorDomain = "NSURLErrorDomain";
const std::string NSPOSIXErrorDomain = "NSPOSIXErrorDomain";

NSError::NSError(std::string domain, long code, NSDictionary userInfo)
    : m_domain(std::move(domain)), m_code(code), m_userInfo(std::move(userInfo))
{
}

std::shared_ptr<NSError> NSError::errorWithDomain_code_userInfo(std::string domain, long code, NSDictionary userInfo)
{
    return std::make_shared<NSError>(std::move(domain), code, std::move(userInfo));
}

std::string NSError::localizedDescription() const
{
    if (const auto* text = NSDictionaryValue<std::string>(m_userInfo, NSLocalizedDescriptionKey))
        return *text;
    return NSString::stringWithFormat("The operation couldn’t be completed. (%@ error %ld.)", m_domain, m_code);
}

std::shared_ptr<NSError> NSError::underlyingError() const
{
    if (const auto* error = NSDictionaryValue<std::shared_ptr<NSError>>(m_userInfo, NSUnderlyingErrorKey))
        return *error;
    return nullptr;
}

std::string NSError::description() const
{
    return NSString::stringWithFormat("Error Domain=%@ Code=%ld \"%@\"", m_domain, m_code, localizedDescription());
}
