#include "models/KVNContract.h"

#include <memory>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "models/KVNContractDefinition.h"

namespace {

using json = JSONValue;

std::shared_ptr<KVNContract> contractFrom(const json& dictionary)
{
    auto contract = std::make_shared<KVNContract>();
    contract->initWithDictionary(dictionary);
    return contract;
}

TEST(KVNContractTest, ReadsEveryMemberByName)
{
    auto contract = contractFrom(json::parse(R"({
        "displayHash": "A1B2", "hash": "f00dfeed", "name": "Account contract", "status": "OPEN",
        "version": "3", "unknown": {"ignored": true},
        "documentDefinition": {"identifier": "doc-7", "mimeType": "application/pdf", "name": "Contract",
                               "optional": true, "sortOrder": 4, "extra": 1}
    })"));
    EXPECT_EQ(contract->displayHash(), "A1B2");
    EXPECT_EQ(contract->contractHash(), "f00dfeed");
    EXPECT_EQ(contract->name(), "Account contract");
    EXPECT_EQ(contract->status(), "OPEN");
    EXPECT_EQ(contract->version(), "3");
    auto definition = contract->contractDefinition();
    ASSERT_TRUE(definition);
    EXPECT_EQ(definition->identifier(), "doc-7");
    EXPECT_EQ(definition->mimeType(), "application/pdf");
    EXPECT_EQ(definition->name(), "Contract");
    EXPECT_TRUE(definition->optional());
    EXPECT_EQ(definition->sortOrder(), 4);
    EXPECT_EQ(contract->description(), "name: Account contract, display-hash: A1B2, identifier: doc-7");
    EXPECT_EQ(definition->description(), "identifier: doc-7, sortOrder: 4");
}

TEST(KVNContractTest, WithoutDefinitionTheDefinitionExistsWithAllFieldsUnset)
{
    auto contract = contractFrom(json{{"name", "C"}});
    auto definition = contract->contractDefinition();
    ASSERT_TRUE(definition);
    EXPECT_FALSE(definition->identifier());
    EXPECT_FALSE(definition->mimeType());
    EXPECT_FALSE(definition->name());
    EXPECT_FALSE(definition->optional());
    EXPECT_EQ(definition->sortOrder(), 0);
    EXPECT_EQ(contract->description(), "name: C, display-hash: (null), identifier: (null)");
    EXPECT_EQ(definition->description(), "identifier: (null), sortOrder: 0");
}

// The service's data is not trusted: nothing here may throw, and a field only takes a value
// of a kind it can hold.
TEST(KVNContractTest, NullAndWrongKindsLeaveFieldsUnset)
{
    const json answers[] = {
        json(nullptr),
        json::array({1, 2}),
        json("text"),
        json::parse(R"({"displayHash": null, "hash": 12, "name": ["x"], "status": {}, "version": 3,
                        "documentDefinition": "not an object"})"),
        json::parse(R"({"documentDefinition": {"identifier": 5, "mimeType": null, "name": false,
                                               "optional": [true], "sortOrder": {"n": 1}}})"),
        json::parse(R"({"documentDefinition": null})"),
        json::parse(R"({"documentDefinition": [1]})"),
    };
    for (const auto& answer : answers) {
        auto contract = contractFrom(answer);
        EXPECT_FALSE(contract->displayHash()) << answer;
        EXPECT_FALSE(contract->contractHash()) << answer;
        EXPECT_FALSE(contract->name()) << answer;
        EXPECT_FALSE(contract->status()) << answer;
        EXPECT_FALSE(contract->version()) << answer;
        auto definition = contract->contractDefinition();
        ASSERT_TRUE(definition) << answer;
        EXPECT_FALSE(definition->identifier()) << answer;
        EXPECT_FALSE(definition->mimeType()) << answer;
        EXPECT_FALSE(definition->name()) << answer;
        EXPECT_FALSE(definition->optional()) << answer;
        EXPECT_EQ(definition->sortOrder(), 0) << answer;
    }
}

TEST(KVNContractDefinitionTest, FlagAndOrderAcceptNumbersAndNumericTexts)
{
    const struct {
        const char* reason;
        json dictionary;
        bool optional;
        long sortOrder;
    } cases[] = {
        {"booleans and integers", json{{"optional", false}, {"sortOrder", -2}}, false, -2},
        {"numbers", json{{"optional", 1}, {"sortOrder", 7.9}}, true, 7},
        {"texts, read the platform's way", json{{"optional", "yes"}, {"sortOrder", " 12abc"}}, true, 12},
        {"text that is no flag", json{{"optional", "no"}, {"sortOrder", "x"}}, false, 0},
    };
    for (const auto& c : cases) {
        auto definition = std::make_shared<KVNContractDefinition>();
        definition->initWithDictionary(c.dictionary);
        EXPECT_EQ(definition->optional(), c.optional) << c.reason;
        EXPECT_EQ(definition->sortOrder(), c.sortOrder) << c.reason;
    }
    // Out of range for an integer: must not be undefined behaviour (the sanitizer would say).
    KVNContractDefinition huge;
    huge.initWithDictionary(json{{"sortOrder", 1e300}});
}

} // namespace
