#pragma once
// The JSON value of everything the program exchanges with the identification service.
//
// Objects keep their keys in the order they were read or built. The service's order carries
// meaning (the steps of a photo identification, the links of a consent phrase, the countries
// offered), and a request body goes out in the order its writer built it. Values of our own
// files (user defaults, the bundle's Info.json, launch options) stay nlohmann::json; nothing
// converts between the two, since a conversion to nlohmann::json sorts the keys silently.
#include <nlohmann/json.hpp>

using JSONValue = nlohmann::ordered_json;
