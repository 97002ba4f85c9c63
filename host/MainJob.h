#pragma once
// The main job's mode of the app: a headless run that ends by itself. Switched on by the
// environment (KVN_MAIN_JOB=1) when the program loads, it watches the key window once the app
// has launched and, for every screen that comes to rest on top, writes a picture of the window
// (PNG) into the output folder and logs the screen. It ends the app as soon as the outcome of
// the identification's initialisation shows:
//   status 0: the identification's first library screen is up (the initialisation succeeded);
//   status 1: the host's "Error" alert is up (the initialisation failed);
//   status 2: neither within the time-out.
// When the first screen is the photo identification's, a user (kvn::MainJobPhotoUser) takes the
// road from there instead, and the app ends with status 0 once the identification succeeded,
// 3 when the road stopped short (an alert, a failed result), or 2 at the time-out.
// Settings: KVN_MAIN_JOB_OUTPUT (the pictures' folder, default "main-job" in the working
// folder) and KVN_MAIN_JOB_TIMEOUT (seconds, default 60).
// Main thread; the watch runs on a timer of the main run loop.
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvn {
class MainJobPhotoUser;
}
class NSTimer;
class UIViewController;
class UIWindow;

class MainJob : public std::enable_shared_from_this<MainJob> {
public:
    struct Options {
        std::string outputFolder = "main-job";
        double timeoutSeconds = 60;
    };
    // The options when KVN_MAIN_JOB is "1"; nullopt otherwise. Bad values are reported and
    // the defaults stand in for them.
    static std::optional<Options> optionsFromEnvironment();

    explicit MainJob(Options options);
    // Starts the watch and the time-out.
    void start();
    // The pictures written so far, in order.
    const std::vector<std::string>& pictures() const { return m_pictures; }
    bool isFinished() const { return m_finished; }

    // How often the watch looks at the window, in seconds of the run loop's clock.
    static constexpr double kWatchInterval = 0.1;

private:
    void watch();
    void finish(int status, const std::string& outcome);
    std::optional<std::string> writePicture(const std::shared_ptr<UIWindow>& window, const std::string& fileName);
    // writePicture under the next screen number: "07-<namePart>.png".
    std::optional<std::string> writeNumberedPicture(const std::shared_ptr<UIWindow>& window, const std::string& namePart);

    Options m_options;
    std::shared_ptr<NSTimer> m_watchTimer;
    std::shared_ptr<NSTimer> m_timeoutTimer;
    const UIViewController* m_lastScreen = nullptr;
    unsigned m_screens = 0;
    std::vector<std::string> m_pictures;
    bool m_finished = false;
    std::shared_ptr<kvn::MainJobPhotoUser> m_photoUser;
};
