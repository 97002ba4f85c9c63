// Request serializers (what goes on the wire for each method and parameter set) and response
// serializers (which answers are accepted, and what a failure carries), without a network.
#include <gtest/gtest.h>

#include "Foundation/NSDictionary.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/HTTPRequestSerializer.h"
#include "Network/HTTPResponseSerializer.h"
#include "Network/JSONRequestSerializer.h"
#include "Network/JSONResponseSerializer.h"
#include "Network/NSURLError.h"

namespace {

using json = JSONValue;

std::optional<std::string> bodyText(const NSURLRequest& request)
{
    if (!request.HTTPBody())
        return std::nullopt;
    return NSStringFromData(*request.HTTPBody());
}

struct RequestCase {
    const char* why;
    bool jsonSerializer;
    std::string method;
    std::string URL;
    json parameters;
    std::string expectedURL;
    std::optional<std::string> expectedBody;
    std::optional<std::string> expectedContentType;
};

TEST(HTTPRequestSerializerTest, ParametersGoToQueryOrBodyByMethodAndSerializer)
{
    const std::vector<RequestCase> cases = {
        {"GET form: reserved characters and blanks are percent-encoded", false, "GET", "https://h/p", json{{"a", "1 2"}, {"b", "x&y=z/?#"}},
         "https://h/p?a=1%202&b=x%26y%3Dz%2F%3F%23", std::nullopt, std::nullopt},
        {"GET: added after an existing query, before the fragment", false, "GET", "https://h/p?x=1#frag", json{{"a", true}},
         "https://h/p?x=1&a=true#frag", std::nullopt, std::nullopt},
        {"GET without parameters leaves the URL alone", false, "GET", "https://h/p?x=1", nullptr, "https://h/p?x=1", std::nullopt, std::nullopt},
        {"POST form: nested values, arrays, numbers, null", false, "POST", "https://h/p",
         json{{"n", 5}, {"list", {1, 2}}, {"o", {{"k", "v"}}}, {"z", nullptr}}, "https://h/p",
         "n=5&list%5B%5D=1&list%5B%5D=2&o%5Bk%5D=v&z=", "application/x-www-form-urlencoded"},
        {"POST form without parameters has no body", false, "POST", "https://h/p", nullptr, "https://h/p", std::nullopt, std::nullopt},
        {"POST JSON object: keys in the order the body was built", true, "POST", "https://h/p",
         json{{"token", "t"}, {"clientInfo", {{"z", 1}, {"a", 2}}}}, "https://h/p", R"({"token":"t","clientInfo":{"z":1,"a":2}})",
         "application/json"},
        {"POST JSON empty object is a body of its own", true, "POST", "https://h/p", json::object(), "https://h/p", "{}", "application/json"},
        {"POST JSON without parameters has no body and no type", true, "POST", "https://h/p", nullptr, "https://h/p", std::nullopt, std::nullopt},
        {"POST JSON: invalid UTF-8 in a text is replaced, not thrown", true, "POST", "https://h/p", json{{"t", "a\xFF"}}, "https://h/p",
         "{\"t\":\"a\xEF\xBF\xBD\"}", "application/json"},
        {"GET JSON parameters still go into the query", true, "GET", "https://h/p", json{{"shortName", "a b"}}, "https://h/p?shortName=a%20b",
         std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::shared_ptr<HTTPRequestSerializer> serializer =
            c.jsonSerializer ? std::shared_ptr<HTTPRequestSerializer>(JSONRequestSerializer::serializer()) : HTTPRequestSerializer::serializer();
        std::shared_ptr<NSError> error;
        const auto request = serializer->requestWithMethod_URLString_parameters_error(c.method, c.URL, c.parameters, error);
        ASSERT_TRUE(request);
        EXPECT_EQ(error, nullptr);
        EXPECT_EQ(request->HTTPMethod(), c.method);
        EXPECT_EQ(request->URL(), c.expectedURL);
        EXPECT_EQ(bodyText(*request), c.expectedBody);
        EXPECT_EQ(request->valueForHTTPHeaderField("Content-Type"), c.expectedContentType);
    }
}

TEST(HTTPRequestSerializerTest, HeadersCachePolicyAndTimeoutReachEveryRequest)
{
    auto serializer = JSONRequestSerializer::serializer();
    serializer->setValue_forHTTPHeaderField("de.kavoni.ios-1.0", "X-CLIENT-VERSION");
    serializer->setValue_forHTTPHeaderField("first", "X-Client-Secret");
    serializer->setValue_forHTTPHeaderField("second", "x-client-secret"); // same field, other case
    serializer->setValue_forHTTPHeaderField("gone", "X-Removed");
    serializer->setValue_forHTTPHeaderField(std::nullopt, "x-removed");
    serializer->setValue_forHTTPHeaderField(std::nullopt, "X-Never-Set");
    serializer->setCachePolicy(NSURLRequestReloadIgnoringLocalCacheData);
    serializer->setTimeoutInterval(12.5);

    const std::map<std::string, std::string> expected = {{"X-CLIENT-VERSION", "de.kavoni.ios-1.0"}, {"X-Client-Secret", "second"}};
    EXPECT_EQ(serializer->HTTPRequestHeaders(), expected);

    std::shared_ptr<NSError> error;
    const auto request = serializer->requestWithMethod_URLString_parameters_error("POST", "https://h/p", json::object(), error);
    ASSERT_TRUE(request);
    auto withType = expected;
    withType["Content-Type"] = "application/json";
    EXPECT_EQ(request->allHTTPHeaderFields(), withType);
    EXPECT_EQ(request->cachePolicy(), NSURLRequestReloadIgnoringLocalCacheData);
    EXPECT_EQ(request->timeoutInterval(), 12.5);
    EXPECT_EQ(request->valueForHTTPHeaderField("Cache-Control"), std::nullopt) << "no cache: nothing to tell a server";
}

TEST(HTTPRequestSerializerTest, FormParametersThatAreNotAnObjectAreAnErrorNotACrash)
{
    for (const json& parameters : {json::array({1, 2}), json("text")}) {
        for (const char* method : {"GET", "POST"}) {
            std::shared_ptr<NSError> error;
            EXPECT_EQ(HTTPRequestSerializer::serializer()->requestWithMethod_URLString_parameters_error(method, "https://h/p", parameters, error),
                      nullptr);
            ASSERT_TRUE(error);
            EXPECT_EQ(error->domain(), NSURLErrorDomain);
        }
    }
}

struct ResponseCase {
    const char* why;
    bool jsonSerializer;
    long status;
    std::string body;
    enum Kind { JSON, Data, None } kind;
    json expectedJSON = nullptr;
    std::string errorDomain = "";
    long errorCode = 0;
};

TEST(HTTPResponseSerializerTest, AnswersAcceptedOrRefusedWithTheirBody)
{
    const std::vector<ResponseCase> cases = {
        {"JSON object", true, 200, R"({"a":1})", ResponseCase::JSON, json{{"a", 1}}},
        {"JSON object: keys keep the service's order", true, 200, R"({"terms":{"z":1,"a":2},"privacy":3})", ResponseCase::JSON,
         json{{"terms", {{"z", 1}, {"a", 2}}}, {"privacy", 3}}},
        {"JSON array", true, 201, "[1,2]", ResponseCase::JSON, json{1, 2}},
        {"empty JSON answer: no object, no error", true, 204, "", ResponseCase::None},
        {"invalid UTF-8 in a JSON text is replaced", true, 200, "{\"t\":\"a\xFF\"}", ResponseCase::JSON, json{{"t", "a\xEF\xBF\xBD"}}},
        {"a body that is not JSON is a serialization error", true, 200, "<html>busy</html>", ResponseCase::None, nullptr, NSCocoaErrorDomain,
         NSPropertyListReadCorruptError},
        {"truncated JSON", true, 200, R"({"a":)", ResponseCase::None, nullptr, NSCocoaErrorDomain, NSPropertyListReadCorruptError},
        {"JSON nested 100,000 levels deep is refused like a body that is not JSON", true, 200,
         std::string(100000, '[') + std::string(100000, ']'), ResponseCase::None, nullptr, NSCocoaErrorDomain, NSPropertyListReadCorruptError},
        {"429 is a failure even with a JSON body", true, 429, R"({"errors":[]})", ResponseCase::None, nullptr, NSURLErrorDomain,
         NSURLErrorBadServerResponse},
        {"raw data kept as it is", false, 200, std::string("\x00\xFF", 2), ResponseCase::Data},
        {"raw empty answer is empty data", false, 200, "", ResponseCase::Data},
        {"raw 500 is a failure", false, 500, "oops", ResponseCase::None, nullptr, NSURLErrorDomain, NSURLErrorBadServerResponse},
        {"a redirect that was not followed is a failure", false, 302, "", ResponseCase::None, nullptr, NSURLErrorDomain,
         NSURLErrorBadServerResponse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::shared_ptr<HTTPResponseSerializer> serializer =
            c.jsonSerializer ? std::shared_ptr<HTTPResponseSerializer>(JSONResponseSerializer::serializer()) : HTTPResponseSerializer::serializer();
        const auto response = std::make_shared<NSHTTPURLResponse>(c.status, std::map<std::string, std::string>{}, "https://h/p");
        const NSData body = NSDataFromString(c.body);
        std::shared_ptr<NSError> error;
        const auto object = serializer->responseObjectForResponse_data_error(response, body, error);
        switch (c.kind) {
        case ResponseCase::JSON:
            ASSERT_TRUE(object.json());
            EXPECT_EQ(object.json()->dump(), c.expectedJSON.dump()); // the text compares the key order too
            break;
        case ResponseCase::Data:
            ASSERT_TRUE(object.data());
            EXPECT_EQ(*object.data(), body);
            break;
        case ResponseCase::None:
            EXPECT_TRUE(object.isNone());
            break;
        }
        if (c.errorDomain.empty()) {
            EXPECT_EQ(error, nullptr);
            continue;
        }
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), c.errorDomain);
        EXPECT_EQ(error->code(), c.errorCode);
        const NSData* failing = NSDictionaryValue<NSData>(error->userInfo(), HTTPFailingResponseDataErrorKey);
        ASSERT_TRUE(failing) << "the service's error details must stay readable";
        EXPECT_EQ(*failing, body);
    }
}

} // namespace
