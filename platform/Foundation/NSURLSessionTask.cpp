#include "Foundation/NSURLSessionTask.h"

#include <strings.h>

std::optional<std::string> NSHTTPURLResponse::valueForHTTPHeaderField(const std::string& field) const
{
    for (const auto& [name, value] : m_headers)
        if (strcasecmp(name.c_str(), field.c_str()) == 0)
            return value;
    return std::nullopt;
}

std::shared_ptr<NSHTTPURLResponse> NSURLSessionTask::response() const
{
    std::lock_guard lock(m_mutex);
    return m_response;
}

void NSURLSessionTask::setResponse(std::shared_ptr<NSHTTPURLResponse> response)
{
    std::lock_guard lock(m_mutex);
    m_response = std::move(response);
}

NSURLSessionTaskState NSURLSessionTask::state() const
{
    std::lock_guard lock(m_mutex);
    return m_state;
}

void NSURLSessionTask::setState(NSURLSessionTaskState state)
{
    std::lock_guard lock(m_mutex);
    m_state = state;
}

std::shared_ptr<NSError> NSURLSessionTask::error() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

void NSURLSessionTask::setError(std::shared_ptr<NSError> error)
{
    std::lock_guard lock(m_mutex);
    m_error = std::move(error);
}

unsigned long NSURLSessionTask::taskIdentifier() const
{
    std::lock_guard lock(m_mutex);
    return m_taskIdentifier;
}

void NSURLSessionTask::setTaskIdentifier(unsigned long identifier)
{
    std::lock_guard lock(m_mutex);
    m_taskIdentifier = identifier;
}

std::shared_ptr<NSURLRequest> NSURLSessionTask::currentRequest() const
{
    std::lock_guard lock(m_mutex);
    return m_currentRequest;
}

void NSURLSessionTask::setCurrentRequest(std::shared_ptr<NSURLRequest> request)
{
    std::lock_guard lock(m_mutex);
    m_currentRequest = std::move(request);
}

void NSURLSessionTask::resume()
{
    std::lock_guard lock(m_mutex);
    if (m_state == NSURLSessionTaskStateSuspended)
        m_state = NSURLSessionTaskStateRunning;
}

void NSURLSessionTask::cancel()
{
    std::lock_guard lock(m_mutex);
    if (m_state != NSURLSessionTaskStateCompleted)
        m_state = NSURLSessionTaskStateCanceling;
}
