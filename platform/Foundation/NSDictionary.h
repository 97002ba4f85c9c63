#pragma once
// Keyed values of any type: error user info, notification user info, text attributes.
// A plain value; copy freely between threads. Stored types follow one convention so that
// readers can find them: texts std::string, integers long, flags bool, bytes NSData,
// errors std::shared_ptr<NSError>, JSON JSONValue.
#include <any>
#include <map>
#include <string>

using NSDictionary = std::map<std::string, std::any>;

// The value under `key` when present and stored as exactly T; nullptr otherwise.
template <class T>
const T* NSDictionaryValue(const NSDictionary& dictionary, const std::string& key)
{
    auto it = dictionary.find(key);
    if (it == dictionary.end())
        return nullptr;
    return std::any_cast<T>(&it->second);
}
