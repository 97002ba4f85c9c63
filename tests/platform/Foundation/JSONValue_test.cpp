// The reader of JSON text that others write: objects keep their order, and text nested too
// deeply to copy safely is refused before it becomes a value.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "Foundation/JSONValue.h"

namespace {

std::string nestedArrays(size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(JSONValue, ReadingKeepsTheOrderAndRefusesNestingBeyondTheLimit)
{
    const size_t limit = JSONMaximumNestingDepth;
    std::string objects;
    for (size_t i = 0; i <= limit; ++i)
        objects += R"({"a":)";
    objects += "1" + std::string(limit + 1, '}');
    const std::string tooDeep = "nested deeper than 512 levels";
    struct Case {
        const char* why;
        std::string text;
        std::optional<std::string> value; // its compact text; nullopt: refused
        std::string reason;               // part of the reason of a refusal
    };
    const Case cases[] = {
        {"keys in the order written", R"({"terms": 1, "privacy": {"z": [2, {"y": 3, "b": 4}], "a": 5}})",
         R"({"terms":1,"privacy":{"z":[2,{"y":3,"b":4}],"a":5}})", ""},
        {"a key given twice keeps its first place and its last value", R"({"b": 1, "a": 2, "b": 3})", R"({"b":3,"a":2})", ""},
        {"scalars stand alone", R"("text")", R"("text")", ""},
        {"at the limit", nestedArrays(limit), nestedArrays(limit), ""},
        {"brackets inside a text do not count", "[\"" + std::string(1000, '[') + "\"]", "[\"" + std::string(1000, '[') + "\"]", ""},
        {"closed levels no longer count", "[" + nestedArrays(limit - 1) + "," + nestedArrays(limit - 1) + "]",
         "[" + nestedArrays(limit - 1) + "," + nestedArrays(limit - 1) + "]", ""},
        {"one level beyond", nestedArrays(limit + 1), std::nullopt, tooDeep},
        {"objects count like arrays", objects, std::nullopt, tooDeep},
        {"100,000 levels in 200 kB", R"({"deep":)" + nestedArrays(100000) + "}", std::nullopt, tooDeep},
        {"not JSON", "<html>", std::nullopt, "syntax error"},
        {"two texts", "{} {}", std::nullopt, "syntax error"},
        {"empty", "", std::nullopt, "syntax error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        std::string reason;
        const auto value = JSONFromText(c.text, &reason);
        EXPECT_EQ(value ? std::optional<std::string>(value->dump()) : std::nullopt, c.value);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
}

TEST(JSONValue, TheScriptEnginesValuesAreReadUnderTheSameLimit)
{
    EXPECT_EQ(JSONFromText<nlohmann::json>(R"({"b": 1, "a": [2]})"), nlohmann::json({{"a", nlohmann::json::array({2})}, {"b", 1}}));
    EXPECT_TRUE(JSONFromText<nlohmann::json>(nestedArrays(JSONMaximumNestingDepth)));
    std::string reason;
    EXPECT_FALSE(JSONFromText<nlohmann::json>(nestedArrays(100000), &reason));
    EXPECT_NE(reason.find("nested deeper than 512 levels"), std::string::npos) << reason;
}

} // namespace
