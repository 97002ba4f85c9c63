#include "Foundation/JSONValue.h"

#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Builds the value from the parser's events, one container per open level. Each open
// container is reached through a pointer into its parent, which stays valid because a parent
// takes no new member while a child is open.
template <class Value>
class JSONBuilder {
public:
    using String = typename Value::string_t;

    explicit JSONBuilder(Value& root) : m_root(root) {}

    const std::string& failure() const { return m_failure; }

    bool null() { return add(Value(nullptr)); }
    bool boolean(bool value) { return add(Value(value)); }
    bool number_integer(typename Value::number_integer_t value) { return add(Value(value)); }
    bool number_unsigned(typename Value::number_unsigned_t value) { return add(Value(value)); }
    bool number_float(typename Value::number_float_t value, const String&) { return add(Value(value)); }
    bool string(String& value) { return add(Value(std::move(value))); }
    bool binary(typename Value::binary_t& value) { return add(Value::binary(std::move(value))); }
    bool start_object(std::size_t) { return open(Value::object()); }
    bool key(String& key)
    {
        m_levels.back().key = std::move(key);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(Value::array()); }
    bool end_array() { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception& e)
    {
        m_failure = e.what();
        return false;
    }

private:
    struct Level {
        Value* container;
        String key; // of the member that comes next, in an object
        // Where each key of an ordered object sits, so that a new key costs no search.
        std::unordered_map<String, size_t> places;
    };

    bool add(Value value)
    {
        place(std::move(value));
        return true;
    }

    bool open(Value container)
    {
        if (m_levels.size() >= JSONMaximumNestingDepth) {
            m_failure = "arrays and objects nested deeper than " + std::to_string(JSONMaximumNestingDepth) + " levels";
            return false;
        }
        Value* placed = place(std::move(container));
        m_levels.push_back(Level{placed, String(), {}});
        return true;
    }

    bool close()
    {
        m_levels.pop_back();
        return true;
    }

    Value* place(Value value)
    {
        if (m_levels.empty()) {
            m_root = std::move(value);
            return &m_root;
        }
        Level& level = m_levels.back();
        if (level.container->is_array()) {
            auto& array = level.container->template get_ref<typename Value::array_t&>();
            array.push_back(std::move(value));
            return &array.back();
        }
        auto& object = level.container->template get_ref<typename Value::object_t&>();
        if constexpr (std::is_same_v<Value, JSONValue>) {
            auto& members = static_cast<typename Value::object_t::Container&>(object);
            const auto [at, fresh] = level.places.try_emplace(level.key, members.size());
            if (!fresh) {
                members[at->second].second = std::move(value);
                return &members[at->second].second;
            }
            members.emplace_back(std::move(level.key), std::move(value));
            return &members.back().second;
        } else {
            auto& member = object[std::move(level.key)];
            member = std::move(value);
            return &member;
        }
    }

    Value& m_root;
    std::vector<Level> m_levels;
    std::string m_failure;
};

} // namespace

template <class Value>
std::optional<Value> JSONFromText(std::string_view text, std::string* failureReason)
{
    Value value;
    JSONBuilder<Value> builder(value);
    if (!Value::sax_parse(text.begin(), text.end(), &builder)) {
        if (failureReason)
            *failureReason = builder.failure();
        return std::nullopt;
    }
    return value;
}

template std::optional<JSONValue> JSONFromText<JSONValue>(std::string_view, std::string*);
template std::optional<nlohmann::json> JSONFromText<nlohmann::json>(std::string_view, std::string*);
