#include <gtest/gtest.h>

#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "Foundation/NSLocale.h"
#include "Foundation/NSURLSessionTask.h"
#include "Network/HTTPErrorKeys.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Helper/KavoniErrorPrivate.h"
#include "models/KVNIdentification.h"
#include "support/KvnTestBundle.h"

namespace {

// Every error key maps to "[KEY]" in the host table, so a description shows exactly which
// key was chosen; formatted keys keep their placeholders.
std::map<std::string, std::string> keyEchoingHostTable()
{
    std::map<std::string, std::string> table;
    for (const char* key : {"KAVONI_ERROR_TITLE", "KAVONI_ERROR_TITLE_412", "ERROR", "NO_WIFI_CONNECTION", "VIDEO_IDENT_FAILED_ALERT_MESSAGE",
                            "KAVONI_INTERNAL_ERROR_DESCRIPTION_DEFAULT"})
        table[key] = std::string("[") + key + "]";
    for (const char* code : {"1000", "1001", "1002", "1004", "1005", "1006", "1007", "1008", "1009", "1009_404", "1009_503", "1011"})
        table[std::string("KAVONI_ERROR_DESCRIPTION_") + code] = std::string("[") + code + "]";
    table["KAVONI_ERROR_DESCRIPTION_1003"] = "[1003 %@]";
    table["KAVONI_ERROR_DESCRIPTION_1009_500"] = "[1009_500 %@ %@]";
    table["KAVONI_ERROR_DESCRIPTION_1012"] = "[1012 %ld]";
    for (const char* code : {"2000", "2001", "2002", "2006", "2007", "2008", "2008_404", "2008_410", "2009", "2009_404", "2009_410", "2010",
                             "2010_412", "2011", "2011_412", "2012", "2012_412", "2013", "2014", "2014_400", "2016", "2017", "2020", "2021"})
        table[std::string("KAVONI_INTERNAL_ERROR_DESCRIPTION_") + code] = std::string("[") + code + "]";
    return table;
}

std::shared_ptr<NSURLSessionTask> taskWithStatus(long status)
{
    auto task = std::make_shared<NSURLSessionTask>();
    task->setResponse(std::make_shared<NSHTTPURLResponse>(status));
    return task;
}

std::shared_ptr<NSError> httpErrorWithBody(const std::string& body)
{
    return NSError::errorWithDomain_code_userInfo("kvn.http", -1011, {{HTTPFailingResponseDataErrorKey, NSDataFromString(body)}});
}

NSDictionary userInfo(long status, const char* cause = nullptr, const char* exceptionID = nullptr)
{
    NSDictionary info;
    if (status)
        info[KavoniErrorStatusCodeKey] = status;
    if (cause)
        info[KavoniErrorCauseKey] = std::string(cause);
    if (exceptionID)
        info[KavoniErrorExceptionIDKey] = std::string(exceptionID);
    return info;
}

class KavoniErrorTest : public testing::Test {
protected:
    void SetUp() override
    {
        NSLocale::setPreferredLanguages({"en"});
        KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
        KVNIdentification::resetSharedIdentification();
        KVNIdentification::sharedIdentification()->videoIdentification()->setOfficeHours("Mo-Fr: 8-20\n");
    }
    void TearDown() override
    {
        KVNIdentification::resetSharedIdentification();
        NSLocale::resetOverrides();
    }

    void echoKeys() { bundle.setHostStrings(keyEchoingHostTable()); }

    KvnTestBundle bundle;
};

} // namespace

TEST_F(KavoniErrorTest, PublicDescriptionsAndTitles)
{
    echoKeys();
    struct Case {
        long code;
        NSDictionary info;
        std::string description;
        std::string title;
    };
    const std::string email = KavoniSupportEmailAddress;
    const Case cases[] = {
        {1000, {}, "[1000]", "[KAVONI_ERROR_TITLE]"},
        {1001, {}, "[1001]", "[KAVONI_ERROR_TITLE]"},
        {1002, {}, "[1002]", "[KAVONI_ERROR_TITLE]"},
        {1003, {}, "[1003 Mo-Fr: 8-20\n]", "[KAVONI_ERROR_TITLE]"}, // the office hours fill the text
        {1004, {}, "[1004]", "[KAVONI_ERROR_TITLE]"},
        {1005, {}, "[1005]", "[KAVONI_ERROR_TITLE]"},
        {1006, {}, "[1006]", "[KAVONI_ERROR_TITLE]"},
        {1007, {}, "[1007]", "[KAVONI_ERROR_TITLE]"},
        {1008, {}, "[1008]", "[KAVONI_ERROR_TITLE]"},
        {1009, {}, "[1009]", "[KAVONI_ERROR_TITLE]"},
        {1009, userInfo(404, "OBJECT_NOT_FOUND"), "[1009_404]", "[KAVONI_ERROR_TITLE]"},
        {1009, userInfo(404, "OTHER"), "[1009]", "[KAVONI_ERROR_TITLE]"},            // 404 needs the cause
        {1009, userInfo(500, nullptr, "E-17"), "[1009_500 " + email + " E-17]", "[KAVONI_ERROR_TITLE]"},
        {1009, userInfo(500), "[1009]", "[KAVONI_ERROR_TITLE]"},                     // 500 needs an exception id
        {1009, userInfo(503), "[1009_503]", "[KAVONI_ERROR_TITLE]"},
        {1009, userInfo(412), "[1009]", "[KAVONI_ERROR_TITLE_412]"},
        {1011, {}, "[1011]", "[KAVONI_ERROR_TITLE]"},
        {1012, {}, "[1012 1012]", "[KAVONI_ERROR_TITLE]"}, // the code fills the text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KavoniErrorPrivate::localizedDescriptionForKavoniError_userInfo(c.code, c.info), c.description) << c.code;
        const auto error = NSError::errorWithDomain_code_userInfo(KavoniErrorDomain, c.code, c.info);
        EXPECT_EQ(KavoniErrorPrivate::kavoniInternalLocalizedTitle(*error), c.title) << c.code;
    }
}

TEST_F(KavoniErrorTest, InternalDescriptions)
{
    echoKeys();
    const std::string fallback = "[KAVONI_INTERNAL_ERROR_DESCRIPTION_DEFAULT]";
    struct Case {
        long code;
        NSDictionary info;
        std::string description;
    };
    const Case cases[] = {
        {1999, {}, fallback},                                   // outside the internal range
        {2000, {}, "[2000]"},
        {2001, {}, "[2001]"},
        {2002, {}, "[2002]"},
        {2003, {}, fallback},
        {2004, {}, fallback},
        {2005, userInfo(412), fallback},
        {2006, {}, "[2006]"},
        {2007, {}, "[2007]"},
        {2008, {}, "[2008]"},
        {2008, userInfo(404, "OBJECT_NOT_FOUND"), "[2008_404]"},
        {2008, userInfo(404, "OTHER"), "[2008]"},
        {2008, userInfo(410), "[2008_410]"},
        {2009, userInfo(404, "OBJECT_NOT_FOUND"), "[2009_404]"},
        {2009, userInfo(410, "OTHER"), "[2009_410]"},
        {2009, userInfo(500), "[2009]"},
        {2010, userInfo(412), "[2010_412]"},
        {2010, userInfo(500), "[2010]"},
        {2011, userInfo(412), "[2011_412]"},
        {2011, {}, "[2011]"},
        {2012, userInfo(412), "[2012_412]"},
        {2012, userInfo(404, "OBJECT_NOT_FOUND"), "[2012]"},
        {2013, userInfo(412), "[2013]"},                        // only 2010-2012 have a 412 text
        {2014, userInfo(400, "WRONG_CONFIRMATION_TOKEN"), "[2014_400]"},
        {2014, userInfo(400, "OTHER"), "[2014]"},
        {2014, userInfo(404, "WRONG_CONFIRMATION_TOKEN"), "[2014]"},
        {2015, {}, fallback},
        {2016, {}, "[2016]"},
        {2017, {}, "[2017]"},
        {2018, {}, fallback},
        {2019, {}, fallback},
        {2020, {}, "[2020]"},
        {2021, {}, "[2021]"},
        {2022, {}, fallback},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KavoniErrorPrivate::localizedDescriptionForKavoniInternalError_userInfo(c.code, c.info), c.description) << c.code;
}

TEST_F(KavoniErrorTest, AlertTitlesGoByCodeWhateverTheDomain)
{
    echoKeys();
    struct Case {
        long code;
        long status;
        std::string title;
    };
    const Case cases[] = {
        {2009, 412, "[ERROR]"}, // the code's own title wins over the 412 title
        {2013, 0, "[ERROR]"},
        {2014, 400, "[ERROR]"},
        {2016, 0, "[ERROR]"},
        {2017, 0, "[NO_WIFI_CONNECTION]"},
        {2021, 0, ""},          // empty, not looked up
        {2021, 412, ""},
        {2010, 412, "[KAVONI_ERROR_TITLE_412]"},
        {2010, 0, "[KAVONI_ERROR_TITLE]"},
        {2022, 0, "[KAVONI_ERROR_TITLE]"},
    };
    for (const auto& c : cases)
        for (const auto& domain : {KavoniInternalErrorDomain, KavoniErrorDomain}) {
            const auto error = NSError::errorWithDomain_code_userInfo(domain, c.code, userInfo(c.status));
            EXPECT_EQ(KavoniErrorPrivate::kavoniInternalLocalizedTitle(*error), c.title) << domain << " " << c.code << " " << c.status;
        }
}

// The library's own tables give every code a real text, the mended 1012, 2020 and 2021 included.
TEST_F(KavoniErrorTest, LibraryTextsInEnglishAndGerman)
{
    EXPECT_EQ(KavoniErrorPrivate::kavoniErrorWithCode(1012)->localizedDescription(),
              "The video server chosen for this identification is not supported by this app (error 1012).");
    EXPECT_EQ(KavoniErrorPrivate::kavoniInternalErrorWithCode(2020)->localizedDescription(), "The video connection could not be established.");
    EXPECT_EQ(KavoniErrorPrivate::kavoniInternalErrorWithCode(2021)->localizedDescription(), "The video connection was lost.");
    EXPECT_EQ(KavoniErrorPrivate::kavoniErrorWithCode(1003)->localizedDescription(),
              "Our identification service is closed at the moment. You can reach us at these times:\nMo-Fr: 8-20\n");

    KVNLocalizer::setUserInterfaceLanguage("de");
    const auto serverError = KavoniErrorPrivate::kavoniErrorWithCode_task_underlyingError(
        1009, taskWithStatus(500), httpErrorWithBody(R"({"errors":[{"id":4711,"cause":"INTERNAL"}]})"));
    EXPECT_EQ(serverError->localizedDescription(), "Auf unserem Server ist ein Fehler aufgetreten. Bitte wenden Sie sich an unseren Support unter " +
                                                       KavoniSupportEmailAddress + " und nennen Sie die Fehlernummer 4711.");
    KVNLocalizer::setUserInterfaceLanguage(std::nullopt);
}

TEST_F(KavoniErrorTest, OfficeHoursNotYetKnownLeaveNoPlaceholderText)
{
    KVNIdentification::sharedIdentification()->videoIdentification()->setOfficeHours(std::nullopt);
    echoKeys();
    EXPECT_EQ(KavoniErrorPrivate::kavoniErrorWithCode(1003)->localizedDescription(), "[1003 ]");
}

TEST_F(KavoniErrorTest, UserInfoFromTheFailedTasksBody)
{
    struct Case {
        const char* why;
        long status;
        const char* body; // nullptr: the underlying error carries no body
        std::optional<std::string> exceptionID;
        std::optional<std::string> cause;
    };
    const Case cases[] = {
        {"good answer", 404, R"({"errors":[{"id":"A-1","cause":"OBJECT_NOT_FOUND"},{"id":"B"}],"x":1})", "A-1", "OBJECT_NOT_FOUND"},
        {"id only", 500, R"({"errors":[{"id":"A-2"}]})", "A-2", std::nullopt},
        {"null members count as absent", 500, R"({"errors":[{"id":null,"cause":null}]})", std::nullopt, std::nullopt},
        {"not JSON", 502, "<html>Bad gateway</html>", std::nullopt, std::nullopt},
        {"not UTF-8", 500, "{\"errors\":[{\"id\":\"\xff\"}]}", std::nullopt, std::nullopt},
        {"JSON but not an object", 500, R"([{"errors":[{"id":"A"}]}])", std::nullopt, std::nullopt},
        {"errors not an array", 500, R"({"errors":{"id":"A"}})", std::nullopt, std::nullopt},
        {"empty errors array", 500, R"({"errors":[]})", std::nullopt, std::nullopt},
        {"first entry not an object", 500, R"({"errors":["A",{"id":"B"}]})", std::nullopt, std::nullopt},
        {"empty body", 500, "", std::nullopt, std::nullopt},
        {"no body", 503, nullptr, std::nullopt, std::nullopt},
        {"status 0 is left out", 0, R"({"errors":[{"id":"A-3"}]})", "A-3", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto underlying = c.body ? httpErrorWithBody(c.body) : NSError::errorWithDomain_code_userInfo("kvn.http", -1001);
        const NSDictionary info = KavoniErrorPrivate::kavoniUserInfoFromTask_underlyingError(taskWithStatus(c.status), underlying);
        const long* status = NSDictionaryValue<long>(info, KavoniErrorStatusCodeKey);
        if (c.status) {
            ASSERT_TRUE(status) << c.why;
            EXPECT_EQ(*status, c.status) << c.why;
        } else {
            EXPECT_FALSE(info.count(KavoniErrorStatusCodeKey)) << c.why;
        }
        const std::string* id = NSDictionaryValue<std::string>(info, KavoniErrorExceptionIDKey);
        EXPECT_EQ(id ? std::optional<std::string>(*id) : std::nullopt, c.exceptionID) << c.why;
        EXPECT_EQ(info.count(KavoniErrorExceptionIDKey), c.exceptionID ? 1u : 0u) << c.why;
        const std::string* cause = NSDictionaryValue<std::string>(info, KavoniErrorCauseKey);
        EXPECT_EQ(cause ? std::optional<std::string>(*cause) : std::nullopt, c.cause) << c.why;
    }
}

TEST_F(KavoniErrorTest, ExceptionIDKeepsTheTypeTheServiceSent)
{
    const auto body = [](const std::string& id) { return httpErrorWithBody(R"({"errors":[{"id":)" + id + "}]}"); };
    const auto numeric = KavoniErrorPrivate::kavoniUserInfoFromTask_underlyingError(taskWithStatus(500), body("4711"));
    ASSERT_TRUE(NSDictionaryValue<long>(numeric, KavoniErrorExceptionIDKey));
    EXPECT_EQ(*NSDictionaryValue<long>(numeric, KavoniErrorExceptionIDKey), 4711);

    const auto text = KavoniErrorPrivate::kavoniUserInfoFromTask_underlyingError(taskWithStatus(500), body("\"4711\""));
    ASSERT_TRUE(NSDictionaryValue<std::string>(text, KavoniErrorExceptionIDKey));

    // Anything else is kept as JSON and still makes a server error with a readable id.
    echoKeys();
    const auto other = KavoniErrorPrivate::kavoniErrorWithCode_task_underlyingError(1009, taskWithStatus(500), body("1.5"));
    EXPECT_TRUE(KavoniErrorPrivate::isKavoniServerError(*other));
    EXPECT_EQ(other->localizedDescription(), "[1009_500 " + KavoniSupportEmailAddress + " 1.5]");
}

TEST_F(KavoniErrorTest, WithoutATaskNothingIsReadNotEvenTheBody)
{
    const auto underlying = httpErrorWithBody(R"({"errors":[{"id":"A","cause":"OBJECT_NOT_FOUND"}]})");
    EXPECT_TRUE(KavoniErrorPrivate::kavoniUserInfoFromTask_underlyingError(nullptr, underlying).empty());

    for (const auto& error : {KavoniErrorPrivate::kavoniErrorWithCode_task_underlyingError(1009, nullptr, underlying),
                              KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError(2010, underlying)}) {
        EXPECT_EQ(KavoniErrorPrivate::kavoniStatusCode(*error), 0);
        EXPECT_FALSE(error->userInfo().count(KavoniErrorExceptionIDKey));
        EXPECT_FALSE(error->userInfo().count(KavoniErrorCauseKey));
        EXPECT_EQ(error->underlyingError(), underlying);
    }

    // A task without a response: no status, but the body is still read.
    const auto noResponse = KavoniErrorPrivate::kavoniUserInfoFromTask_underlyingError(std::make_shared<NSURLSessionTask>(), underlying);
    EXPECT_FALSE(noResponse.count(KavoniErrorStatusCodeKey));
    EXPECT_TRUE(noResponse.count(KavoniErrorExceptionIDKey));
}

TEST_F(KavoniErrorTest, ErrorsCarryDomainCodeStatusAndChosenDescription)
{
    echoKeys();
    const auto plain = KavoniErrorPrivate::kavoniErrorWithCode(1008);
    EXPECT_EQ(plain->domain(), "de.kavoni.kavoni");
    EXPECT_EQ(plain->code(), 1008);
    EXPECT_EQ(plain->userInfo().size(), 1u); // the description alone
    EXPECT_EQ(plain->localizedDescription(), "[1008]");
    EXPECT_EQ(KavoniErrorPrivate::kavoniStatusCode(*plain), 0);

    const auto underlying = httpErrorWithBody(R"({"errors":[{"id":"X","cause":"OBJECT_NOT_FOUND"}]})");
    const auto notFound = KavoniErrorPrivate::kavoniErrorWithCode_task_underlyingError(1009, taskWithStatus(404), underlying);
    EXPECT_EQ(notFound->localizedDescription(), "[1009_404]");
    EXPECT_EQ(KavoniErrorPrivate::kavoniStatusCode(*notFound), 404);
    EXPECT_EQ(notFound->underlyingError(), underlying);

    const auto internal = KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError_task(
        2014, httpErrorWithBody(R"({"errors":[{"cause":"WRONG_CONFIRMATION_TOKEN"}]})"), taskWithStatus(400));
    EXPECT_EQ(internal->domain(), "de.kavoni.kavoni.internal");
    EXPECT_EQ(internal->localizedDescription(), "[2014_400]");
    EXPECT_EQ(KavoniErrorPrivate::kavoniInternalErrorWithCode(2015)->localizedDescription(), "[KAVONI_INTERNAL_ERROR_DESCRIPTION_DEFAULT]");
    EXPECT_FALSE(KavoniErrorPrivate::kavoniInternalErrorWithCode(2001)->underlyingError());
}

TEST_F(KavoniErrorTest, PublicErrorFromAnInternalOneCarriesItsDetails)
{
    echoKeys();
    const auto internal = KavoniErrorPrivate::kavoniInternalErrorWithCode_underlyingError_task(
        2010, httpErrorWithBody(R"({"errors":[{"id":"I-9","cause":"PRECONDITION"}]})"), taskWithStatus(412));
    const auto error = KavoniErrorPrivate::kavoniErrorWithCode_fromInternalError(1009, internal);

    EXPECT_EQ(error->domain(), KavoniErrorDomain);
    EXPECT_EQ(error->code(), 1009);
    EXPECT_EQ(error->localizedDescription(), "[2010_412]");
    EXPECT_EQ(KavoniErrorPrivate::kavoniInternalLocalizedTitle(*error), "[KAVONI_ERROR_TITLE_412]");
    EXPECT_EQ(KavoniErrorPrivate::kavoniStatusCode(*error), 412);
    EXPECT_EQ(*NSDictionaryValue<std::string>(error->userInfo(), KavoniErrorExceptionIDKey), "I-9");
    EXPECT_EQ(*NSDictionaryValue<std::string>(error->userInfo(), KavoniErrorCauseKey), "PRECONDITION");
    EXPECT_EQ(error->underlyingError(), internal);

    // Without an internal error the code's own description stands.
    const auto bare = KavoniErrorPrivate::kavoniErrorWithCode_fromInternalError(1011, nullptr);
    EXPECT_EQ(bare->localizedDescription(), "[1011]");
    EXPECT_FALSE(bare->underlyingError());
}

TEST_F(KavoniErrorTest, ServerErrorIs503Or500WithAnExceptionID)
{
    struct Case {
        long status;
        const char* body;
        bool server;
    };
    const Case cases[] = {
        {503, "", true},
        {500, R"({"errors":[{"id":"E"}]})", true},
        {500, R"({"errors":[{"cause":"X"}]})", false}, // no id
        {500, R"({"message":"boom"})", false},         // no "errors"
        {404, R"({"errors":[{"id":"E"}]})", false},
        {0, R"({"errors":[{"id":"E"}]})", false},
    };
    for (const auto& c : cases) {
        const auto error = KavoniErrorPrivate::kavoniErrorWithCode_task_underlyingError(1009, taskWithStatus(c.status), httpErrorWithBody(c.body));
        EXPECT_EQ(KavoniErrorPrivate::isKavoniServerError(*error), c.server) << c.status << " " << c.body;
    }
}
