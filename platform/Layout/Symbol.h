#pragma once
// A column of the solver's tableau: a user variable (External), the slack of an inequality,
// an error that lets a non-required constraint give way, or the dummy marker of a required
// equality. Ids grow with creation, so ordering by id is ordering by age; the pivot rules
// use it to break ties the same way on every run. Internal to the solver.
#include <compare>
#include <cstdint>
#include <functional>

namespace Layout::detail {

struct Symbol {
    enum class Kind : uint8_t {
        Invalid,
        External,
        Slack,
        Error,
        Dummy,
    };

    uint64_t id = 0;
    Kind kind = Kind::Invalid;

    bool isValid() const { return kind != Kind::Invalid; }
    bool isExternal() const { return kind == Kind::External; }
    bool isDummy() const { return kind == Kind::Dummy; }
    // Slacks and errors are non-negative and may enter the basis; dummies must stay zero.
    bool isPivotable() const { return kind == Kind::Slack || kind == Kind::Error; }

    friend bool operator==(const Symbol& a, const Symbol& b) { return a.id == b.id; }
    friend auto operator<=>(const Symbol& a, const Symbol& b) { return a.id <=> b.id; }
};

struct SymbolHash {
    size_t operator()(const Symbol& s) const noexcept { return std::hash<uint64_t>()(s.id); }
};

} // namespace Layout::detail
