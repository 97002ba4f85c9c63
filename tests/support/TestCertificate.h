#pragma once
// Throwaway TLS material for tests that run their own servers, made with the openssl command
// line into a folder of the test's: an authority, a server certificate it signed, and the
// public-key pin of a certificate as the HTTP client and the pinning package take it.
#include <string>

struct TestCertificate {
    std::string authorityFile; // PEM of the authority that signed it
    std::string certificateFile; // PEM of the server certificate
    std::string keyFile;
};

// A new authority and a server certificate it signed, for subjectAltName (e.g. "IP:127.0.0.1").
// Throws std::runtime_error when openssl fails.
TestCertificate makeTestCertificate(const std::string& directory, const std::string& name, const std::string& subjectAltName);

// The base64 SHA-256 of the certificate's SubjectPublicKeyInfo (44 characters).
// Throws std::runtime_error when it cannot be computed.
std::string publicKeyHashOfCertificate(const std::string& certificateFile);

// "sha256//<base64>" of the certificate's public key.
std::string publicKeyPinOfCertificate(const std::string& certificateFile);
