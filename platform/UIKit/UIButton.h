#pragma once
// A push button: a title (plain or attributed), an image and a background image, each set
// per control state, shown by a title label and an image view that the button lays out in
// its content rectangle (bounds less contentEdgeInsets), image left of title, placed by the
// content alignments and shifted by their own edge insets. A state without its own value
// shows the normal state's. While pressed, the image and background darken and a system
// button's title fades; while disabled the image lightens and a system button's title
// greys, unless the state has its own image or colour. The natural size is the content's
// (image and one line of title, from the text layout) plus the content insets.
// Main thread only.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSAttributedString.h"
#include "UIKit/UIControl.h"
#include "UIKit/UIEdgeInsets.h"

class UIColor;
class UIImage;
class UIImageView;
class UILabel;

enum UIButtonType : long {
    UIButtonTypeCustom = 0,
    UIButtonTypeSystem = 1,
    UIButtonTypeDetailDisclosure = 2,
    UIButtonTypeInfoLight = 3,
    UIButtonTypeInfoDark = 4,
    UIButtonTypeContactAdd = 5,
    UIButtonTypeRoundedRect = UIButtonTypeSystem,
};

class UIButton : public UIControl {
public:
    UIButton();
    ~UIButton() override;

    // A new button at a zero frame; the kinds other than custom draw as system buttons.
    static std::shared_ptr<UIButton> buttonWithType(UIButtonType type);
    // The same for a subclass: a new T of that kind, initialised at a zero frame.
    template <class T> static std::shared_ptr<T> buttonWithType(UIButtonType type)
    {
        auto button = std::make_shared<T>();
        button->UIButton::m_type = type;
        button->initWithFrame(CGRectZero);
        return button;
    }
    UIButtonType buttonType() const { return m_type; }

    void initWithFrame(CGRect frame) override;

    void setTitle_forState(const std::optional<std::string>& title, UIControlState state);
    std::optional<std::string> titleForState(UIControlState state) const;
    void setTitleColor_forState(const std::shared_ptr<UIColor>& color, UIControlState state);
    std::shared_ptr<UIColor> titleColorForState(UIControlState state) const;
    // An attributed title replaces the plain one of its state while it is set.
    void setAttributedTitle_forState(const std::shared_ptr<NSAttributedString>& title, UIControlState state);
    std::shared_ptr<NSAttributedString> attributedTitleForState(UIControlState state) const;
    void setImage_forState(const std::shared_ptr<UIImage>& image, UIControlState state);
    std::shared_ptr<UIImage> imageForState(UIControlState state) const;
    void setBackgroundImage_forState(const std::shared_ptr<UIImage>& image, UIControlState state);
    std::shared_ptr<UIImage> backgroundImageForState(UIControlState state) const;

    // What the current state shows.
    std::optional<std::string> currentTitle() const;
    std::shared_ptr<UIColor> currentTitleColor() const;
    std::shared_ptr<NSAttributedString> currentAttributedTitle() const;
    std::shared_ptr<UIImage> currentImage() const;
    std::shared_ptr<UIImage> currentBackgroundImage() const;

    // The label and image view the button shows; the button sets their text, colour and
    // image on every state change, and their frames when it lays out. Style the label's font
    // and lines here.
    std::shared_ptr<UILabel> titleLabel() const { return m_titleLabel; }
    std::shared_ptr<UIImageView> imageView() const { return m_imageView; }

    UIEdgeInsets contentEdgeInsets() const { return m_contentEdgeInsets; }
    void setContentEdgeInsets(UIEdgeInsets insets);
    UIEdgeInsets titleEdgeInsets() const { return m_titleEdgeInsets; }
    void setTitleEdgeInsets(UIEdgeInsets insets);
    UIEdgeInsets imageEdgeInsets() const { return m_imageEdgeInsets; }
    void setImageEdgeInsets(UIEdgeInsets insets);

    bool adjustsImageWhenHighlighted() const { return m_adjustsImageWhenHighlighted; }
    void setAdjustsImageWhenHighlighted(bool adjusts);
    bool adjustsImageWhenDisabled() const { return m_adjustsImageWhenDisabled; }
    void setAdjustsImageWhenDisabled(bool adjusts);

    // Rectangles in the bounds' coordinates, for subclasses to move.
    virtual CGRect contentRectForBounds(CGRect bounds) const;
    virtual CGRect titleRectForContentRect(CGRect contentRect) const;
    virtual CGRect imageRectForContentRect(CGRect contentRect) const;

    CGSize sizeThatFits(CGSize size) const;
    void sizeToFit();
    CGSize intrinsicContentSize() const override;
    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    void tintColorDidChange() override;

    // The current title unless a label of its own was set.
    std::optional<std::string> accessibilityLabel() const override;

protected:
    void stateDidChange() override;
    // A button, not enabled and selected as it is.
    UIAccessibilityTraits defaultAccessibilityTraits() const override;

private:
    struct StateValues {
        std::optional<std::string> title;
        std::shared_ptr<NSAttributedString> attributedTitle;
        std::shared_ptr<UIColor> titleColor;
        std::shared_ptr<UIImage> image;
        std::shared_ptr<UIImage> backgroundImage;
    };
    // The state's own values, else the normal state's, field by field.
    template <class T>
    T lookUp(UIControlState state, T StateValues::*field) const;
    // The natural sizes of the current title (one line) and image.
    CGSize titleSize() const;
    CGSize imageSize() const;
    std::shared_ptr<UIColor> defaultTitleColor(UIControlState state) const;
    // Puts the current state's values on the label and image view.
    void refresh();
    bool showsHighlightShade() const;

    UIButtonType m_type = UIButtonTypeCustom;
    std::map<UIControlState, StateValues> m_values;
    std::shared_ptr<UILabel> m_titleLabel;
    std::shared_ptr<UIImageView> m_imageView;
    UIEdgeInsets m_contentEdgeInsets;
    UIEdgeInsets m_titleEdgeInsets;
    UIEdgeInsets m_imageEdgeInsets;
    bool m_adjustsImageWhenHighlighted = true;
    bool m_adjustsImageWhenDisabled = true;
};
