#include "UIKit/UINib.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "Foundation/NSBundle.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIImageView.h"
#include "UIKit/UILabel.h"

namespace {

// Deep enough for any real interface, shallow enough that a hostile file cannot exhaust the
// stack.
constexpr int kMaximumDepth = 32;

[[noreturn]] void fail(const std::string& name, const std::string& why)
{
    throw UINibLoadingException("Could not load the interface file \"" + name + "\": " + why);
}

double number(const nlohmann::json& value, const std::string& name, const char* key)
{
    if (!value.is_number())
        fail(name, std::string("\"") + key + "\" holds something other than numbers");
    return value.get<double>();
}

std::shared_ptr<UIImage> image(const nlohmann::json& object, const std::string& name)
{
    if (!object.contains("image"))
        return nullptr;
    if (!object["image"].is_string())
        fail(name, "\"image\" is not a text");
    auto image = UIImage::imageNamed(object["image"].get<std::string>());
    if (!image)
        fail(name, "no image \"" + object["image"].get<std::string>() + "\" in the bundle");
    return image;
}

std::optional<std::string> text(const nlohmann::json& object, const char* key, const std::string& name)
{
    if (!object.contains(key))
        return std::nullopt;
    if (!object[key].is_string())
        fail(name, std::string("\"") + key + "\" is not a text");
    return object[key].get<std::string>();
}

std::shared_ptr<UIView> makeView(const nlohmann::json& object, const std::string& name, int depth)
{
    if (depth > kMaximumDepth)
        fail(name, "views nest too deeply");
    if (!object.is_object())
        fail(name, "an entry is not an object");
    // text() fails a class that is not a text with the loader's own exception, as it does
    // every other attribute, not the JSON library's type error.
    const std::string className = text(object, "class", name).value_or("UIView");
    std::shared_ptr<UIView> view;
    if (className == "UIView") {
        view = std::make_shared<UIView>();
        view->init();
    } else if (className == "UIImageView") {
        auto imageView = std::make_shared<UIImageView>();
        imageView->initWithImage(image(object, name));
        view = imageView;
    } else if (className == "UIButton") {
        auto button = UIButton::buttonWithType(UIButtonTypeCustom);
        if (auto picture = image(object, name))
            button->setImage_forState(picture, UIControlStateNormal);
        if (auto title = text(object, "title", name))
            button->setTitle_forState(title, UIControlStateNormal);
        view = button;
    } else if (className == "UILabel") {
        auto label = std::make_shared<UILabel>();
        label->init();
        label->setText(text(object, "text", name));
        view = label;
    } else {
        fail(name, "unknown class \"" + className + "\"");
    }
    if (object.contains("frame")) {
        const auto& frame = object["frame"];
        if (!frame.is_array() || frame.size() != 4)
            fail(name, "\"frame\" is not [x, y, width, height]");
        view->setFrame(CGRectMake(number(frame[0], name, "frame"), number(frame[1], name, "frame"), number(frame[2], name, "frame"),
                                  number(frame[3], name, "frame")));
    }
    if (object.contains("backgroundColor")) {
        const auto& color = object["backgroundColor"];
        if (!color.is_array() || color.size() != 4)
            fail(name, "\"backgroundColor\" is not [red, green, blue, alpha]");
        view->setBackgroundColor(UIColor::colorWithRed_green_blue_alpha(
            number(color[0], name, "backgroundColor"), number(color[1], name, "backgroundColor"),
            number(color[2], name, "backgroundColor"), number(color[3], name, "backgroundColor")));
    }
    view->setAccessibilityIdentifier(text(object, "accessibilityIdentifier", name));
    view->setAccessibilityLabel(text(object, "accessibilityLabel", name));
    if (object.contains("subviews")) {
        if (!object["subviews"].is_array())
            fail(name, "\"subviews\" is not a list");
        for (const auto& child : object["subviews"])
            view->addSubview(makeView(child, name, depth + 1));
    }
    return view;
}

} // namespace

std::vector<std::shared_ptr<UIView>> UINib::loadNibNamed_inBundle(const std::string& name, const std::shared_ptr<NSBundle>& bundle)
{
    const auto path = bundle ? bundle->pathForResource_ofType(name, "nib.json") : std::nullopt;
    if (!path)
        fail(name, "no such file in the bundle");
    std::ifstream file(*path, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    return viewsFromText_named(contents.str(), name);
}

std::vector<std::shared_ptr<UIView>> UINib::viewsFromText_named(const std::string& text, const std::string& name)
{
    const auto document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("objects") || !document["objects"].is_array())
        fail(name, "not an interface file (a JSON object with a list \"objects\")");
    std::vector<std::shared_ptr<UIView>> views;
    for (const auto& object : document["objects"])
        views.push_back(makeView(object, name, 0));
    return views;
}
