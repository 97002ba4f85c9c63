#pragma once
// The WebSocket client's test server: websocket_test_server.py run by Debian's Python as a
// child process, on 127.0.0.1, with one plain port and one TLS port per certificate. The test
// steers it with its own messages (see the script).
#include <string>
#include <sys/types.h>
#include <vector>

#include "support/TestCertificate.h"


class WebSocketTestServer {
public:
    // Throws std::runtime_error when the server does not start.
    explicit WebSocketTestServer(const std::vector<TestCertificate>& tlsCertificates);
    ~WebSocketTestServer();
    WebSocketTestServer(const WebSocketTestServer&) = delete;
    WebSocketTestServer& operator=(const WebSocketTestServer&) = delete;

    int plainPort() const { return m_plainPort; }
    int tlsPort(size_t index) const { return m_tlsPorts.at(index); }

private:
    pid_t m_pid = -1;
    int m_plainPort = 0;
    std::vector<int> m_tlsPorts;
};
