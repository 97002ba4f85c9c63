#pragma once
// One push per tap: a screen pushes the next only while it (or the screen that holds it as a
// child) is the top of its navigation stack. A double tap, or two answers to one question
// (camera permission, a service call) that each push, would otherwise stack two copies of the
// next screen. Main thread only.
#include <memory>

class UIViewController;

namespace KVNExtensions {

// Pushes `next` onto `from`'s navigation stack when `from` is on top; false when it is not (a
// push already left it, or it has no stack), and nothing is pushed.
bool pushFromTop(const std::shared_ptr<UIViewController>& from, const std::shared_ptr<UIViewController>& next, bool animated);

// Whether `from`, or the screen of its stack that holds it, is the stack's top.
bool isTopOfStack(const std::shared_ptr<UIViewController>& from);

} // namespace KVNExtensions
