#pragma once
// How strongly a layout constraint, a view's content hugging or its compression resistance
// holds: 1000 is required, anything below gives way to anything above it, whatever the size
// of the error. Any thread (plain values).

using UILayoutPriority = float;

inline constexpr UILayoutPriority UILayoutPriorityRequired = 1000;
inline constexpr UILayoutPriority UILayoutPriorityDefaultHigh = 750;
inline constexpr UILayoutPriority UILayoutPriorityDefaultLow = 250;
inline constexpr UILayoutPriority UILayoutPriorityFittingSizeLevel = 50;

enum class UILayoutConstraintAxis : long {
    Horizontal = 0,
    Vertical = 1,
};

// The intrinsic content size of a view that has none along an axis.
inline constexpr double UIViewNoIntrinsicMetric = -1;
