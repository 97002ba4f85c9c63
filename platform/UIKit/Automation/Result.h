#pragma once
// What an automation step did: done, or refused or failed with a message that says why in
// words a test failure can show as it is. A value; any thread.
#include <string>

namespace Automation {

class Result {
public:
    static Result success(std::string message = {}) { return Result(true, std::move(message)); }
    static Result failure(std::string message) { return Result(false, std::move(message)); }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const std::string& message() const { return m_message; }

private:
    Result(bool ok, std::string message) : m_ok(ok), m_message(std::move(message)) {}

    bool m_ok;
    std::string m_message;
};

} // namespace Automation
