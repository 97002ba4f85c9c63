#pragma once
// The main job's user on the photo identification's road: once the library's country screen
// is up, it takes the road to the end as a person would, acting only through Automation on
// what the window shows: it keeps the offered (or first) country, takes the first document,
// photographs every slot (folding the help away, taking the photo, saving the review), sends
// the photos (retrying a failed upload a few times) and closes the result screen. Each look
// makes at most one move and then lets the screens settle for a moment.
// Main thread; driven by the main job's watch, one look a tick.
#include <functional>
#include <memory>
#include <optional>
#include <string>

class UIViewController;
class UIWindow;

namespace kvn {

class MainJobPhotoUser {
public:
    struct Outcome {
        bool success = false;
        std::string text;
    };
    // Asked to write a picture of the window under a name ("country", "slot1-review").
    using PictureWriter = std::function<void(const std::string& name)>;

    explicit MainJobPhotoUser(PictureWriter writePicture);

    // Whether `top` (the top of the presentation chain) shows the photo road's first screen.
    static bool isPhotoRoad(const std::shared_ptr<UIViewController>& top);

    // One look at the window and at most one move; the road's end once it is reached.
    std::optional<Outcome> look(const std::shared_ptr<UIWindow>& window, const std::shared_ptr<UIViewController>& top);

    // Ticks of the watch to wait after a move before the next look acts.
    static constexpr int kSettleTicks = 6;
    // Failed uploads the user retries before giving up.
    static constexpr int kUploadRetries = 3;

private:
    std::optional<Outcome> act(const std::shared_ptr<UIWindow>& window, const std::shared_ptr<UIViewController>& top);
    bool tapText(const std::shared_ptr<UIWindow>& window, const std::string& text);
    void moved(const std::string& what);

    PictureWriter m_writePicture;
    const UIViewController* m_lastShown = nullptr;
    int m_settle = 0;
    int m_slot = 0;
    int m_uploadFailures = 0;
    bool m_closedResult = false;
};

} // namespace kvn
