#pragma once
// The ordered, guarded list of codec factories behind VideoStreamDescription and AudioStreamDescription.
// Not part of the stack's interface; the two stream descriptions hold one each.
#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>
#include <vector>

template<class Entry>
class StreamDescriptionRegistry {
public:
    static bool sameName(const std::string& a, const std::string& b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
            [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y)); });
    }

    template<class Match>
    void put(Entry entry, bool preferred, Match matches)
    {
        std::lock_guard<std::mutex> hold(lock_);
        remove(matches);
        if (preferred) {
            // After the preferred ones already there, before the others.
            auto firstOther = std::find_if(entries_.begin(), entries_.end(), [](const Item& item) { return !item.preferred; });
            entries_.insert(firstOther, Item { std::move(entry), true });
        } else {
            entries_.push_back(Item { std::move(entry), false });
        }
    }

    template<class Match>
    void erase(Match matches)
    {
        std::lock_guard<std::mutex> hold(lock_);
        remove(matches);
    }

    std::vector<Entry> entries() const
    {
        std::lock_guard<std::mutex> hold(lock_);
        std::vector<Entry> result;
        for (const auto& item : entries_) {
            result.push_back(item.entry);
        }
        return result;
    }

private:
    struct Item {
        Entry entry;
        bool preferred;
    };

    template<class Match>
    void remove(Match matches)
    {
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const Item& item) { return matches(item.entry); }), entries_.end());
    }

    mutable std::mutex lock_;
    std::vector<Item> entries_;
};
