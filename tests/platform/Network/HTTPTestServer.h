#pragma once
// A minimal HTTPS server for the HTTP client's tests (or, made without a certificate, a
// clear-text one, to see what reaches it): it listens on 127.0.0.1 on a free port, answers
// each request (HTTP/1.1, one per connection) with what the test's handler returns, and
// records every request it read. A handler may hold its answer back (for cancel and time-out
// cases) until the server stops. Its own threads; handler and record are safe from any thread.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <openssl/types.h>

#include "support/TestCertificate.h"


class HTTPTestServer {
public:
    struct Request {
        std::string method;
        std::string target; // path and query, as sent
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        std::optional<std::string> header(const std::string& name) const;
    };
    struct Response {
        int status = 200;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        bool hold = false; // never answer; the connection stays open until the server stops
    };
    using Handler = std::function<Response(const Request&)>;

    HTTPTestServer(const TestCertificate& certificate, Handler handler);
    explicit HTTPTestServer(Handler handler); // clear text
    ~HTTPTestServer();
    HTTPTestServer(const HTTPTestServer&) = delete;
    HTTPTestServer& operator=(const HTTPTestServer&) = delete;

    int port() const { return m_port; }
    // "https://127.0.0.1:<port>" ("http://" in clear text)
    std::string baseURL() const;
    std::vector<Request> requests() const;
    void clearRequests();

private:
    void listen();
    void acceptLoop();
    void serve(int fd);

    SSL_CTX* m_context = nullptr; // null in clear text
    Handler m_handler;
    int m_listener = -1;
    int m_port = 0;
    int m_wakePipe[2] = {-1, -1};
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    std::vector<Request> m_requests;
    std::vector<int> m_openConnections;
    std::vector<std::thread> m_connectionThreads;
    std::thread m_acceptThread;
};
