#pragma once
// How much a constraint matters. A required constraint must hold; every other strength is a
// level and a weight. Levels dominate outright: no amount of error at a lower level buys a
// smaller error at a higher one. Within one level the errors of the constraints are added,
// each multiplied by its weight. The named tiers are the levels 1 (weak), 2 (medium) and
// 3 (strong); callers with a finer scale of their own (UIKit's priorities) pass any positive
// level. Plain value type.
#include <cmath>
#include <limits>

namespace Layout {

class Strength {
public:
    static Strength required() { return Strength(std::numeric_limits<double>::infinity(), 1.0); }
    static Strength strong(double weight = 1.0) { return Strength(3.0, weight); }
    static Strength medium(double weight = 1.0) { return Strength(2.0, weight); }
    static Strength weak(double weight = 1.0) { return Strength(1.0, weight); }
    static Strength atLevel(double level, double weight = 1.0) { return Strength(level, weight); }

    bool isRequired() const { return std::isinf(m_level) && m_level > 0; }
    double level() const { return m_level; }
    double weight() const { return m_weight; }
    // A level above zero (or required) and a finite weight above zero.
    bool isValid() const { return m_level > 0 && !std::isnan(m_level) && std::isfinite(m_weight) && m_weight > 0; }

    friend bool operator==(const Strength&, const Strength&) = default;

private:
    Strength(double level, double weight) : m_level(level), m_weight(weight) {}

    double m_level;
    double m_weight;
};

} // namespace Layout
