#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "MediaStack/Session/DepacketizerSequence.h"

using media::DepacketizerSequence;

TEST(DepacketizerSequence, PassesRunningNumbersAndBridgesBreaksWithOneMissing)
{
    // nullopt: the far side starts a new source before the next number.
    struct Case {
        const char* name;
        std::vector<std::optional<uint16_t>> in;
        std::vector<uint16_t> out;
    };
    const Case cases[] = {
        {"runs on", {10, 11, 12}, {10, 11, 12}},
        {"a gap stays a gap", {10, 11, 14}, {10, 11, 14}},
        {"wraps around", {65534, 65535, 0, 1}, {65534, 65535, 0, 1}},
        {"starts over lower", {1000, 1001, 200, 201}, {1000, 1001, 1003, 1004}},
        {"repeats a number", {1000, 1001, 1001, 1002}, {1000, 1001, 1003, 1004}},
        {"jumps far ahead", {1000, 1001, 30000, 30001}, {1000, 1001, 1003, 1004}},
        {"a new source that happens to run on", {10, 11, std::nullopt, 12, 13}, {10, 11, 13, 14}},
        {"a new source first", {std::nullopt, 500, 501}, {500, 501}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DepacketizerSequence sequence;
        std::vector<uint16_t> out;
        for (const auto& number : c.in) {
            if (number)
                out.push_back(sequence.map(*number));
            else
                sequence.startOver();
        }
        EXPECT_EQ(out, c.out);
    }
}
