#pragma once
// The JSON value of everything the program exchanges with the identification service, and the
// one reader of JSON text that others write: the service's answers, error bodies and event
// channel messages, and what the script engine hands over.
//
// Objects keep their keys in the order they were read or built. The service's order carries
// meaning (the steps of a photo identification, the links of a consent phrase, the countries
// offered), and a request body goes out in the order its writer built it. Values of our own
// files (user defaults, the bundle's Info.json, launch options) stay nlohmann::json; nothing
// converts between the two, since a conversion to nlohmann::json sorts the keys silently.
//
// The reader refuses text that nests arrays and objects deeper than JSONMaximumNestingDepth.
// The parser itself copes with any depth, but copying, printing or comparing a value recurses
// once per level, so a few hundred kilobytes of brackets would overflow the stack later, far
// from the answer that brought them. It also builds objects in linear time, where the
// library's own reader searches an ordered object for each new key.
//
// Pure functions; any thread.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

using JSONValue = nlohmann::ordered_json;

// Well above any answer of the service, well below what a thread's stack survives.
inline constexpr size_t JSONMaximumNestingDepth = 512;

// The value of `text`, or nullopt when it is not one JSON text or nests arrays and objects
// deeper than JSONMaximumNestingDepth; the reason then goes to `failureReason` when given.
// Throws no parse error. A key that comes twice keeps its first place and its last value.
// `Value` is JSONValue, or nlohmann::json for values that are no service's (the script
// engine's).
template <class Value = JSONValue>
std::optional<Value> JSONFromText(std::string_view text, std::string* failureReason = nullptr);

extern template std::optional<JSONValue> JSONFromText<JSONValue>(std::string_view, std::string*);
extern template std::optional<nlohmann::json> JSONFromText<nlohmann::json>(std::string_view, std::string*);
