#include "ScriptRuntime/ScreenController.h"

#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSLog.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UITabBarController.h"

namespace {

ScreenController::LayoutOperation& layoutOperation()
{
    static ScreenController::LayoutOperation operation;
    return operation;
}

ScreenController::StyleOperation& styleOperation()
{
    static ScreenController::StyleOperation operation;
    return operation;
}

constexpr double kTextMargin = 16;
constexpr double kLineHeight = 28;
constexpr double kTopOffset = 72;

// "#rrggbb" as a colour; null for anything else.
std::shared_ptr<UIColor> colorFromHex(const std::string& text)
{
    if (text.size() != 7 || text[0] != '#')
        return nullptr;
    unsigned value = 0;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return nullptr;
        value = value * 16 + digit;
    }
    return UIColor::colorWithRed_green_blue_alpha(((value >> 16) & 0xff) / 255.0, ((value >> 8) & 0xff) / 255.0, (value & 0xff) / 255.0,
                                                  1.0);
}

} // namespace

std::shared_ptr<ScreenController> ScreenController::controllerWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps)
{
    KVN_ASSERT_MAIN_THREAD();
    if (const auto& operation = layoutOperation())
        return operation(layout, globalProps);
    return makeControllerWithLayout(layout, globalProps);
}

std::shared_ptr<ScreenController> ScreenController::makeControllerWithLayout(const nlohmann::json& layout, const nlohmann::json& globalProps)
{
    auto screen = std::make_shared<ScreenController>();
    screen->initWithLayout_globalProps(layout, globalProps);
    if (auto name = screen->layoutStyleText("rootBackgroundImageName")) {
        auto image = UIImage::imageNamed(*name);
        if (!image)
            NSLog("ScreenController: no image \"%@\" for the screen's background", *name);
        auto background = std::make_shared<UIImageView>();
        background->initWithImage(image);
        background->setContentMode(UIViewContentModeScaleAspectFill);
        background->setFrame(screen->view()->bounds());
        screen->view()->insertSubview_atIndex(background, 0);
    }
    return screen;
}

void ScreenController::setLayoutOperation(LayoutOperation operation)
{
    layoutOperation() = std::move(operation);
}

void ScreenController::setStyleOperation(StyleOperation operation)
{
    styleOperation() = std::move(operation);
}

void ScreenController::initWithLayout_globalProps(const nlohmann::json& layout, const nlohmann::json& globalProps)
{
    init();
    m_layout = layout;
    m_globalProps = SharedGlobalProps::share(globalProps);
    if (layout.is_object() && layout.contains("style") && layout["style"].is_object())
        m_layoutStyle = layout["style"];
    if (layout.is_object() && layout.contains("navigatorStyle") && layout["navigatorStyle"].is_object())
        m_style = layout["navigatorStyle"];
    if (layout.is_object() && layout.contains("title") && layout["title"].is_string())
        setTitle(layout["title"].get<std::string>());
}

void ScreenController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    view()->setBackgroundColor(UIColor::whiteColor());
    if (!m_layout.is_object() || !m_layout.contains("texts") || !m_layout["texts"].is_array())
        return;
    // A screen drawn over a dark background image needs light text to stay readable.
    std::shared_ptr<UIColor> textColor;
    if (auto colorText = layoutStyleText("textColor")) {
        textColor = colorFromHex(*colorText);
        if (!textColor)
            NSLog("ScreenController: \"textColor\" %@ is not #rrggbb; ignored", *colorText);
    }
    double y = kTopOffset;
    for (const auto& text : m_layout["texts"]) {
        if (!text.is_string())
            continue;
        auto label = std::make_shared<UILabel>();
        label->initWithFrame(CGRectMake(kTextMargin, y, view()->bounds().size.width - 2 * kTextMargin, kLineHeight));
        label->setFont(UIFont::systemFontOfSize(17));
        label->setText(text.get<std::string>());
        if (textColor)
            label->setTextColor(textColor);
        view()->addSubview(label);
        y += kLineHeight;
    }
}

void ScreenController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    applyStyleOnAppear(false);
}

void ScreenController::viewDidAppear(bool animated)
{
    UIViewController::viewDidAppear(animated);
    applyStyleOnAppear(true);
}

void ScreenController::viewDidLayoutSubviews()
{
    UIViewController::viewDidLayoutSubviews();
    // The background follows the screen's size; whoever put it there chose the image.
    const auto& subviews = view()->subviews();
    if (!subviews.empty() && std::dynamic_pointer_cast<UIImageView>(subviews.front()) && layoutStyleText("rootBackgroundImageName"))
        subviews.front()->setFrame(view()->bounds());
}

void ScreenController::applyStyleOnAppear(bool appeared)
{
    KVN_ASSERT_MAIN_THREAD();
    if (const auto& operation = styleOperation())
        operation(*this, appeared);
    else
        applyOwnStyle(appeared);
}

void ScreenController::applyOwnStyle(bool)
{
    applyBackgroundStyle();
    applyTabBarStyle();
    applyNavigationBarStyle();
    applyStatusBarStyle();
}

void ScreenController::applyBackgroundStyle()
{
    auto text = styleText("screenBackgroundColor");
    if (!text)
        return;
    if (auto color = colorFromHex(*text))
        view()->setBackgroundColor(color);
    else
        NSLog("ScreenController: \"screenBackgroundColor\" %@ is not #rrggbb; ignored", *text);
}

void ScreenController::applyTabBarStyle()
{
    if (!styleFlag("tabBarHidden"))
        return;
    if (auto tabs = tabBarController()) {
        auto bar = tabs->tabBar();
        bar->setTransform(CGAffineTransformMakeTranslation(0, bar->bounds().size.height));
    }
}

void ScreenController::applyNavigationBarStyle()
{
    if (!navigatorStyle().contains("navBarHidden"))
        return;
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(styleFlag("navBarHidden"));
}

void ScreenController::applyStatusBarStyle()
{
    auto scheme = styleText("statusBarTextColorScheme");
    if (!scheme)
        return;
    if (*scheme != "light" && *scheme != "dark") {
        NSLog("ScreenController: \"statusBarTextColorScheme\" %@ is neither light nor dark; ignored", *scheme);
        return;
    }
    const auto style = *scheme == "light" ? UIStatusBarStyle::LightContent : UIStatusBarStyle::DarkContent;
    setPreferredStatusBarStyle(style);
    UIApplication::sharedApplication()->setStatusBarStyle(style);
}

bool ScreenController::styleFlag(const char* key) const
{
    auto it = m_style.find(key);
    return it != m_style.end() && it->is_boolean() && it->get<bool>();
}

std::optional<std::string> ScreenController::styleText(const char* key) const
{
    auto it = m_style.find(key);
    if (it == m_style.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}

std::optional<std::string> ScreenController::layoutStyleText(const char* key) const
{
    auto it = m_layoutStyle.find(key);
    if (it == m_layoutStyle.end() || !it->is_string())
        return std::nullopt;
    return it->get<std::string>();
}

void ScreenController::setPreferredStatusBarStyle(UIStatusBarStyle style)
{
    // No appearance update: the style step sets the application's style itself, and an update
    // would ask the containers above this screen instead.
    m_statusBarStyle = style;
}
