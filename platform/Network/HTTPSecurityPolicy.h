#pragma once
// How a session checks the server of a TLS connection. The default policy evaluates the
// certificate chain against the trust store (the system's authorities plus those added through
// HTTPTrust) and checks that the certificate names the host. A permissive policy
// (allowInvalidCertificates and no domain-name validation) accepts any server: it is for
// development set-ups only. Public-key pins (HTTPTrust) apply whatever the policy.
// A session reads its policy when it makes a task; configure it on the main thread.
#include <atomic>
#include <memory>

enum HTTPSSLPinningMode : unsigned long {
    HTTPSSLPinningModeNone = 0,
};

class HTTPSecurityPolicy {
public:
    // System trust evaluation and domain-name validation.
    static std::shared_ptr<HTTPSecurityPolicy> defaultPolicy();
    // Trust evaluation and domain-name validation on; invalid certificates refused.
    static std::shared_ptr<HTTPSecurityPolicy> policyWithPinningMode(HTTPSSLPinningMode pinningMode);

    HTTPSSLPinningMode SSLPinningMode() const { return m_pinningMode; }
    bool allowInvalidCertificates() const { return m_allowInvalidCertificates; }
    void setAllowInvalidCertificates(bool allow) { m_allowInvalidCertificates = allow; }
    bool validatesDomainName() const { return m_validatesDomainName; }
    void setValidatesDomainName(bool validates) { m_validatesDomainName = validates; }

    explicit HTTPSecurityPolicy(HTTPSSLPinningMode pinningMode = HTTPSSLPinningModeNone) : m_pinningMode(pinningMode) {}

private:
    HTTPSSLPinningMode m_pinningMode;
    std::atomic<bool> m_allowInvalidCertificates{false};
    std::atomic<bool> m_validatesDomainName{true};
};
