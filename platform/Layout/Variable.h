#pragma once
// A quantity the solver finds a value for (a view's left edge, a guide's height). A Variable
// is a handle: copies name the same quantity, and two variables made apart are different
// even when they carry the same name. The name only serves logs and test failures.
// Plain value type; a solver and its variables belong to one thread.
#include <functional>
#include <memory>
#include <string>

namespace Layout {

class Variable {
public:
    Variable() : m_data(std::make_shared<Data>()) {}
    explicit Variable(std::string name) : m_data(std::make_shared<Data>(Data { std::move(name) })) {}

    const std::string& name() const { return m_data->name; }
    // Stable for the life of the quantity; keys the solver's tables.
    const void* identity() const { return m_data.get(); }

    friend bool operator==(const Variable& a, const Variable& b) { return a.m_data == b.m_data; }

private:
    struct Data {
        std::string name;
    };
    std::shared_ptr<Data> m_data;
};

} // namespace Layout

template<>
struct std::hash<Layout::Variable> {
    size_t operator()(const Layout::Variable& v) const noexcept { return std::hash<const void*>()(v.identity()); }
};
