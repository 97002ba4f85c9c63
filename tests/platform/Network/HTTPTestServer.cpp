#include "HTTPTestServer.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace {

std::string statusText(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 404: return "Not Found";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

std::string lowercase(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::optional<std::string> HTTPTestServer::Request::header(const std::string& name) const
{
    for (const auto& [field, value] : headers)
        if (strcasecmp(field.c_str(), name.c_str()) == 0)
            return value;
    return std::nullopt;
}

HTTPTestServer::HTTPTestServer(const TestCertificate& certificate, Handler handler) : m_handler(std::move(handler))
{
    m_context = SSL_CTX_new(TLS_server_method());
    if (!m_context || SSL_CTX_use_certificate_chain_file(m_context, certificate.certificateFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(m_context, certificate.keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("test server: cannot load " + certificate.certificateFile);
    listen();
}

HTTPTestServer::HTTPTestServer(Handler handler) : m_handler(std::move(handler)) { listen(); }

void HTTPTestServer::listen()
{
    std::signal(SIGPIPE, SIG_IGN); // a client that hangs up must not end the test
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("test server: cannot listen");
    m_port = ntohs(address.sin_port);
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0)
        throw std::runtime_error("test server: no pipe");
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

HTTPTestServer::~HTTPTestServer()
{
    m_stopping = true;
    (void)!::write(m_wakePipe[1], "x", 1);
    m_acceptThread.join();
    {
        std::lock_guard lock(m_mutex);
        for (int fd : m_openConnections)
            ::shutdown(fd, SHUT_RDWR);
    }
    m_stopped.notify_all();
    for (auto& thread : m_connectionThreads)
        thread.join();
    ::close(m_listener);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
    SSL_CTX_free(m_context);
}

std::string HTTPTestServer::baseURL() const { return (m_context ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port); }

std::vector<HTTPTestServer::Request> HTTPTestServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void HTTPTestServer::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void HTTPTestServer::acceptLoop()
{
    while (!m_stopping) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN))
            continue;
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(m_mutex);
        m_openConnections.push_back(fd);
        m_connectionThreads.emplace_back([this, fd] { serve(fd); });
    }
}

void HTTPTestServer::serve(int fd)
{
    SSL* ssl = m_context ? SSL_new(m_context) : nullptr;
    const auto receive = [&](char* buffer, int size) {
        return ssl ? SSL_read(ssl, buffer, size) : static_cast<int>(::read(fd, buffer, size));
    };
    const auto send = [&](const std::string& out) {
        if (ssl)
            SSL_write(ssl, out.data(), static_cast<int>(out.size()));
        else
            (void)!::write(fd, out.data(), out.size());
    };
    if (ssl)
        SSL_set_fd(ssl, fd);
    if (!ssl || SSL_accept(ssl) == 1) {
        std::string data;
        char buffer[16384];
        size_t headerEnd = std::string::npos;
        size_t contentLength = 0;
        bool complete = false;
        for (;;) {
            if (headerEnd == std::string::npos && (headerEnd = data.find("\r\n\r\n")) != std::string::npos) {
                const std::string head = lowercase(data.substr(0, headerEnd));
                const auto at = head.find("\r\ncontent-length:");
                if (at != std::string::npos)
                    contentLength = std::strtoul(head.c_str() + at + 17, nullptr, 10);
            }
            if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + contentLength) {
                complete = true;
                break;
            }
            const int n = receive(buffer, sizeof buffer);
            if (n <= 0)
                break;
            data.append(buffer, n);
        }
        if (complete) {
            Request request;
            const std::string head = data.substr(0, headerEnd);
            size_t lineEnd = head.find("\r\n");
            const std::string requestLine = head.substr(0, lineEnd);
            const auto space1 = requestLine.find(' ');
            const auto space2 = requestLine.find(' ', space1 + 1);
            request.method = requestLine.substr(0, space1);
            request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
            while (lineEnd != std::string::npos && lineEnd < head.size()) {
                const size_t next = head.find("\r\n", lineEnd + 2);
                const std::string line = head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
                const auto colon = line.find(':');
                if (colon != std::string::npos) {
                    const auto valueStart = line.find_first_not_of(' ', colon + 1);
                    request.headers.emplace_back(line.substr(0, colon), valueStart == std::string::npos ? "" : line.substr(valueStart));
                }
                lineEnd = next;
            }
            request.body = data.substr(headerEnd + 4, contentLength);
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(request);
            }
            const Response response = m_handler(request);
            if (response.hold) {
                std::unique_lock lock(m_mutex);
                m_stopped.wait(lock, [this] { return m_stopping.load(); });
            } else {
                std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " + statusText(response.status) + "\r\n";
                for (const auto& [name, value] : response.headers)
                    out += name + ": " + value + "\r\n";
                out += "Content-Length: " + std::to_string(response.body.size()) + "\r\nConnection: close\r\n\r\n" + response.body;
                send(out);
                if (ssl)
                    SSL_shutdown(ssl);
            }
        }
    }
    ERR_clear_error();
    SSL_free(ssl);
    std::lock_guard lock(m_mutex);
    std::erase(m_openConnections, fd);
    ::close(fd);
}
