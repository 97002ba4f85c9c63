#include <gtest/gtest.h>

#include "Private/Extensions/UIApplication+KVNExtensions.h"
#include "Private/Extensions/UIDevice+KVNExtensions.h"
#include "Private/Extensions/UIViewController+KVNExtensions.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIDevice.h"
#include "UIKit/UIView.h"
#include "public/KavoniAppearance.h"
#include "support/KvnTestBundle.h"

using namespace KVNExtensions;

namespace {

class Child : public UIViewController {
public:
    void didMoveToParentViewController(const std::shared_ptr<UIViewController>& parent) override
    {
        if (!parent)
            ++movedToNoParent;
    }
    int movedToNoParent = 0;
};

} // namespace

TEST(ViewControllerExtensions, RemoveOnlyOwnChild)
{
    auto parent = std::make_shared<UIViewController>();
    auto stranger = std::make_shared<UIViewController>();
    auto child = std::make_shared<Child>();
    parent->addChildViewController(child);
    parent->view()->addSubview(child->view());
    child->didMoveToParentViewController(parent);

    removeViewController(stranger, child);
    EXPECT_EQ(child->parentViewController(), parent) << "another controller's child is left alone";
    EXPECT_EQ(child->view()->superview(), parent->view());
    EXPECT_EQ(child->movedToNoParent, 0);

    removeViewController(parent, child);
    EXPECT_EQ(child->parentViewController(), nullptr);
    EXPECT_TRUE(parent->childViewControllers().empty());
    EXPECT_EQ(child->view()->superview(), nullptr);
    EXPECT_GE(child->movedToNoParent, 1) << "the child is told it has no parent";

    removeViewController(parent, child); // no longer a child: nothing happens
    removeViewController(parent, nullptr);
}

TEST(ViewControllerExtensions, RemovingAChildDoesNotLoadItsView)
{
    auto parent = std::make_shared<UIViewController>();
    auto child = std::make_shared<UIViewController>();
    parent->addChildViewController(child);
    removeViewController(parent, child);
    EXPECT_FALSE(child->isViewLoaded());
    EXPECT_EQ(child->parentViewController(), nullptr);
}

namespace {

class StatusBarStyle : public ::testing::Test {
protected:
    void SetUp() override
    {
        KavoniAppearance::resetSharedAppearanceForTesting();
        UIApplication::sharedApplication()->resetForTesting();
    }
    void TearDown() override
    {
        KavoniAppearance::resetSharedAppearanceForTesting();
        UIApplication::sharedApplication()->resetForTesting();
    }
    void setInfo(const std::string& json) { bundle.writeFile("Info.json", json); }

    KvnTestBundle bundle;
    std::shared_ptr<UIViewController> screen = std::make_shared<UIViewController>();
};

} // namespace

TEST_F(StatusBarStyle, InfoKeyReadAsFlag)
{
    struct Case {
        const char* info;
        bool enabled;
        const char* why;
    };
    const Case cases[] = {
        {"{}", true, "absent: screen-based"},
        {R"({"UIViewControllerBasedStatusBarAppearance": false})", false, "boolean"},
        {R"({"UIViewControllerBasedStatusBarAppearance": true})", true, "boolean"},
        {R"({"UIViewControllerBasedStatusBarAppearance": 0})", false, "number"},
        {R"({"UIViewControllerBasedStatusBarAppearance": 1})", true, "number"},
        {R"({"UIViewControllerBasedStatusBarAppearance": "NO"})", true, "a text is not a number"},
    };
    for (const auto& c : cases) {
        setInfo(c.info);
        EXPECT_EQ(viewControllerBasedStatusBarAppearanceEnabled(), c.enabled) << c.info << ": " << c.why;
    }
}

TEST_F(StatusBarStyle, OnlyWithLightContentAndApplicationBasedAppearance)
{
    auto app = UIApplication::sharedApplication();
    struct Case {
        bool lightContent;
        const char* info;
        bool changes;
    };
    const Case cases[] = {
        {true, R"({"UIViewControllerBasedStatusBarAppearance": false})", true},
        {false, R"({"UIViewControllerBasedStatusBarAppearance": false})", false},
        {true, "{}", false},
    };
    for (const auto& c : cases) {
        setInfo(c.info);
        KavoniAppearance::sharedAppearance()->setEnableStatusBarStyleLightContent(c.lightContent);
        app->setStatusBarStyle(UIStatusBarStyle::Default);
        adjustStatusBarStyleAnimated(screen, true);
        EXPECT_EQ(app->statusBarStyle(), c.changes ? UIStatusBarStyle::LightContent : UIStatusBarStyle::Default) << c.info;
        app->setStatusBarStyle(UIStatusBarStyle::LightContent);
        resetStatusBarStyleAnimated(screen, false);
        EXPECT_EQ(app->statusBarStyle(), c.changes ? UIStatusBarStyle::Default : UIStatusBarStyle::LightContent) << c.info;
    }
}

TEST(DeviceExtensions, ModelIsTheMachineName)
{
    UIDevice::setMachineNameForTesting("iPhone12,1");
    EXPECT_EQ(currentDeviceModel(), "iPhone12,1");
    UIDevice::setMachineNameForTesting(std::nullopt);
    EXPECT_FALSE(currentDeviceModel().empty()) << "uname's machine field";
}
