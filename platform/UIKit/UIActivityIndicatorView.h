#pragma once
// The spinner: twelve spokes whose brightest one turns once a second on the run loop's
// clock while it animates (a picture taken at any moment shows that moment's turn). Hidden
// while stopped unless hidesWhenStopped is off. Main thread only.
#include <memory>

#include "UIKit/UIView.h"

class UIColor;

enum UIActivityIndicatorViewStyle : long {
    UIActivityIndicatorViewStyleWhiteLarge = 0,
    UIActivityIndicatorViewStyleWhite = 1,
    UIActivityIndicatorViewStyleGray = 2,
    UIActivityIndicatorViewStyleMedium = 100,
    UIActivityIndicatorViewStyleLarge = 101,
};

class UIActivityIndicatorView : public UIView {
public:
    UIActivityIndicatorView() = default;
    // Sized for the style (37 points for the large ones, else 20), coloured by it.
    virtual void initWithActivityIndicatorStyle(UIActivityIndicatorViewStyle style);
    void initWithFrame(CGRect frame) override;

    UIActivityIndicatorViewStyle activityIndicatorViewStyle() const { return m_style; }
    void setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle style);
    std::shared_ptr<UIColor> color() const { return m_color; }
    // nil brings the style's colour back.
    virtual void setColor(std::shared_ptr<UIColor> color);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animating; }
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }
    void setHidesWhenStopped(bool hides);

    CGSize intrinsicContentSize() const override;
    void drawRect(CGRect rect) override;

private:
    UIActivityIndicatorViewStyle m_style = UIActivityIndicatorViewStyleWhite;
    std::shared_ptr<UIColor> m_color;
    bool m_animating = false;
    bool m_hidesWhenStopped = true;
    double m_startedAt = 0;
};
