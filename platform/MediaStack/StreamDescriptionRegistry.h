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
        std::lock_guard<std::mutex> hold(m_lock);
        remove(matches);
        if (preferred) {
            // After the preferred ones already there, before the others.
            auto firstOther = std::find_if(m_entries.begin(), m_entries.end(), [](const Item& item) { return !item.preferred; });
            m_entries.insert(firstOther, Item { std::move(entry), true });
        } else {
            m_entries.push_back(Item { std::move(entry), false });
        }
    }

    template<class Match>
    void erase(Match matches)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        remove(matches);
    }

    std::vector<Entry> entries() const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        std::vector<Entry> result;
        for (const auto& item : m_entries) {
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
        m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [&](const Item& item) { return matches(item.entry); }), m_entries.end());
    }

    mutable std::mutex m_lock;
    std::vector<Item> m_entries;
};
