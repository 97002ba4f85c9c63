#pragma once
// Distances inward from the four edges of a rectangle. Any thread (plain values).

struct UIEdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    friend bool operator==(const UIEdgeInsets&, const UIEdgeInsets&) = default;
};

inline constexpr UIEdgeInsets UIEdgeInsetsZero {};

inline constexpr UIEdgeInsets UIEdgeInsetsMake(double top, double left, double bottom, double right)
{
    return UIEdgeInsets { top, left, bottom, right };
}
