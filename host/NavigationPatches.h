#pragma once
// The app's look on the navigation add-on's screens. It replaces three of the add-on's
// operations with versions that run the add-on's own steps and add:
//   - a screen made from a layout whose style names "rootBackgroundImageName" becomes the
//     root background controller (the last one made wins);
//   - on every appearance: a screen whose navigator style names "rootBackgroundImageName" swaps the
//     image behind the root background controller's view; the status bar turns light (unless
//     the style's own scheme says otherwise); "tabBarHidden" moves the tab bar, and the
//     overlay button it carries, fully out of sight, and a screen without it brings them back;
//   - a tab controller whose layout style has "overlay" gets a 60-point button from an
//     interface file ("view", "OverlayButton" by default) floating over the middle of its tab
//     bar; a tap selects the tab "overlayTabIndex" of that same controller (0 without one).
// The replacements are installed when the program loads. Main thread only.
#include <memory>

class ScreenController;
class ScreenTabController;
class UIView;

class NavigationPatches {
public:
    // Installs the three replacements; again is harmless.
    static void install();

    static std::shared_ptr<ScreenController> rootBackgroundController();
    // The overlay view of the last tab controller made with one; an earlier tab bar keeps its own.
    static std::shared_ptr<UIView> overlayView();
    static void setOverlayView(const std::shared_ptr<UIView>& view);
    // The overlay button's action: selects the controller's overlay tab.
    static void overlayTouch(ScreenTabController& controller);
    // The tab the controller's overlay button selects.
    static long overlayTabIndexOf(const ScreenTabController& controller);
};
