#pragma once
// The base settings a session manager is made with. A request whose own time-out is 0 or less
// waits timeoutIntervalForRequest seconds without progress before it times out.
// A plain value, set before the manager is made.
#include <memory>

class HTTPSessionConfiguration {
public:
    static std::shared_ptr<HTTPSessionConfiguration> defaultSessionConfiguration();

    double timeoutIntervalForRequest() const { return m_timeoutIntervalForRequest; }
    void setTimeoutIntervalForRequest(double seconds) { m_timeoutIntervalForRequest = seconds; }

private:
    double m_timeoutIntervalForRequest = 60.0;
};
