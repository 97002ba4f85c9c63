#include "MainJob.h"

#include <cxxabi.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <typeinfo>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/NSError.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSNotificationCenter.h"
#include "Foundation/NSRunLoop.h"
#include "Foundation/NSTimer.h"
#include "KavoniViewController.h"
#include "MainJobLogLines.h"
#include "Private/Tasks/VideoIdent/Identification/KVNNotificationResultViewController.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UINavigationItem.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITabBarController.h"
#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"
#include "UIKit/ViewAnimator.h"

namespace {

// The job of this process, when the environment asks for one; it lives as long as the program.
[[maybe_unused]] const bool kMainJobInstalled = [] {
    auto options = MainJob::optionsFromEnvironment();
    if (!options)
        return false;
    // Before any thread starts: the forwarder is a process of its own.
    kvn::keepLogWritesOnLinesOfTheirOwn();
    // The phone's screen, before the app makes its window from it.
    if (options->screenSize)
        UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, options->screenSize->width, options->screenSize->height));
    static std::shared_ptr<MainJob> job = std::make_shared<MainJob>(*options);
    NSNotificationCenter::defaultCenter()->addObserverForName_object_queue_usingBlock(UIApplicationDidFinishLaunchingNotification, nullptr,
                                                                                     nullptr, [](const NSNotification&) { job->start(); });
    return true;
}();

// The demangler's text is malloc'd.
struct MallocDeleter {
    void operator()(char* text) const { std::free(text); }
};

std::string className(const UIViewController& controller)
{
    const char* mangled = typeid(controller).name();
    int status = 0;
    const std::unique_ptr<char, MallocDeleter> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status));
    return status == 0 && demangled ? demangled.get() : mangled;
}

std::optional<std::string> titleOf(const std::shared_ptr<UIViewController>& controller)
{
    if (controller->title())
        return controller->title();
    return controller->navigationItem()->title();
}

// "KVNCheckTableViewController \"Title\"" for a navigation controller's top screen (through the
// selected tab of a tab controller),
// "UIAlertController \"Error\": message" for an alert.
std::string describe(const std::shared_ptr<UIViewController>& screen)
{
    auto shown = screen;
    std::string text;
    if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(shown); tabs && tabs->selectedViewController()) {
        shown = tabs->selectedViewController();
        text = className(*tabs) + " with ";
    }
    if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(shown); navigation && navigation->topViewController()) {
        shown = navigation->topViewController();
        text += className(*navigation) + " with ";
    }
    text += className(*shown);
    if (auto title = titleOf(shown))
        text += " \"" + *title + "\"";
    if (auto alert = std::dynamic_pointer_cast<UIAlertController>(shown))
        text += ": " + alert->message().value_or("");
    // The panels a screen swaps over its own content.
    std::string children;
    for (const auto& child : shown->childViewControllers())
        children += (children.empty() ? "" : ", ") + className(*child);
    if (!children.empty())
        text += " [" + children + "]";
    return text;
}

// A name for a picture file: letters and digits of the class name, then the caption's words
// joined by dashes.
std::string fileNamePart(const std::shared_ptr<UIViewController>& screen, const std::string& caption)
{
    auto shown = screen;
    if (auto tabs = std::dynamic_pointer_cast<UITabBarController>(shown); tabs && tabs->selectedViewController())
        shown = tabs->selectedViewController();
    if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(shown); navigation && navigation->topViewController())
        shown = navigation->topViewController();
    std::string part;
    for (char c : className(*shown))
        if (std::isalnum(static_cast<unsigned char>(c)))
            part += c;
    // Enough of the caption to tell the pictures apart.
    constexpr size_t kCaptionLength = 40;
    const size_t end = part.size() + kCaptionLength;
    bool gap = true;
    for (char c : caption) {
        if (part.size() >= end)
            break;
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (gap)
                part += '-';
            part += c;
            gap = false;
        } else {
            gap = true;
        }
    }
    return part;
}

double timeoutFromEnvironment(double fallback)
{
    const char* text = std::getenv("KVN_MAIN_JOB_TIMEOUT");
    if (!text || !*text)
        return fallback;
    char* end = nullptr;
    double seconds = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(seconds > 0) || seconds > 24 * 3600) {
        NSLog("main job: ignoring KVN_MAIN_JOB_TIMEOUT=\"%s\": not a number of seconds; %.0f s stand in", text, fallback);
        return fallback;
    }
    return seconds;
}

} // namespace

std::optional<CGSize> MainJob::screenSizeFromText(const std::string& text)
{
    // "<width>x<height>" in points, each a whole number a phone could have.
    unsigned width = 0, height = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%ux%u%c", &width, &height, &rest) != 2)
        return std::nullopt;
    if (width < 200 || height < 200 || width > 2000 || height > 2000)
        return std::nullopt;
    return CGSizeMake(width, height);
}

bool MainJob::windowIsSettled(const std::shared_ptr<UIView>& view)
{
    if (!view)
        return true;
    if (kvn::ViewAnimator::shared().hasAnimations(*view))
        return false;
    for (const auto& subview : view->subviews())
        if (!windowIsSettled(subview))
            return false;
    return true;
}

std::optional<MainJob::Options> MainJob::optionsFromEnvironment()
{
    const char* mode = std::getenv("KVN_MAIN_JOB");
    if (!mode || std::string(mode) != "1")
        return std::nullopt;
    Options options;
    if (const char* folder = std::getenv("KVN_MAIN_JOB_OUTPUT"); folder && *folder)
        options.outputFolder = folder;
    options.timeoutSeconds = timeoutFromEnvironment(options.timeoutSeconds);
    if (const char* screen = std::getenv("KVN_MAIN_JOB_SCREEN"); screen && *screen) {
        options.screenSize = screenSizeFromText(screen);
        if (!options.screenSize)
            NSLog("main job: ignoring KVN_MAIN_JOB_SCREEN=\"%s\": not a screen size such as 320x480; the phone's own stands in", screen);
    }
    return options;
}

MainJob::MainJob(Options options, std::optional<kvn::MainJobUser::Texts> texts)
    : m_options(std::move(options)), m_user(texts ? std::move(*texts) : kvn::MainJobUser::textsFromLibrary())
{
}

void MainJob::start()
{
    std::error_code error;
    std::filesystem::create_directories(m_options.outputFolder, error);
    if (error)
        NSLog("main job: cannot make the picture folder %@ (%@); no pictures are written", m_options.outputFolder, error.message());
    NSLog("main job: the app has launched; watching its screens for at most %.0f s; pictures go to %@", m_options.timeoutSeconds,
          m_options.outputFolder);

    // The timers fire on the main run loop already, and an invalidated one must not fire again
    // (a hop through the main queue could), so their blocks check the owner themselves.
    std::weak_ptr<MainJob> weakSelf = weak_from_this();
    m_watchTimer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(kWatchInterval, true, [weakSelf](const std::shared_ptr<NSTimer>&) {
        if (auto self = weakSelf.lock())
            self->watch();
    });
    m_timeoutTimer = NSTimer::scheduledTimerWithTimeInterval_repeats_block(m_options.timeoutSeconds, false, [weakSelf](const std::shared_ptr<NSTimer>&) {
        if (auto self = weakSelf.lock())
            self->finish(TimedOut, std::string("no outcome in time; the user was at the step \"") + kvn::MainJobUser::describe(self->m_user.step()) +
                                       "\"" + (self->m_lastWait.empty() ? std::string() : " and " + self->m_lastWait));
    });
    // The first look once every observer of the launch has run (the root screen comes from one).
    kvn::postToMainQueue(weakSelf, [](MainJob& self) { self.watch(); });
}

void MainJob::watch()
{
    if (m_finished)
        return;
    auto window = UIApplication::sharedApplication()->keyWindow();
    auto screen = window ? window->rootViewController() : nullptr;
    if (!screen)
        return;
    // A person looks at a screen once it has come to rest: while anything on it still moves
    // (a panel sliding in, buttons fading), the look waits, for a while at most.
    const double now = NSRunLoop::mainRunLoop()->now();
    if (!windowIsSettled(window)) {
        if (!m_movingSince)
            m_movingSince = now;
        if (now - *m_movingSince < kLongestSettle)
            return;
    }
    m_movingSince.reset();
    // The top of the presentation chain, once nothing in the chain is on its way in or out.
    std::shared_ptr<KavoniViewController> host;
    for (auto level = screen; level; level = level->presentedViewController()) {
        if (level->isBeingPresented() || level->isBeingDismissed())
            return;
        if (auto kavoni = std::dynamic_pointer_cast<KavoniViewController>(level))
            host = kavoni;
        screen = level;
    }
    if (host && host.get() != m_observedHost) {
        m_observedHost = host.get();
        std::weak_ptr<MainJob> weakSelf = weak_from_this();
        host->setEndObserver([weakSelf](bool success, const std::shared_ptr<NSError>& error, bool canceledByUser) {
            if (auto self = weakSelf.lock())
                self->identificationEnded(success, error, canceledByUser);
        });
    }

    const std::string scene = describe(screen);
    // The enrolment's screen: a success reported after it is a place on the waiting list.
    if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(screen))
        if (std::dynamic_pointer_cast<KVNNotificationResultViewController>(navigation->topViewController()))
            m_sawEnrolment = true;
    if (scene != m_lastScene) {
        m_lastScene = scene;
        takePicture(window, screen, "");
    }

    // The photo road's user answers its own alerts: the upload's failure is titled "Error" too.
    if (!m_photoUser && host && screen != host && kvn::MainJobPhotoUser::isPhotoRoad(screen)) {
        NSLog("main job: the photo identification's first screen is up; the photo road's user takes it from here");
        std::weak_ptr<MainJob> weakSelf = weak_from_this();
        std::weak_ptr<UIWindow> weakWindow = window;
        m_photoUser = std::make_unique<kvn::MainJobPhotoUser>([weakSelf, weakWindow](const std::string& name) {
            auto self = weakSelf.lock();
            auto shownWindow = weakWindow.lock();
            if (!self || !shownWindow || !shownWindow->rootViewController())
                return;
            auto top = shownWindow->rootViewController();
            while (top->presentedViewController())
                top = top->presentedViewController();
            self->takePicture(shownWindow, top, name);
        });
    }
    if (m_photoUser) {
        // Success reaches the job through the host, as on every road; the user only knows its dead ends.
        if (auto outcome = m_photoUser->look(window, screen); outcome && !outcome->success)
            finish(Failed, outcome->text);
        return;
    }

    auto alert = std::dynamic_pointer_cast<UIAlertController>(screen);
    if (alert && alert->title() == std::optional<std::string>("Error")) {
        finish(Failed, "the initialisation failed: the \"Error\" alert says \"" + alert->message().value_or("") + "\"");
        return;
    }
    userLooks(window, screen);
}

void MainJob::userLooks(const std::shared_ptr<UIWindow>& window, const std::shared_ptr<UIViewController>& screen)
{
    if (m_looksToSkip > 0) {
        --m_looksToSkip;
        return;
    }
    // The user sees the screen as it is drawn, and views that scrolled in are laid out only then.
    window->layoutIfNeeded();
    auto move = m_user.nextMove(window);
    // The screen as the user saw it when it finished a step, named by the move that finishes it,
    // once a step. Drawing lays the window out again, which may replace the views just found (a
    // navigation bar's buttons): the user looks once more.
    if (move.then && m_picturedStep != move.then) {
        m_picturedStep = move.then;
        takePicture(window, screen, move.what);
        move = m_user.nextMove(window);
    }
    if (move.kind == kvn::MainJobUser::Move::Kind::Wait) {
        if (move.what != m_lastWait)
            NSLog("main job: user: %@", move.what);
        m_lastWait = move.what;
        // What the user only had to see ends its step all the same.
        if (move.then) {
            m_user.make(window, move);
            NSLog("main job: user: next step: %@", kvn::MainJobUser::describe(m_user.step()));
        }
        return;
    }
    m_lastWait.clear();
    const auto step = m_user.step();
    // Logged first: a move may end the identification, and the job with it, before it returns.
    NSLog("main job: user: %@", move.what);
    const auto made = m_user.make(window, move);
    if (!made)
        NSLog("main job: user: that did not work: %@", made.message());
    if (m_user.step() != step)
        NSLog("main job: user: next step: %@", kvn::MainJobUser::describe(m_user.step()));
    m_looksToSkip = kLooksBetweenMoves;
}

void MainJob::identificationEnded(bool success, const std::shared_ptr<NSError>& error, bool canceledByUser)
{
    if (success && m_sawEnrolment)
        finish(Enrolled, "the user joined the waiting list and is called back: the library reports a success, but no identification "
                         "took place");
    else if (success)
        finish(Succeeded, "the identification succeeded");
    else if (canceledByUser)
        finish(Cancelled, "the identification was cancelled");
    else
        finish(Failed, "the identification failed: " + (error ? error->localizedDescription() + " (" + error->domain() + " " +
                                                                    std::to_string(error->code()) + ")"
                                                              : std::string("no error given")));
}

void MainJob::takePicture(const std::shared_ptr<UIWindow>& window, const std::shared_ptr<UIViewController>& screen,
                          const std::string& caption)
{
    ++m_screens;
    char number[16];
    std::snprintf(number, sizeof number, "%02u-", m_screens);
    const auto picture = writePicture(window, number + fileNamePart(screen, caption) + ".png");
    NSLog("main job: screen %u: %@%@%@", m_screens, describe(screen), caption.empty() ? std::string() : " (" + caption + ")",
          picture ? " -> " + *picture : std::string());
}

void MainJob::finish(int status, const std::string& outcome)
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_watchTimer)
        m_watchTimer->invalidate();
    if (m_timeoutTimer)
        m_timeoutTimer->invalidate();
    NSLog("main job: outcome: %@", outcome);
    NSLog("main job: done (status %d)", status);
    UIApplication::sharedApplication()->terminateWithStatus(status);
}

std::optional<std::string> MainJob::writePicture(const std::shared_ptr<UIWindow>& window, const std::string& fileName)
{
    const auto bounds = window->bounds();
    UIGraphicsBeginImageContextWithOptions(bounds.size, true, 0);
    const bool drawn = window->drawViewHierarchyInRect_afterScreenUpdates(bounds, true);
    auto image = drawn ? UIGraphicsGetImageFromCurrentImageContext() : nullptr;
    UIGraphicsEndImageContext();
    auto png = UIImagePNGRepresentation(image);
    if (!png) {
        NSLog("main job: the window could not be drawn; no picture of this screen");
        return std::nullopt;
    }

    const auto path = (std::filesystem::path(m_options.outputFolder) / fileName).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    out.close();
    if (!out) {
        NSLog("main job: cannot write %@", path);
        return std::nullopt;
    }
    m_pictures.push_back(path);
    return path;
}
