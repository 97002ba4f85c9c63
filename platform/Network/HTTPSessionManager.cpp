#include "Network/HTTPSessionManager.h"

#include <algorithm>
#include <atomic>

#include "Network/HTTPErrorKeys.h"
#include "Network/HTTPTransferEngine.h"
#include "Network/JSONResponseSerializer.h"
#include "Network/NSURLError.h"

namespace {

std::atomic<unsigned long> s_nextTaskIdentifier{1};

} // namespace

std::shared_ptr<HTTPSessionManager> HTTPSessionManager::managerWithSessionConfiguration(std::shared_ptr<HTTPSessionConfiguration> configuration)
{
    return std::make_shared<HTTPSessionManager>(std::move(configuration));
}

HTTPSessionManager::HTTPSessionManager(std::shared_ptr<HTTPSessionConfiguration> configuration)
    : m_configuration(configuration ? std::move(configuration) : HTTPSessionConfiguration::defaultSessionConfiguration())
    , m_requestSerializer(HTTPRequestSerializer::serializer())
    , m_responseSerializer(JSONResponseSerializer::serializer())
    , m_securityPolicy(HTTPSecurityPolicy::defaultPolicy())
{
}

std::shared_ptr<HTTPRequestSerializer> HTTPSessionManager::requestSerializer() const
{
    std::lock_guard lock(m_mutex);
    return m_requestSerializer;
}

void HTTPSessionManager::setRequestSerializer(std::shared_ptr<HTTPRequestSerializer> serializer)
{
    std::lock_guard lock(m_mutex);
    m_requestSerializer = serializer ? std::move(serializer) : HTTPRequestSerializer::serializer();
}

std::shared_ptr<HTTPResponseSerializer> HTTPSessionManager::responseSerializer() const
{
    std::lock_guard lock(m_mutex);
    return m_responseSerializer;
}

void HTTPSessionManager::setResponseSerializer(std::shared_ptr<HTTPResponseSerializer> serializer)
{
    std::lock_guard lock(m_mutex);
    m_responseSerializer = serializer ? std::move(serializer) : HTTPResponseSerializer::serializer();
}

std::shared_ptr<HTTPSecurityPolicy> HTTPSessionManager::securityPolicy() const
{
    std::lock_guard lock(m_mutex);
    return m_securityPolicy;
}

void HTTPSessionManager::setSecurityPolicy(std::shared_ptr<HTTPSecurityPolicy> policy)
{
    std::lock_guard lock(m_mutex);
    m_securityPolicy = policy ? std::move(policy) : HTTPSecurityPolicy::defaultPolicy();
}

std::shared_ptr<NSURLSessionDataTask> HTTPSessionManager::GET(const std::string& URLString, const JSONValue& parameters,
                                                              SuccessHandler success, FailureHandler failure)
{
    return startWithMethod("GET", URLString, parameters, std::move(success), std::move(failure));
}

std::shared_ptr<NSURLSessionDataTask> HTTPSessionManager::POST(const std::string& URLString, const JSONValue& parameters,
                                                               SuccessHandler success, FailureHandler failure)
{
    return startWithMethod("POST", URLString, parameters, std::move(success), std::move(failure));
}

std::shared_ptr<NSURLSessionDataTask> HTTPSessionManager::startWithMethod(const std::string& method, const std::string& URLString,
                                                                          const JSONValue& parameters, SuccessHandler success,
                                                                          FailureHandler failure)
{
    std::shared_ptr<NSError> requestError;
    auto request = requestSerializer()->requestWithMethod_URLString_parameters_error(method, URLString, parameters, requestError);
    if (!request) {
        // The task still exists and fails on the main queue like any other.
        request = NSURLRequest::requestWithURL(URLString);
        request->setHTTPMethod(method);
    }
    // The handlers reach the task weakly: the task holds them, and reports with itself alive.
    auto taskHolder = std::make_shared<std::weak_ptr<NSURLSessionDataTask>>();
    auto task = makeTask(std::move(request), std::move(requestError),
                         [taskHolder, success = std::move(success), failure = std::move(failure)](
                             const std::shared_ptr<NSHTTPURLResponse>&, const HTTPResponseObject& responseObject,
                             const std::shared_ptr<NSError>& error) {
                             const auto task = taskHolder->lock();
                             if (error) {
                                 if (failure)
                                     failure(task, error);
                             } else if (success) {
                                 success(task, responseObject);
                             }
                         });
    *taskHolder = task;
    task->resume();
    return task;
}

std::shared_ptr<NSURLSessionDataTask> HTTPSessionManager::dataTaskWithRequest_completionHandler(std::shared_ptr<NSURLRequest> request,
                                                                                                NSURLSessionDataTask::CompletionHandler completion)
{
    std::shared_ptr<NSError> requestError;
    if (!request)
        requestError = HTTPTransferEngine::errorForCurlCode(3 /* malformed URL */, "no request", "");
    return makeTask(std::move(request), std::move(requestError), std::move(completion));
}

std::shared_ptr<NSURLSessionDataTask> HTTPSessionManager::makeTask(std::shared_ptr<NSURLRequest> request, std::shared_ptr<NSError> requestError,
                                                                   NSURLSessionDataTask::CompletionHandler completion)
{
    NSURLSessionDataTask::TransferSettings settings;
    std::shared_ptr<HTTPResponseSerializer> responseSerializer;
    {
        std::lock_guard lock(m_mutex);
        settings.verifyPeer = !m_securityPolicy->allowInvalidCertificates();
        settings.verifyHost = m_securityPolicy->validatesDomainName();
        responseSerializer = m_responseSerializer;
    }
    settings.defaultTimeout = m_configuration->timeoutIntervalForRequest();
    std::shared_ptr<NSURLSessionDataTask> task(new NSURLSessionDataTask(s_nextTaskIdentifier++, std::move(request), std::move(requestError),
                                                                        settings, std::move(responseSerializer), weak_from_this(),
                                                                        std::move(completion)));
    std::lock_guard lock(m_mutex);
    m_tasks.push_back(task);
    return task;
}

void HTTPSessionManager::taskDidFinish(const NSURLSessionDataTask* task)
{
    std::lock_guard lock(m_mutex);
    m_tasks.erase(std::remove_if(m_tasks.begin(), m_tasks.end(), [task](const auto& t) { return t.get() == task; }), m_tasks.end());
}

std::vector<std::shared_ptr<NSURLSessionTask>> HTTPSessionManager::tasks() const
{
    std::lock_guard lock(m_mutex);
    return std::vector<std::shared_ptr<NSURLSessionTask>>(m_tasks.begin(), m_tasks.end());
}

std::vector<std::shared_ptr<NSURLSessionDataTask>> HTTPSessionManager::dataTasks() const
{
    std::lock_guard lock(m_mutex);
    return m_tasks;
}
