// The HTTP client against a local HTTPS server: requests as sent, answers and failures as
// reported, cancellation, TLS trust and policy, transfer errors. Every handler must run on the
// main thread, later than the call that started the task.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <zlib.h>

#include "HTTPTestServer.h"
#include "Foundation/NSDictionary.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/HTTPSessionManager.h"
#include "Network/HTTPTransferEngine.h"
#include "Network/HTTPTrust.h"
#include "Network/JSONRequestSerializer.h"
#include "Network/JSONResponseSerializer.h"
#include "Network/NSURLError.h"
#include "support/ManualClockFixture.h"

extern char** environ;

namespace {

using json = JSONValue;

const std::string kErrorBody = R"({"errors":[{"id":"e-1","cause":"SOME_CAUSE"}]})";

// `length` zero bytes in gzip: a few kilobytes on the wire for megabytes unpacked.
std::string gzippedZeros(size_t length)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib: no deflate");
    std::string zeros(64 * 1024, '\0');
    std::string compressed;
    char buffer[64 * 1024];
    size_t left = length;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        const size_t chunk = std::min(left, zeros.size());
        left -= chunk;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = reinterpret_cast<Bytef*>(zeros.data());
        stream.avail_in = static_cast<uInt>(chunk);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            compressed.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return compressed;
}

// Answers by path: /json, /text (not JSON), /raw, /empty, /status/<code> (the service's
// error body), /hold (no answer), /zeros/<length> and /zeros/gzip/<length> (that many zero
// bytes, plain or compressed), /to/<status>/<URL> (a redirect there), /loop (a redirect to
// itself).
HTTPTestServer::Response route(const HTTPTestServer::Request& request)
{
    const std::string path = request.target.substr(0, request.target.find('?'));
    HTTPTestServer::Response response;
    response.headers = {{"Content-Type", "application/json"}, {"X-Test", "yes"}};
    if (path == "/json") {
        response.body = R"({"ok":true})";
    } else if (path == "/text") {
        response.body = "<html>busy</html>";
    } else if (path == "/raw") {
        response.body = std::string("\x00\x01raw", 5);
    } else if (path == "/empty") {
        response.status = 204;
    } else if (path.rfind("/status/", 0) == 0) {
        response.status = std::stoi(path.substr(8));
        response.body = kErrorBody;
    } else if (path == "/hold") {
        response.hold = true;
    } else if (path.rfind("/zeros/gzip/", 0) == 0) {
        response.headers = {{"Content-Type", "application/octet-stream"}, {"Content-Encoding", "gzip"}};
        response.body = gzippedZeros(std::stoul(path.substr(12)));
    } else if (path.rfind("/zeros/", 0) == 0) {
        response.headers = {{"Content-Type", "application/octet-stream"}};
        response.body.assign(std::stoul(path.substr(7)), '\0');
    } else if (path.rfind("/to/", 0) == 0) {
        const auto slash = request.target.find('/', 4);
        response.status = std::stoi(request.target.substr(4, slash - 4));
        response.headers = {{"Location", request.target.substr(slash + 1)}};
    } else if (path == "/loop") {
        response.status = 302;
        response.headers = {{"Location", "/loop"}};
    } else {
        response.body = "{}";
    }
    return response;
}

// What the handlers of one task saw.
struct Outcome {
    int calls = 0;
    bool onMainThread = true;
    std::shared_ptr<NSURLSessionDataTask> task;
    std::shared_ptr<NSHTTPURLResponse> response;
    HTTPResponseObject object;
    std::shared_ptr<NSError> error;

    HTTPSessionManager::SuccessHandler success()
    {
        return [this](const std::shared_ptr<NSURLSessionDataTask>& t, const HTTPResponseObject& o) {
            note(t);
            object = o;
        };
    }
    HTTPSessionManager::FailureHandler failure()
    {
        return [this](const std::shared_ptr<NSURLSessionDataTask>& t, const std::shared_ptr<NSError>& e) {
            note(t);
            error = e;
        };
    }
    NSURLSessionDataTask::CompletionHandler completion()
    {
        return [this](const std::shared_ptr<NSHTTPURLResponse>& r, const HTTPResponseObject& o, const std::shared_ptr<NSError>& e) {
            note(nullptr);
            response = r;
            object = o;
            error = e;
        };
    }

private:
    void note(const std::shared_ptr<NSURLSessionDataTask>& t)
    {
        ++calls;
        onMainThread = onMainThread && NSRunLoop::isMainThread();
        task = t;
    }
};

std::shared_ptr<HTTPSecurityPolicy> permissivePolicy()
{
    auto policy = HTTPSecurityPolicy::policyWithPinningMode(HTTPSSLPinningModeNone);
    policy->setAllowInvalidCertificates(true);
    policy->setValidatesDomainName(false);
    return policy;
}

class HTTPSessionManagerTest : public ManualClockFixture {
protected:
    static void SetUpTestSuite()
    {
        s_directory = std::filesystem::temp_directory_path() / ("kvn-http-test-" + std::to_string(::getpid()));
        s_trusted = makeTestCertificate(s_directory.string(), "trusted", "IP:127.0.0.1,DNS:localhost");
        s_untrusted = makeTestCertificate(s_directory.string(), "untrusted", "DNS:wrong.example");
        s_late = makeTestCertificate(s_directory.string(), "late", "IP:127.0.0.1");
        s_otherHost = makeTestCertificate(s_directory.string(), "otherhost", "DNS:other.example");
        if (!HTTPTrust::addTrustedCertificateAuthorityFile(s_trusted.authorityFile) ||
            !HTTPTrust::addTrustedCertificateAuthorityFile(s_otherHost.authorityFile))
            throw std::runtime_error("cannot trust the test authorities");
        s_server = new HTTPTestServer(s_trusted, route);
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
        std::filesystem::remove_all(s_directory);
    }
    void SetUp() override
    {
        ManualClockFixture::SetUp();
        s_server->clearRequests();
    }

    static std::string url(const std::string& path) { return s_server->baseURL() + path; }

    // Turns the main run loop until the task reported, then a little more to catch a second report.
    void waitFor(const Outcome& outcome)
    {
        ASSERT_TRUE(loop->spin_until([&] { return outcome.calls > 0; }, 30.0)) << "no report";
        loop->pump();
        EXPECT_EQ(outcome.calls, 1) << "a task reports exactly once";
        EXPECT_TRUE(outcome.onMainThread) << "handlers run on the main thread";
    }

    static inline std::filesystem::path s_directory;
    static inline TestCertificate s_trusted, s_untrusted, s_late, s_otherHost;
    static inline HTTPTestServer* s_server = nullptr;
};

struct SendCase {
    const char* why;
    bool jsonBody;
    std::string method;
    json parameters;
    std::string expectedTarget;
    std::string expectedBody;
    std::optional<std::string> expectedContentType;
};

TEST_F(HTTPSessionManagerTest, RequestsReachTheServerAsTheSerializerMadeThem)
{
    const std::vector<SendCase> cases = {
        {"GET with form query", false, "GET", json{{"shortName", "a b"}, {"x", 1}}, "/json?shortName=a%20b&x=1", "", std::nullopt},
        {"GET without parameters", true, "GET", nullptr, "/json", "", std::nullopt},
        {"POST JSON body, in the order it was built", true, "POST", json{{"token", "t-1"}, {"clientInfo", {{"os", "linux"}}}}, "/json",
         R"({"token":"t-1","clientInfo":{"os":"linux"}})", "application/json"},
        {"POST JSON {}", true, "POST", json::object(), "/json", "{}", "application/json"},
        {"POST without parameters: no body, no type", true, "POST", nullptr, "/json", "", std::nullopt},
        {"POST form body", false, "POST", json{{"email", "a@b.example"}}, "/json", "email=a%40b.example", "application/x-www-form-urlencoded"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        s_server->clearRequests();
        auto manager = HTTPSessionManager::managerWithSessionConfiguration(HTTPSessionConfiguration::defaultSessionConfiguration());
        if (c.jsonBody)
            manager->setRequestSerializer(JSONRequestSerializer::serializer());
        manager->requestSerializer()->setValue_forHTTPHeaderField("s3cret", "X-Client-Secret");
        manager->requestSerializer()->setValue_forHTTPHeaderField("de-DE", "Accept-Language");
        manager->requestSerializer()->setValue_forHTTPHeaderField(std::nullopt, "accept-language");

        Outcome outcome;
        const auto task = c.method == "GET" ? manager->GET(url("/json"), c.parameters, outcome.success(), outcome.failure())
                                            : manager->POST(url("/json"), c.parameters, outcome.success(), outcome.failure());
        EXPECT_EQ(outcome.calls, 0) << "reports come later, never from inside the call";
        waitFor(outcome);
        ASSERT_EQ(outcome.error, nullptr) << outcome.error->description();
        ASSERT_TRUE(outcome.object.json());
        EXPECT_EQ(*outcome.object.json(), json({{"ok", true}}));
        EXPECT_EQ(outcome.task, task);
        EXPECT_EQ(task->state(), NSURLSessionTaskStateCompleted);
        EXPECT_EQ(task->response()->statusCode(), 200);

        const auto requests = s_server->requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, c.method);
        EXPECT_EQ(requests[0].target, c.expectedTarget);
        EXPECT_EQ(requests[0].body, c.expectedBody);
        EXPECT_EQ(requests[0].header("Content-Type"), c.expectedContentType);
        EXPECT_EQ(requests[0].header("X-Client-Secret"), "s3cret");
        EXPECT_EQ(requests[0].header("Accept-Language"), std::nullopt) << "a removed field is not sent";
        EXPECT_EQ(requests[0].header("Expect"), std::nullopt);
        EXPECT_TRUE(manager->tasks().empty());
    }
}

TEST_F(HTTPSessionManagerTest, AnswerOutside2xxGoesToFailureWithStatusHeadersAndBody)
{
    // libcurl counts any complete answer as a success; the client must not.
    for (const bool jsonAnswer : {true, false}) {
        for (const int status : {404, 410, 429, 500, 503}) {
            SCOPED_TRACE(std::to_string(status) + (jsonAnswer ? " JSON" : " raw"));
            auto manager = HTTPSessionManager::managerWithSessionConfiguration();
            manager->setRequestSerializer(JSONRequestSerializer::serializer());
            if (!jsonAnswer)
                manager->setResponseSerializer(HTTPResponseSerializer::serializer());
            Outcome outcome;
            const auto task = manager->POST(url("/status/" + std::to_string(status)), json::object(), outcome.success(), outcome.failure());
            waitFor(outcome);
            ASSERT_TRUE(outcome.error) << "a failure, never a success";
            EXPECT_EQ(outcome.error->domain(), NSURLErrorDomain);
            EXPECT_EQ(outcome.error->code(), NSURLErrorBadServerResponse);
            EXPECT_EQ(task->error(), outcome.error);
            ASSERT_TRUE(task->response());
            EXPECT_EQ(task->response()->statusCode(), status);
            EXPECT_EQ(task->response()->valueForHTTPHeaderField("x-test"), "yes");
            const NSData* body = NSDictionaryValue<NSData>(outcome.error->userInfo(), HTTPFailingResponseDataErrorKey);
            ASSERT_TRUE(body);
            EXPECT_EQ(NSStringFromData(*body), kErrorBody);
            EXPECT_EQ(task->state(), NSURLSessionTaskStateCompleted);
        }
    }
}

TEST_F(HTTPSessionManagerTest, BodyThatIsNotJSONFailsOnlyWhereJSONIsExpected)
{
    auto manager = HTTPSessionManager::managerWithSessionConfiguration();
    Outcome parsed;
    manager->GET(url("/text"), nullptr, parsed.success(), parsed.failure());
    waitFor(parsed);
    ASSERT_TRUE(parsed.error);
    EXPECT_EQ(parsed.error->domain(), NSCocoaErrorDomain);
    EXPECT_EQ(parsed.error->code(), NSPropertyListReadCorruptError);
    ASSERT_TRUE(NSDictionaryValue<NSData>(parsed.error->userInfo(), HTTPFailingResponseDataErrorKey));

    manager->setResponseSerializer(HTTPResponseSerializer::serializer());
    Outcome raw;
    manager->GET(url("/text"), nullptr, raw.success(), raw.failure());
    waitFor(raw);
    ASSERT_EQ(raw.error, nullptr);
    ASSERT_TRUE(raw.object.data());
    EXPECT_EQ(NSStringFromData(*raw.object.data()), "<html>busy</html>");

    manager->setResponseSerializer(JSONResponseSerializer::serializer());
    Outcome empty;
    manager->GET(url("/empty"), nullptr, empty.success(), empty.failure());
    waitFor(empty);
    EXPECT_EQ(empty.error, nullptr) << "an empty answer is no JSON error";
    EXPECT_TRUE(empty.object.isNone());
}

TEST_F(HTTPSessionManagerTest, AnswerBodyIsLimitedByItsDecodedLength)
{
    const size_t limit = HTTPTransferEngine::maximumBodyLength;
    struct Case {
        const char* why;
        std::string path;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"compressed, unpacking to the limit", "/zeros/gzip/" + std::to_string(limit), true},
        {"compressed, unpacking one byte beyond", "/zeros/gzip/" + std::to_string(limit + 1), false},
        {"plain, one byte beyond", "/zeros/" + std::to_string(limit + 1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto manager = HTTPSessionManager::managerWithSessionConfiguration();
        manager->setResponseSerializer(HTTPResponseSerializer::serializer());
        Outcome outcome;
        const auto task = manager->GET(url(c.path), nullptr, outcome.success(), outcome.failure());
        waitFor(outcome);
        if (c.accepted) {
            ASSERT_EQ(outcome.error, nullptr) << outcome.error->description();
            ASSERT_TRUE(outcome.object.data());
            EXPECT_EQ(outcome.object.data()->size(), limit);
            continue;
        }
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->domain(), NSURLErrorDomain);
        EXPECT_EQ(outcome.error->code(), NSURLErrorDataLengthExceedsMaximum) << outcome.error->description();
        EXPECT_EQ(task->response(), nullptr) << "a cut-off answer is no answer";
    }
}

TEST_F(HTTPSessionManagerTest, CancelReportsCancelledLaterOnTheMainThreadAndKeepsCanceling)
{
    auto manager = HTTPSessionManager::managerWithSessionConfiguration();
    Outcome outcome;
    const auto task = manager->GET(url("/hold"), nullptr, outcome.success(), outcome.failure());
    ASSERT_TRUE(loop->spin_until([&] { return s_server->requests().size() == 1; }, 30.0)) << "the request never arrived";
    EXPECT_EQ(task->state(), NSURLSessionTaskStateRunning);
    ASSERT_EQ(manager->tasks().size(), 1u);
    EXPECT_EQ(manager->tasks()[0], task);

    task->cancel();
    EXPECT_EQ(task->state(), NSURLSessionTaskStateCanceling);
    EXPECT_EQ(outcome.calls, 0) << "the cancel is reported later, on the main queue";
    waitFor(outcome);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain(), NSURLErrorDomain);
    EXPECT_EQ(outcome.error->code(), NSURLErrorCancelled);
    EXPECT_EQ(task->error()->code(), NSURLErrorCancelled);
    EXPECT_EQ(task->state(), NSURLSessionTaskStateCanceling);
    EXPECT_TRUE(manager->tasks().empty());

    task->cancel();
    loop->pump();
    EXPECT_EQ(outcome.calls, 1) << "a second cancel reports nothing";
}

TEST_F(HTTPSessionManagerTest, CancelOfASuspendedTaskReportsWithoutSendingAndCancelAfterTheEndChangesNothing)
{
    auto manager = HTTPSessionManager::managerWithSessionConfiguration();
    Outcome suspended;
    const auto never = manager->dataTaskWithRequest_completionHandler(NSURLRequest::requestWithURL(url("/json")), suspended.completion());
    never->cancel();
    never->resume(); // too late: it was cancelled
    waitFor(suspended);
    ASSERT_TRUE(suspended.error);
    EXPECT_EQ(suspended.error->code(), NSURLErrorCancelled);
    EXPECT_EQ(never->state(), NSURLSessionTaskStateCanceling);

    Outcome finished;
    const auto done = manager->GET(url("/json"), nullptr, finished.success(), finished.failure());
    waitFor(finished);
    done->cancel();
    loop->pump();
    EXPECT_EQ(finished.calls, 1);
    EXPECT_EQ(done->state(), NSURLSessionTaskStateCompleted);
    EXPECT_EQ(done->error(), nullptr);
    EXPECT_EQ(s_server->requests().size(), 1u) << "the cancelled task sent nothing";
}

TEST_F(HTTPSessionManagerTest, DataTaskSendsThePreparedRequestAsItStandsOnceResumed)
{
    auto manager = HTTPSessionManager::managerWithSessionConfiguration();
    manager->requestSerializer()->setValue_forHTTPHeaderField("de.kavoni.ios-1.0", "X-CLIENT-VERSION");
    manager->setResponseSerializer(HTTPResponseSerializer::serializer());

    const std::string base64Body = "AAEC/w==";
    auto request = NSURLRequest::requestWithURL(url("/raw"));
    request->setHTTPMethod("POST");
    request->setValue_forHTTPHeaderField("application/octet-stream", "Content-Type");
    request->setValue_forHTTPHeaderField("s3cret", "X-Client-Secret");
    request->setHTTPBody(NSDataFromString(base64Body));

    Outcome outcome;
    const auto task = manager->dataTaskWithRequest_completionHandler(request, outcome.completion());
    EXPECT_EQ(task->state(), NSURLSessionTaskStateSuspended);
    EXPECT_EQ(task->currentRequest(), request);
    ASSERT_EQ(manager->dataTasks().size(), 1u);
    loop->pump();
    EXPECT_TRUE(s_server->requests().empty()) << "nothing is sent before resume()";

    task->resume();
    waitFor(outcome);
    ASSERT_EQ(outcome.error, nullptr);
    ASSERT_TRUE(outcome.response);
    EXPECT_EQ(outcome.response->statusCode(), 200);
    ASSERT_TRUE(outcome.object.data());
    EXPECT_EQ(*outcome.object.data(), NSData({0x00, 0x01, 'r', 'a', 'w'}));
    const auto requests = s_server->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, base64Body);
    EXPECT_EQ(requests[0].header("Content-Type"), "application/octet-stream");
    EXPECT_EQ(requests[0].header("X-Client-Secret"), "s3cret");
    EXPECT_EQ(requests[0].header("X-CLIENT-VERSION"), std::nullopt) << "a prepared request bypasses the serializer";

    // An upload answered with an error status is a failure.
    request->setURL(url("/status/500"));
    Outcome refused;
    manager->dataTaskWithRequest_completionHandler(request, refused.completion())->resume();
    waitFor(refused);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code(), NSURLErrorBadServerResponse);
    ASSERT_TRUE(refused.response);
    EXPECT_EQ(refused.response->statusCode(), 500);
}

TEST_F(HTTPSessionManagerTest, RedirectsStayOnHTTPSAndTheRequestsFieldsStayWithItsHost)
{
    HTTPTestServer clearText(route);
    HTTPTestServer otherPort(s_trusted, route);
    const std::string here = s_server->baseURL();
    const std::string byName = "https://localhost:" + std::to_string(s_server->port()); // the same server
    const json parameters = {{"token", "t-1"}};
    struct Case {
        const char* why;
        std::string method;
        std::string URL; // every way ends at "/json"
        long expectedCode; // 0: the answer of the last hop
        bool fieldsArrive; // at the last hop
        std::string lastMethod;
        bool bodyArrives;
    };
    const std::vector<Case> cases = {
        {"on the same host the fields go along", "GET", here + "/to/302/" + here + "/json", 0, true, "GET", false},
        {"another name: they stay behind", "GET", here + "/to/302/" + byName + "/json", 0, false, "GET", false},
        {"another port: they stay behind", "GET", here + "/to/301/" + otherPort.baseURL() + "/json", 0, false, "GET", false},
        {"back on the first host: still behind", "GET", here + "/to/302/" + byName + "/to/302/" + here + "/json", 0, false, "GET", false},
        {"303 after a POST fetches the new place", "POST", here + "/to/303/" + here + "/json", 0, true, "GET", false},
        {"307 repeats the POST with its body", "POST", here + "/to/307/" + byName + "/json", 0, false, "POST", true},
        {"to clear text: refused, nothing is sent", "GET", here + "/to/302/" + clearText.baseURL() + "/json",
         NSURLErrorAppTransportSecurityRequiresSecureConnection, false, "", false},
        {"from clear text to clear text: refused as well", "GET", clearText.baseURL() + "/to/302/" + clearText.baseURL() + "/json",
         NSURLErrorAppTransportSecurityRequiresSecureConnection, false, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        for (auto* server : {s_server, &otherPort, &clearText})
            server->clearRequests();
        auto manager = HTTPSessionManager::managerWithSessionConfiguration();
        manager->setRequestSerializer(JSONRequestSerializer::serializer());
        manager->requestSerializer()->setValue_forHTTPHeaderField("s3cret", "X-Client-Secret");
        manager->requestSerializer()->setValue_forHTTPHeaderField("de.kavoni.ios-1.0", "X-CLIENT-VERSION");
        manager->requestSerializer()->setValue_forHTTPHeaderField("de-DE", "Accept-Language");
        Outcome outcome;
        const auto task = c.method == "GET" ? manager->GET(c.URL, nullptr, outcome.success(), outcome.failure())
                                            : manager->POST(c.URL, parameters, outcome.success(), outcome.failure());
        waitFor(outcome);
        std::vector<HTTPTestServer::Request> arrived;
        for (const auto* server : {s_server, &otherPort, &clearText}) {
            for (const auto& request : server->requests())
                if (request.target == "/json")
                    arrived.push_back(request);
        }
        if (c.expectedCode) {
            ASSERT_TRUE(outcome.error) << "a failure the caller sees, not an answer";
            EXPECT_EQ(outcome.error->domain(), NSURLErrorDomain);
            EXPECT_EQ(outcome.error->code(), c.expectedCode) << outcome.error->description();
            EXPECT_EQ(task->response(), nullptr);
            EXPECT_TRUE(arrived.empty());
            continue;
        }
        ASSERT_EQ(outcome.error, nullptr) << outcome.error->description();
        ASSERT_EQ(arrived.size(), 1u);
        EXPECT_EQ(arrived[0].method, c.lastMethod);
        EXPECT_EQ(arrived[0].body, c.bodyArrives ? parameters.dump() : "");
        EXPECT_EQ(arrived[0].header("Content-Type"), c.bodyArrives ? std::optional<std::string>("application/json") : std::nullopt);
        for (const char* field : {"X-Client-Secret", "X-CLIENT-VERSION", "Accept-Language"})
            EXPECT_EQ(arrived[0].header(field).has_value(), c.fieldsArrive) << field;
    }
}

TEST_F(HTTPSessionManagerTest, TLSFollowsTheSecurityPolicy)
{
    // The untrusted server's authority is unknown and its certificate names another host; the
    // other host's authority is trusted, so only its name is wrong.
    HTTPTestServer untrusted(s_untrusted, route);
    HTTPTestServer otherHost(s_otherHost, route);
    struct Case {
        const char* why;
        std::string base;
        bool permissive;
        long expectedCode; // 0: success
    };
    const std::vector<Case> cases = {
        {"trusted authority, default policy", s_server->baseURL(), false, 0},
        {"unknown authority and wrong host, default policy", untrusted.baseURL(), false, NSURLErrorServerCertificateUntrusted},
        {"unknown authority and wrong host, permissive policy", untrusted.baseURL(), true, 0},
        {"default policy again after a permissive connection", untrusted.baseURL(), false, NSURLErrorServerCertificateUntrusted},
        {"trusted authority, another host's name, default policy", otherHost.baseURL(), false, NSURLErrorServerCertificateUntrusted},
        {"trusted authority, another host's name, permissive policy", otherHost.baseURL(), true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto manager = HTTPSessionManager::managerWithSessionConfiguration();
        if (c.permissive)
            manager->setSecurityPolicy(permissivePolicy());
        Outcome outcome;
        manager->GET(c.base + "/json", nullptr, outcome.success(), outcome.failure());
        waitFor(outcome);
        if (c.expectedCode == 0) {
            EXPECT_EQ(outcome.error, nullptr) << outcome.error->description();
        } else {
            ASSERT_TRUE(outcome.error);
            EXPECT_EQ(outcome.error->domain(), NSURLErrorDomain);
            EXPECT_EQ(outcome.error->code(), c.expectedCode);
        }
    }
}

TEST_F(HTTPSessionManagerTest, AuthorityAddedAtRunTimeIsTrustedWithTheDefaultPolicy)
{
    HTTPTestServer server(s_late, route);
    auto manager = HTTPSessionManager::managerWithSessionConfiguration();
    Outcome before;
    manager->GET(server.baseURL() + "/json", nullptr, before.success(), before.failure());
    waitFor(before);
    ASSERT_TRUE(before.error);
    EXPECT_EQ(before.error->code(), NSURLErrorServerCertificateUntrusted);

    EXPECT_FALSE(HTTPTrust::addTrustedCertificateAuthorityFile((s_directory / "missing.pem").string()));
    EXPECT_FALSE(HTTPTrust::addTrustedCertificateAuthorityFile(s_late.keyFile)) << "a key is no certificate";
    ASSERT_TRUE(HTTPTrust::addTrustedCertificateAuthorityFile(s_late.authorityFile));
    Outcome after;
    manager->GET(server.baseURL() + "/json", nullptr, after.success(), after.failure());
    waitFor(after);
    EXPECT_EQ(after.error, nullptr) << after.error->description();
}

TEST_F(HTTPSessionManagerTest, AuthorityFromTheEnvironmentIsTrusted)
{
    // KVN_EXTRA_CA_FILE is read once per process, at first use: a fresh process is asked.
    const std::string log = (tempDirectory() / "child.log").string();
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        environment.emplace_back(*e);
    environment.push_back("KVN_EXTRA_CA_FILE=" + s_late.authorityFile);
    environment.push_back("KVN_HTTP_TEST_CHILD_CERT=" + s_late.certificateFile);
    environment.push_back("KVN_HTTP_TEST_CHILD_KEY=" + s_late.keyFile);
    std::vector<char*> envp;
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=HTTPTrustEnvironmentChild.*";
    char* argv[] = {self.data(), filter.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t child = -1;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    std::ifstream in(log);
    const std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// Runs only inside the process that AuthorityFromTheEnvironmentIsTrusted starts.
class HTTPTrustEnvironmentChild : public ManualClockFixture {};

TEST_F(HTTPTrustEnvironmentChild, DefaultPolicyTrustsTheAuthorityNamedByTheEnvironment)
{
    const char* certificate = std::getenv("KVN_HTTP_TEST_CHILD_CERT");
    const char* key = std::getenv("KVN_HTTP_TEST_CHILD_KEY");
    if (!certificate || !key)
        GTEST_SKIP() << "runs as a child of AuthorityFromTheEnvironmentIsTrusted";
    HTTPTestServer server(TestCertificate{"", certificate, key}, route);
    auto manager = HTTPSessionManager::managerWithSessionConfiguration();
    int calls = 0;
    std::shared_ptr<NSError> error;
    manager->GET(
        server.baseURL() + "/json", nullptr, [&](const auto&, const auto&) { ++calls; },
        [&](const auto&, const std::shared_ptr<NSError>& e) {
            ++calls;
            error = e;
        });
    ASSERT_TRUE(loop->spin_until([&] { return calls > 0; }, 30.0));
    EXPECT_EQ(error, nullptr) << error->description();
}

TEST_F(HTTPSessionManagerTest, TransferErrorsMapToURLErrorCodes)
{
    // A port that was free a moment ago: nothing listens there.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string closedPort = "https://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/json";
    ::close(probe);

    struct Case {
        const char* why;
        std::string URL;
        double timeout;
        long expectedCode;
    };
    const std::vector<Case> cases = {
        {"nothing listens", closedPort, 60, NSURLErrorCannotConnectToHost},
        {"not a URL", "not a url", 60, NSURLErrorBadURL},
        {"empty URL", "", 60, NSURLErrorBadURL},
        {"a scheme the client does not speak", "ftp://127.0.0.1/x", 60, NSURLErrorUnsupportedURL},
        {"no answer within the time-out", url("/hold"), 1, NSURLErrorTimedOut},
        {"redirects without end", url("/loop"), 60, NSURLErrorHTTPTooManyRedirects},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto manager = HTTPSessionManager::managerWithSessionConfiguration();
        manager->requestSerializer()->setTimeoutInterval(c.timeout);
        Outcome outcome;
        const auto task = manager->GET(c.URL, nullptr, outcome.success(), outcome.failure());
        EXPECT_EQ(outcome.calls, 0);
        waitFor(outcome);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->domain(), NSURLErrorDomain);
        EXPECT_EQ(outcome.error->code(), c.expectedCode) << outcome.error->description();
        EXPECT_EQ(task->response(), nullptr) << "no answer, no response";
        EXPECT_EQ(task->state(), NSURLSessionTaskStateCompleted);
    }
}

} // namespace
