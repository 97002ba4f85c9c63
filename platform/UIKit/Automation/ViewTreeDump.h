#pragma once
// A window's view tree as text, one view a line, subviews indented two spaces below their
// superview, in drawing order, for tests to compare and people to read:
//   UIButton (20, 40, 100, 44) text="OK" id="login" alpha=0.5 hidden
// The class name, the frame in the window's coordinates (the root's when the tree hangs in
// no window), the text the view shows (ViewFinder's visible text; quotes, backslashes and
// line breaks escaped), the accessibility identifier, and the alpha and hidden flag where
// they differ from the defaults. Numbers have at most two decimals. Main thread only.
#include <memory>
#include <string>

class UIView;

namespace Automation {

class ViewTreeDump {
public:
    static std::string textOf(const std::shared_ptr<UIView>& root);

    // The view's class as written in code (namespaces kept, anonymous ones dropped).
    static std::string className(const UIView& view);
    // At most two decimals, no trailing zeros, never "-0".
    static std::string number(double value);
};

} // namespace Automation
