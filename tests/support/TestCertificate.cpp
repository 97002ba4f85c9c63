#include "support/TestCertificate.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

void run(const std::string& command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("command failed: " + command);
}

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 256> buffer;
        while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
            text.append(buffer.data(), n);
        if (::pclose(pipe) != 0)
            throw std::runtime_error("command failed: " + command);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

} // namespace

TestCertificate makeTestCertificate(const std::string& directory, const std::string& name, const std::string& subjectAltName)
{
    namespace fs = std::filesystem;
    fs::create_directories(directory);
    const std::string base = (fs::path(directory) / name).string();
    TestCertificate certificate{base + "-ca.pem", base + ".pem", base + ".key"};
    const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    run("openssl req -x509 " + key + " -keyout '" + base + "-ca.key' -out '" + certificate.authorityFile + "' -days 2 -subj '/CN=" + name +
        " test authority' -addext 'basicConstraints=critical,CA:TRUE' -addext 'keyUsage=critical,keyCertSign,cRLSign'");
    run("openssl req " + key + " -keyout '" + certificate.keyFile + "' -out '" + base + ".csr' -subj '/CN=" + name + " server'");
    std::ofstream(base + ".ext") << "subjectAltName=" << subjectAltName << "\nbasicConstraints=CA:FALSE\n"
                                 << "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n";
    run("openssl x509 -req -in '" + base + ".csr' -CA '" + certificate.authorityFile + "' -CAkey '" + base + "-ca.key' -CAcreateserial -out '" +
        certificate.certificateFile + "' -days 2 -extfile '" + base + ".ext'");
    return certificate;
}

std::string publicKeyHashOfCertificate(const std::string& certificateFile)
{
    const std::string hash = output("openssl x509 -in '" + certificateFile +
                                    "' -pubkey -noout | openssl pkey -pubin -outform der | openssl dgst -sha256 -binary | openssl base64 -A");
    if (hash.size() != 44)
        throw std::runtime_error("cannot compute the key hash of " + certificateFile);
    return hash;
}

std::string publicKeyPinOfCertificate(const std::string& certificateFile)
{
    return "sha256//" + publicKeyHashOfCertificate(certificateFile);
}
