#pragma once
// A place in a list of sections: the section and the row within it. Index paths order by
// section, then row. A plain value, usable from any thread.
#include <compare>
#include <string>

class NSIndexPath {
public:
    constexpr NSIndexPath() = default;
    constexpr NSIndexPath(long section, long row) : m_section(section), m_row(row) {}

    static constexpr NSIndexPath indexPathForRow_inSection(long row, long section) { return NSIndexPath(section, row); }

    constexpr long section() const { return m_section; }
    constexpr long row() const { return m_row; }

    constexpr auto operator<=>(const NSIndexPath&) const = default;
    // "{section, row}", as tests and logs print it.
    std::string description() const { return "{" + std::to_string(m_section) + ", " + std::to_string(m_row) + "}"; }

private:
    long m_section = 0;
    long m_row = 0;
};
