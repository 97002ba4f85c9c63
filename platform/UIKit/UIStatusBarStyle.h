#pragma once
// Styles of the status bar's content. A plain value.

enum class UIStatusBarStyle : long {
    Default = 0,      // dark content
    LightContent = 1, // light content, for dark backgrounds
    DarkContent = 3,
};
