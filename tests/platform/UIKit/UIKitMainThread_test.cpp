// Views and view controllers belong to the main thread: their entry points stop a caller on
// any other thread, naming the operation.
#include "UIKitTestFixture.h"

#include "support/OffMainThreadCall.h"

namespace {

class UIKitMainThreadTest : public UIKitTest {};

TEST_F(UIKitMainThreadTest, EntryPointsOfViewsAndControllersAbortOffTheMainThread)
{
    KVN_SKIP_UNLESS_MAIN_THREAD_CHECKED();
    auto view = std::make_shared<UIView>();
    view->init();
    auto subview = std::make_shared<UIView>();
    subview->init();
    auto controller = std::make_shared<UIViewController>();
    auto other = std::make_shared<UIViewController>();
    expectEachToDieOffTheMainThread({
        {"UIView::initWithFrame", [] { std::make_shared<UIView>()->init(); }},
        {"UIView::addSubview", [=] { view->addSubview(subview); }},
        {"UIView::setFrame", [=] { view->setFrame(CGRectMake(0, 0, 10, 10)); }},
        {"UIView::layoutIfNeeded", [=] { view->layoutIfNeeded(); }},
        {"UIViewController::view", [=] { controller->view(); }},
        {"UIViewController::addChildViewController", [=] { controller->addChildViewController(other); }},
        {"UIViewController::presentViewController_animated_completion",
         [=] { controller->presentViewController_animated_completion(other, false, nullptr); }},
    });
}

} // namespace
