// The event channel's message parser: what reaches the session driver as a JSON object and
// what is dropped with which log line; the length prefix cut only where it is one.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Private/Helper/KVNParser.h"

using json = JSONValue;

namespace {

struct ParseCase {
    const char* why;
    std::string message;
    std::optional<json> expected; // nullopt: no object
    const char* log;              // a text the log must hold; nullptr: nothing to check
};

} // namespace

TEST(KVNParserTest, JSONFromMessage)
{
    const ParseCase cases[] = {
        {"framed as the service frames it", R"(22|{"command":"finished"})", json{{"command", "finished"}}, nullptr},
        {"a long-poll answer arrives without its prefix", R"({"command":"finished"})", json{{"command", "finished"}}, nullptr},
        {"a \"|\" inside the JSON stays in the text",
         R"(69|{"command":"chatMessage","data":{"content":"a|b","originator":"x|y"}})",
         json{{"command", "chatMessage"}, {"data", {{"content", "a|b"}, {"originator", "x|y"}}}}, nullptr},
        {"a \"|\" inside unframed JSON stays too", R"({"command":"startESigning","data":{"url":"https://x/?a=1|2"}})",
         json{{"command", "startESigning"}, {"data", {{"url", "https://x/?a=1|2"}}}}, nullptr},
        {"the length is not checked", R"(3|{"command":"ping"})", json{{"command", "ping"}}, nullptr},
        {"blank", " \n\t ", std::nullopt, "Parser: Empty message ignored"},
        {"empty", "", std::nullopt, "Parser: Empty message ignored"},
        {"the text null", "null", std::nullopt, "Parser: Empty message ignored"},
        {"not JSON", "12|{command:", std::nullopt, "Parser: Message ignored, could not be parsed"},
        {"letters before the bar are no prefix", R"(ab|{"command":"x"})", std::nullopt, "Parser: Message ignored, could not be parsed"},
        {"invalid UTF-8 inside a text", "{\"command\":\"\xff\xfe\"}", std::nullopt, "Parser: Message ignored, could not be parsed"},
        {"a JSON array is no object", R"(7|[1,2,3])", std::nullopt, nullptr},
        {"a JSON number is no object", "5|12345", std::nullopt, nullptr},
        {"framed null", "4|null", std::nullopt, nullptr},
        {"nested 100,000 levels deep", "12|{\"command\":" + std::string(100000, '[') + std::string(100000, ']') + "}", std::nullopt,
         "Parser: Message ignored, could not be parsed"},
    };
    KVNParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        testing::internal::CaptureStderr();
        const auto result = parser.JSONFromMessage(c.message);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, c.expected);
        if (c.log) {
            EXPECT_NE(log.find(c.log), std::string::npos) << log;
        }
    }
}

TEST(KVNParserTest, TextAfterLengthPrefix)
{
    const struct {
        const char* why;
        std::string message;
        std::string expected;
    } cases[] = {
        {"prefix cut", R"(18|{"command":"ping"})", R"({"command":"ping"})"},
        {"only the first bar after the digits", "5|a|b|c", "a|b|c"},
        {"no bar", "12345", "12345"},
        {"bar not right after the digits", "12 |x", "12 |x"},
        {"no digits before the bar", "|x", "|x"},
        {"bar inside the JSON only", R"({"content":"1|2"})", R"({"content":"1|2"})"},
        {"nothing after the bar", "0|", ""},
        {"empty", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KVNParser::textAfterLengthPrefix(c.message), c.expected) << c.why;
}

TEST(KVNParserTest, MessagesFromLongPollAnswer)
{
    using Messages = std::vector<std::string>;
    const std::string finished = R"({"command":"finished"})"; // 22 units
    const std::string ping = R"({"command":"ping"})";         // 18 units
    const std::string wide = "{\"c\":\"\xC3\xBC\xF0\x9F\x98\x80\"}"; // {"c":"ü😀"}: 11 units, 14 bytes
    const struct {
        const char* why;
        std::string answer;
        Messages expected;
        bool logged; // "framed wrongly"
    } cases[] = {
        {"one frame", "18|" + ping, {ping}, false},
        {"frames batched in one answer", "22|" + finished + "18|" + ping + "22|" + finished, {finished, ping, finished}, false},
        {"lengths count UTF-16 units, not bytes", "11|" + wide + "18|" + ping, {wide, ping}, false},
        {"a bar inside the JSON", R"(17|{"content":"a|b"}18|)" + ping, {R"({"content":"a|b"})", ping}, false},
        {"an empty frame", "0|18|" + ping, {"", ping}, false},
        {"unframed: the answer whole", ping, {ping}, false},
        {"empty answer", "", {""}, false},
        {"letters for digits", "ab|" + ping, {"ab|" + ping}, false},
        {"a lone frame too long", "99|" + ping, {ping}, true},
        {"a lone frame too short", "3|" + ping, {ping}, true},
        {"counted in bytes", "14|" + wide + "18|" + ping, {wide + "18|" + ping}, true},
        {"counted in code points: too short", "10|" + wide, {wide}, true},
        {"a length ending inside a character", "8|" + wide, {wide}, true},
        {"truncated after a frame", "22|" + finished + "18|{\"comm", {finished, "{\"comm"}, true},
        {"truncated inside a prefix", "22|" + finished + "18", {finished + "18"}, true},
        {"a length past any size", "22|" + finished + "99999999999999999999999|" + ping, {finished, ping}, true},
        {"not a frame after a frame", "22|" + finished + "x|" + ping, {finished + "x|" + ping}, true},
        {"a bar alone", "|", {"|"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        testing::internal::CaptureStderr();
        const auto messages = KVNParser::messagesFromLongPollAnswer(c.answer);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(messages, c.expected);
        EXPECT_EQ(log.find("framed wrongly") != std::string::npos, c.logged) << log;
    }
}
