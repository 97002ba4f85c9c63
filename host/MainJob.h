#pragma once
// The main job's mode of the app: a headless run that goes through an identification as a user
// would and ends by itself. Switched on by the environment (KVN_MAIN_JOB=1) when the program
// loads, it watches the key window once the app has launched. For every screen that comes to
// rest on top (and before each step the user finishes) it writes a picture of the window (PNG)
// into the output folder and logs the screen; the user (kvn::MainJobUser) takes one step at a
// time on what the window shows, and every step is logged. It ends the app as soon as the
// outcome shows:
//   status 0: the host was told that the identification succeeded;
//   status 1: the host was told that it failed, or the host's "Error" alert is up (the
//             initialisation failed);
//   status 2: no outcome within the time-out (the log says what the user was waiting for);
//   status 3: the host was told that the user cancelled;
//   status 4: the host was told of a success after the user joined the waiting list (the
//             notification screen was on show): the user is called back, nobody was identified.
// On the photo road (the country screen first) kvn::MainJobPhotoUser takes the user's part; a
// road it cannot finish (an alert it cannot answer, uploads that keep failing) ends with status 1.
// A look waits while anything in the window still animates (for kLongestSettle at most), so a
// picture shows the screen as a person sees it once it has come to rest.
// Settings: KVN_MAIN_JOB_OUTPUT (the pictures' folder, default "main-job" in the working
// folder), KVN_MAIN_JOB_TIMEOUT (seconds, default 60) and KVN_MAIN_JOB_SCREEN (the phone's
// screen in points, "320x480"; the platform's 375x667 by default).
// Main thread; the watch runs on a timer of the main run loop.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "MainJobPhotoUser.h"
#include "MainJobUser.h"

class NSError;
class NSTimer;
class UIView;
class UIViewController;
class UIWindow;

class MainJob : public std::enable_shared_from_this<MainJob> {
public:
    struct Options {
        std::string outputFolder = "main-job";
        double timeoutSeconds = 60;
        std::optional<CGSize> screenSize;
    };
    // The options when KVN_MAIN_JOB is "1"; nullopt otherwise. Bad values are reported and
    // the defaults stand in for them.
    static std::optional<Options> optionsFromEnvironment();

    enum ExitStatus { Succeeded = 0, Failed = 1, TimedOut = 2, Cancelled = 3, Enrolled = 4 };
    // "320x480" -> 320 x 480 points; nullopt for anything else.
    static std::optional<CGSize> screenSizeFromText(const std::string& text);
    // Whether nothing in the view's tree is animating.
    static bool windowIsSettled(const std::shared_ptr<UIView>& view);

    // The user reads the library's texts unless others are given.
    explicit MainJob(Options options, std::optional<kvn::MainJobUser::Texts> texts = std::nullopt);
    // Starts the watch and the time-out.
    void start();
    // The pictures written so far, in order.
    const std::vector<std::string>& pictures() const { return m_pictures; }
    bool isFinished() const { return m_finished; }
    const kvn::MainJobUser& user() const { return m_user; }

    // How often the watch looks at the window, in seconds of the run loop's clock.
    static constexpr double kWatchInterval = 0.1;
    // Looks the user lets pass after a move, so that what it started can show (as a person
    // waits for a screen to react).
    static constexpr int kLooksBetweenMoves = 3;
    // The longest a look waits for the window to come to rest, in seconds.
    static constexpr double kLongestSettle = 3.0;

private:
    void watch();
    void userLooks(const std::shared_ptr<UIWindow>& window, const std::shared_ptr<UIViewController>& screen);
    void identificationEnded(bool success, const std::shared_ptr<NSError>& error, bool canceledByUser);
    void finish(int status, const std::string& outcome);
    void takePicture(const std::shared_ptr<UIWindow>& window, const std::shared_ptr<UIViewController>& screen, const std::string& caption);
    std::optional<std::string> writePicture(const std::shared_ptr<UIWindow>& window, const std::string& fileName);

    Options m_options;
    std::shared_ptr<NSTimer> m_watchTimer;
    std::shared_ptr<NSTimer> m_timeoutTimer;
    std::string m_lastScene;
    const UIViewController* m_observedHost = nullptr;
    kvn::MainJobUser m_user;
    std::unique_ptr<kvn::MainJobPhotoUser> m_photoUser;
    int m_looksToSkip = 0;
    std::string m_lastWait;
    std::optional<kvn::MainJobUser::Step> m_picturedStep;
    unsigned m_screens = 0;
    std::vector<std::string> m_pictures;
    bool m_finished = false;
    std::optional<double> m_movingSince;
    bool m_sawEnrolment = false;
};
