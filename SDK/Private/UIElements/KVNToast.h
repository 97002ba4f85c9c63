#pragma once
// The dark rounded note in which the video screen shows an agent's message while the chat is
// closed: it fades in over 0.25 s, stays 4 s from the end of the fade-in, and fades out. A new
// text restarts it from hidden. Main thread only; the timing runs on the main run loop.
#include <functional>
#include <memory>
#include <string>

#include "UIKit/UIView.h"

class KVNTimer;
class UILabel;
class UIViewController;

class KVNToast : public UIView {
public:
    using Completion = std::function<void()>;

    static constexpr double fadeDuration = 0.25;
    static constexpr double displayDuration = 4.0;

    ~KVNToast() override;
    void initWithFrame(CGRect frame) override;
    void layoutSubviews() override;

    const std::shared_ptr<UILabel>& label() const { return m_label; }
    const std::shared_ptr<KVNTimer>& timer() const { return m_timer; }

    void showText_completion(const std::string& text, Completion completion);
    void showText(const std::string& text) { showText_completion(text, nullptr); }
    void dismissWithCompletion(Completion completion);
    void dismiss() { dismissWithCompletion(nullptr); }

    // A toast of its own on the controller's view, removed once it has gone.
    static void show_withText(const std::shared_ptr<UIViewController>& controller, const std::string& text);

private:
    void setUp();

    std::shared_ptr<UILabel> m_label;
    std::shared_ptr<KVNTimer> m_timer;
    unsigned long m_generation = 0;
};
