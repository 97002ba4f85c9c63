#pragma once
// The options of view animations: bits that combine, and one curve in bits 16..19.
// Plain values, any thread.

using UIViewAnimationOptions = unsigned long;

inline constexpr UIViewAnimationOptions UIViewAnimationOptionLayoutSubviews = 1 << 0;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionAllowUserInteraction = 1 << 1;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionBeginFromCurrentState = 1 << 2;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionRepeat = 1 << 3;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionAutoreverse = 1 << 4;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveEaseInOut = 0 << 16;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveEaseIn = 1 << 16;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveEaseOut = 2 << 16;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveLinear = 3 << 16;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveMask = 0xF << 16;
