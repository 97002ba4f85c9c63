#pragma once
// A bar that fills from the left with the progress (0 ... 1) over its track. An animated
// change moves the drawn fill on the run loop's clock while progress() answers the new
// value at once. Main thread only.
#include <memory>

#include "UIKit/UIView.h"

class UIColor;

enum UIProgressViewStyle : long {
    UIProgressViewStyleDefault = 0,
    UIProgressViewStyleBar = 1,
};

class UIProgressView : public UIView {
public:
    UIProgressView() = default;
    virtual void initWithProgressViewStyle(UIProgressViewStyle style);
    void initWithFrame(CGRect frame) override;

    UIProgressViewStyle progressViewStyle() const { return m_style; }
    float progress() const { return m_progress; }
    // Held inside 0 ... 1; not a number counts as 0.
    void setProgress(float progress) { setProgress_animated(progress, false); }
    void setProgress_animated(float progress, bool animated);
    // nil: the tint colour and a light grey.
    std::shared_ptr<UIColor> progressTintColor() const { return m_progressTintColor; }
    void setProgressTintColor(std::shared_ptr<UIColor> color) { m_progressTintColor = std::move(color); }
    std::shared_ptr<UIColor> trackTintColor() const { return m_trackTintColor; }
    void setTrackTintColor(std::shared_ptr<UIColor> color) { m_trackTintColor = std::move(color); }

    CGSize intrinsicContentSize() const override;
    void drawRect(CGRect rect) override;

private:
    enum : int { ProgressKey = FirstSubclassKey };

    UIProgressViewStyle m_style = UIProgressViewStyleDefault;
    float m_progress = 0;
    std::shared_ptr<UIColor> m_progressTintColor;
    std::shared_ptr<UIColor> m_trackTintColor;
};
