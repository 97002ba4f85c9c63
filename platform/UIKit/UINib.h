#pragma once
// Interface files: a bundle's "<name>.nib.json" describes views by class and a few
// attributes, and loading it makes fresh views each time. The format, top-level objects first:
//   {"objects": [{"class": "UIButton", "frame": [x, y, w, h], "accessibilityIdentifier": "...",
//                 "accessibilityLabel": "...", "backgroundColor": [r, g, b, a], "image": "name",
//                 "title": "...", "text": "...", "subviews": [...]}]}
// Classes: UIView, UIImageView (image), UIButton (image, title), UILabel (text). Every
// attribute is optional. Loading throws UINibLoadingException when the file is missing, is not
// such JSON, or names an unknown class, as the platform raises for a broken interface file;
// callers that can live without the views catch it. Main thread only.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class NSBundle;
class UIView;

class UINibLoadingException : public std::runtime_error {
public:
    explicit UINibLoadingException(const std::string& reason) : std::runtime_error(reason) {}
    // The exception's name, as the platform's console shows it.
    static constexpr const char* kName = "NSInternalInconsistencyException";
};

class UINib {
public:
    // The top-level views of the bundle's interface file `name`, in the file's order.
    static std::vector<std::shared_ptr<UIView>> loadNibNamed_inBundle(const std::string& name, const std::shared_ptr<NSBundle>& bundle);
    // The same from the text of such a file, read already; `name` is for the exception.
    static std::vector<std::shared_ptr<UIView>> viewsFromText_named(const std::string& text, const std::string& name);
};
