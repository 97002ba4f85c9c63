#include "UIKit/ViewAnimator.h"

#include <cmath>

#include "Foundation/Dispatch.h"
#include "Foundation/MainThreadChecker.h"
#include "Foundation/NSRunLoop.h"

namespace kvn {

struct ViewAnimator::Group {
    Completion completion;
    int live = 0;
    bool finished = true;
    bool done = false;
    uint64_t timerId = 0;
};

namespace {

// A cubic Bézier timing curve from (0, 0) to (1, 1): the eased progress at time `x`.
double bezier(double x1, double y1, double x2, double y2, double x)
{
    auto at = [](double a, double b, double s) { return 3 * a * s * (1 - s) * (1 - s) + 3 * b * s * s * (1 - s) + s * s * s; };
    double lo = 0, hi = 1, s = x;
    for (int i = 0; i < 40; ++i) {
        s = (lo + hi) / 2;
        if (at(x1, x2, s) < x)
            lo = s;
        else
            hi = s;
    }
    return at(y1, y2, s);
}

double ease(UIViewAnimationOptions options, double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    switch (options & UIViewAnimationOptionCurveMask) {
    case UIViewAnimationOptionCurveLinear:
        return x;
    case UIViewAnimationOptionCurveEaseIn:
        return bezier(0.42, 0, 1, 1, x);
    case UIViewAnimationOptionCurveEaseOut:
        return bezier(0, 0, 0.58, 1, x);
    default:
        return bezier(0.42, 0, 0.58, 1, x);
    }
}

double sanitized(double seconds) { return std::isfinite(seconds) && seconds > 0 ? seconds : 0; }

} // namespace

ViewAnimator& ViewAnimator::shared()
{
    // Never destroyed: views that outlive static destruction still let go of their animations.
    static auto* animator = new ViewAnimator;
    return *animator;
}

void ViewAnimator::animate(double duration, double delay, UIViewAnimationOptions options, const std::function<void()>& changes,
                           Completion completion)
{
    KVN_ASSERT_MAIN_THREAD();
    duration = sanitized(duration);
    delay = sanitized(delay);
    auto group = std::make_shared<Group>();
    group->completion = std::move(completion);
    m_blocks.push_back({duration, delay, options, group});
    if (changes)
        changes();
    m_blocks.pop_back();

    bool repeats = (options & UIViewAnimationOptionRepeat) && duration > 0 && group->live > 0;
    if (repeats)
        return; // runs until taken away
    double total = delay + duration * ((options & UIViewAnimationOptionAutoreverse) ? 2 : 1);
    if (total <= 0) {
        dispatch_async(dispatch_get_main_queue(), [this, group] { finishGroup(group); });
        return;
    }
    auto loop = NSRunLoop::mainRunLoop();
    group->timerId = loop->scheduleAt(loop->now() + total, [this, group] { finishGroup(group); });
}

void ViewAnimator::propertyWillChange(UIView& view, int key, const Value& modelBefore, const Value& to)
{
    if (!isRecording())
        return;
    const Block& block = m_blocks.back();
    Value from = modelBefore;
    auto& perView = m_animations[&view];
    if (auto it = perView.find(key); it != perView.end()) {
        if (block.options & UIViewAnimationOptionBeginFromCurrentState)
            from = presentation(view, key, modelBefore);
        Animation old = std::move(it->second);
        perView.erase(it);
        detach(old);
    }
    if (from == to || from.size() != to.size()) {
        if (perView.empty())
            m_animations.erase(&view);
        return;
    }
    auto loop = NSRunLoop::mainRunLoop();
    perView[key] = Animation{from, to, loop->now() + block.delay, block.duration, block.options, block.group};
    ++block.group->live;
}

double ViewAnimator::progress(const Animation& animation, double now, bool& over)
{
    over = false;
    double t = now - animation.start;
    if (t < 0)
        return 0;
    if (animation.duration <= 0) {
        over = true;
        return 1;
    }
    double p = t / animation.duration;
    bool reverses = animation.options & UIViewAnimationOptionAutoreverse;
    if (!(animation.options & UIViewAnimationOptionRepeat) && p >= (reverses ? 2 : 1)) {
        over = true;
        return 1;
    }
    double cycle = std::floor(p);
    double within = p - cycle;
    if (reverses && std::fmod(cycle, 2) == 1)
        within = 1 - within;
    return ease(animation.options, within);
}

ViewAnimator::Value ViewAnimator::presentation(const UIView& view, int key, const Value& model) const
{
    auto perView = m_animations.find(&view);
    if (perView == m_animations.end())
        return model;
    auto it = perView->second.find(key);
    if (it == perView->second.end())
        return model;
    const Animation& animation = it->second;
    bool over = false;
    double eased = progress(animation, NSRunLoop::mainRunLoop()->now(), over);
    if (over)
        return model;
    Value shown(animation.to.size());
    for (size_t i = 0; i < shown.size(); ++i)
        shown[i] = animation.from[i] + (animation.to[i] - animation.from[i]) * eased;
    return shown;
}

bool ViewAnimator::hasAnimations(const UIView& view) const { return m_animations.contains(&view); }

bool ViewAnimator::blocksInteraction(const UIView& view) const
{
    auto perView = m_animations.find(&view);
    if (perView == m_animations.end())
        return false;
    double now = NSRunLoop::mainRunLoop()->now();
    for (const auto& [key, animation] : perView->second) {
        bool over = false;
        progress(animation, now, over);
        if (!over && !(animation.options & UIViewAnimationOptionAllowUserInteraction))
            return true;
    }
    return false;
}

void ViewAnimator::removeAnimations(const UIView& view)
{
    auto perView = m_animations.find(&view);
    if (perView == m_animations.end())
        return;
    auto animations = std::move(perView->second);
    m_animations.erase(perView);
    for (const auto& [key, animation] : animations)
        detach(animation);
}

void ViewAnimator::detach(const Animation& animation)
{
    auto group = animation.group;
    group->finished = false;
    if (--group->live == 0 && !group->done)
        dispatch_async(dispatch_get_main_queue(), [this, group] { finishGroup(group); });
}

void ViewAnimator::finishGroup(const std::shared_ptr<Group>& group)
{
    if (group->done)
        return;
    group->done = true;
    if (group->timerId)
        NSRunLoop::mainRunLoop()->cancelTimer(group->timerId);
    for (auto it = m_animations.begin(); it != m_animations.end();) {
        std::erase_if(it->second, [&](const auto& entry) { return entry.second.group == group; });
        it = it->second.empty() ? m_animations.erase(it) : std::next(it);
    }
    if (auto completion = std::move(group->completion))
        completion(group->finished);
}

} // namespace kvn
