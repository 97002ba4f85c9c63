#include "Network/HTTPSecurityPolicy.h"

std::shared_ptr<HTTPSecurityPolicy> HTTPSecurityPolicy::defaultPolicy() { return std::make_shared<HTTPSecurityPolicy>(HTTPSSLPinningModeNone); }

std::shared_ptr<HTTPSecurityPolicy> HTTPSecurityPolicy::policyWithPinningMode(HTTPSSLPinningMode pinningMode)
{
    return std::make_shared<HTTPSecurityPolicy>(pinningMode);
}
