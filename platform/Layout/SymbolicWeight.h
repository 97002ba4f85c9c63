#pragma once
// A coefficient of the solver's objective: one number per strength level, compared level by
// level from the highest down, so that a lower level never outweighs a higher one however
// large its value. Parts closer to zero than the solver's tolerance are dropped. Internal to
// the solver.
#include <utility>
#include <vector>

namespace Layout::detail {

class SymbolicWeight {
public:
    SymbolicWeight() = default;
    static SymbolicWeight at(double level, double value);

    SymbolicWeight& operator+=(const SymbolicWeight& other);
    SymbolicWeight operator*(double factor) const;

    bool isZero() const { return m_parts.empty(); }
    // -1, 0 or 1: the sign of the highest level's value.
    int sign() const;
    // Lexicographic order, highest level first.
    friend bool operator<(const SymbolicWeight& a, const SymbolicWeight& b);

private:
    // (level, value), highest level first, no zero values.
    std::vector<std::pair<double, double>> m_parts;
};

inline bool nearZero(const SymbolicWeight& w) { return w.isZero(); }

} // namespace Layout::detail
