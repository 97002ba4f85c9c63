// How long the library's screens take to appear and to change, on a phone-sized window (375 x 667
// points at scale 2, 750 x 1334 pixels). Each screen is built afresh for every run, so every
// figure is what a user meets the first time the screen comes up. Medians of the runs, in ms:
//   first layout   building the screen and laying it out in the window, as it is shown
//   full relayout  the window 20 points shorter, everything laid out again
//   draw           the first picture of the whole window at 750 x 1334
//   label relayout one visible label's text changed, laid out again
//   label redraw   the window drawn again after that label changed
// Usage: screen_bench [runs] [screen name part]; KVN_SCREEN_BENCH_PICTURES=<folder> writes
// each screen as drawn (after its label changed) there. Main thread only; the clock is the manual
// one, so no timer of a screen fires while it is measured.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Foundation/JSONValue.h"
#include "Foundation/NSLocale.h"
#include "Foundation/NSRunLoop.h"
#include "Foundation/NSUserDefaults.h"
#include "Foundation/RunLoopClock.h"
#include "Private/Helper/KVNMessage.h"
#include "Private/Helper/KVNMessageProvider.h"
#include "Private/Tasks/VideoIdent/Identification/KVNChatViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNCheckTableViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentCodeViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationLayout.h"
#include "Private/Tasks/VideoIdent/Identification/KVNIdentificationViewController.h"
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIVisualEffectView.h"
#include "UIKit/UIWindow.h"
#include "models/KVNIdentification.h"
#include "models/KVNPhotoIdentification.h"
#include "models/KVNVideoIdentification.h"
#include "photo-ident/KVNTodoViewController.h"
#include "public/KavoniAppearance.h"
#include "public/KavoniSettings.h"
#include "support/KvnTestBundle.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Screen {
    const char* name;
    // Makes the screen's controller, as the window's root.
    std::function<std::shared_ptr<UIViewController>()> make;
};

std::shared_ptr<UINavigationController> inNavigation(const std::shared_ptr<UIViewController>& screen)
{
    auto navigation = std::make_shared<UINavigationController>();
    navigation->initWithRootViewController(screen);
    return navigation;
}

std::shared_ptr<KVNMessageProvider> chatWithMessages(int count)
{
    auto provider = std::make_shared<KVNMessageProvider>();
    provider->init();
    for (int i = 0; i < count; ++i) {
        auto message = std::make_shared<KVNMessage>();
        message->setText(i % 3 == 0 ? "Please hold your ID card into the camera, front side first, and keep it still."
                                    : "Message " + std::to_string(i + 1) + ": all right.");
        message->setRemote(i % 2 == 0);
        provider->didReceiveRemoteMessage(message);
    }
    return provider;
}

const std::vector<Screen>& screens()
{
    static const std::vector<Screen> all = {
        {"data check",
         [] {
             auto screen = std::make_shared<KVNCheckTableViewController>();
             screen->init(false);
             return inNavigation(screen);
         }},
        {"video screen with info panel",
         [] {
             auto screen = std::make_shared<KVNIdentificationViewController>();
             screen->init();
             auto navigation = inNavigation(screen);
             screen->loadViewIfNeeded();
             screen->setIdentificationLayout(KVNIdentificationLayoutInfo);
             return navigation;
         }},
        {"ident code",
         [] {
             auto screen = std::make_shared<KVNIdentCodeViewController>();
             screen->init();
             return screen;
         }},
        {"chat with 50 messages",
         [] {
             auto screen = std::make_shared<KVNChatViewController>();
             screen->initWithMessageProvider(chatWithMessages(50));
             return screen;
         }},
        {"result",
         [] {
             auto screen = std::make_shared<KVNResultViewController>();
             screen->init();
             screen->setSuccess(true);
             return inNavigation(screen);
         }},
        {"photo list",
         [] {
             auto screen = std::make_shared<KVNTodoViewController>();
             screen->init();
             return inNavigation(screen);
         }},
    };
    return all;
}

void forEachView(const std::shared_ptr<UIView>& view, const std::function<void(const std::shared_ptr<UIView>&)>& visit)
{
    visit(view);
    for (const auto& sub : view->subviews())
        forEachView(sub, visit);
}

// The first label on screen that shows a text: the one whose text the relayout columns change.
std::shared_ptr<UILabel> visibleLabel(const std::shared_ptr<UIView>& root)
{
    std::shared_ptr<UILabel> found;
    forEachView(root, [&](const std::shared_ptr<UIView>& view) {
        auto label = std::dynamic_pointer_cast<UILabel>(view);
        if (!found && label && !label->isHidden() && label->text() && !label->text()->empty())
            found = label;
    });
    return found;
}

// Draws the window at 750 x 1334; with `pngPath`, also writes the picture there, to see what
// was measured.
void drawWindow(const std::shared_ptr<UIWindow>& window, const std::string& pngPath = {})
{
    const auto bounds = window->bounds();
    UIGraphicsBeginImageContextWithOptions(bounds.size, true, 2);
    window->drawViewHierarchyInRect_afterScreenUpdates(bounds, true);
    if (!pngPath.empty()) {
        if (auto png = UIImagePNGRepresentation(UIGraphicsGetImageFromCurrentImageContext())) {
            if (FILE* file = std::fopen(pngPath.c_str(), "wb")) {
                std::fwrite(png->data(), 1, png->size(), file);
                std::fclose(file);
            }
        }
    }
    UIGraphicsEndImageContext();
}

struct Figures {
    std::vector<double> firstLayout, fullRelayout, draw, labelRelayout, labelRedraw;
    size_t views = 0;
    size_t constraints = 0;
};

Figures measure(const Screen& screen, int runs)
{
    Figures figures;
    auto loop = NSRunLoop::mainRunLoop();
    for (int run = 0; run < runs; ++run) {
        auto window = std::make_shared<UIWindow>();
        window->initWithFrame(CGRectMake(0, 0, 375, 667));

        auto start = Clock::now();
        window->setRootViewController(screen.make());
        window->makeKeyAndVisible();
        window->layoutIfNeeded();
        figures.firstLayout.push_back(millisecondsSince(start));

        // Every view moves: the window a status bar's height shorter (as an in-call bar makes
        // it), then back, which is not measured.
        window->setFrame(CGRectMake(0, 0, 375, 647));
        start = Clock::now();
        window->layoutIfNeeded();
        figures.fullRelayout.push_back(millisecondsSince(start));
        window->setFrame(CGRectMake(0, 0, 375, 667));
        window->layoutIfNeeded();

        // A first draw: no blur kept from the run before.
        UIVisualEffectView::forgetKeptBackdrops();
        start = Clock::now();
        drawWindow(window);
        figures.draw.push_back(millisecondsSince(start));

        if (auto label = visibleLabel(window)) {
            label->setText(*label->text() + " (changed)");
            start = Clock::now();
            window->layoutIfNeeded();
            figures.labelRelayout.push_back(millisecondsSince(start));
            start = Clock::now();
            drawWindow(window);
            figures.labelRedraw.push_back(millisecondsSince(start));
        }

        if (run == 0) {
            if (const char* folder = std::getenv("KVN_SCREEN_BENCH_PICTURES")) {
                std::string name = screen.name;
                std::replace(name.begin(), name.end(), ' ', '-');
                drawWindow(window, std::string(folder) + "/" + name + ".png");
            }
            forEachView(window, [&](const std::shared_ptr<UIView>& view) {
                ++figures.views;
                figures.constraints += view->constraints().size();
            });
        }
        window->setRootViewController(nullptr);
        window->setHidden(true);
        loop->pump();
    }
    return figures;
}

void printFigure(const std::vector<double>& values)
{
    if (values.empty())
        std::printf(" - |");
    else
        std::printf(" %.1f |", median(values));
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const std::string only = argc > 2 ? argv[2] : "";

    auto loop = NSRunLoop::mainRunLoop();
    auto clock = std::make_shared<ManualClock>();
    loop->setClock(clock);
    const auto scratch = std::string("/tmp/kvn-screen-bench-") + std::to_string(::getpid());
    NSUserDefaults::setStorePath(scratch + "-defaults.json");
    UIScreen::mainScreen()->setScale(2);

    // The library's tables and images in a main bundle of their own, as the tests have them.
    KvnTestBundle bundle(KVN_SOURCE_DIR "/SDK/Resources", KVN_BINARY_DIR "/SDK/Resources/Images");
    bundle.addImage("kvn-bg", 750, 1334, 0xEAF2FAFF);
    bundle.activate();
    NSLocale::setPreferredLanguages({"en"});
    KavoniAppearance::resetSharedAppearanceForTesting();

    // A session as the sim's development company leaves it: the code and e-mail inputs on the
    // data check, the terms of use, and a photo identification with two document sides.
    auto ident = KVNIdentification::sharedIdentification();
    ident->setSettings(KavoniSettings::settingsWithCompanyID_transactionToken("vellumbank", "DEV0001"));
    ident->setShowGTC(true);
    auto video = std::make_shared<KVNVideoIdentification>();
    video->setIdentCodeRequired(true);
    video->setIdentCodeEmailEnabled(true);
    video->setAllowTextChat(true);
    ident->setVideoIdentification(video);
    auto photos = std::make_shared<KVNPhotoIdentification>();
    photos->updateWithProcessStepsResponse(*JSONFromText<JSONValue>(R"({
        "identitydocument": {
            "alloweddocuments": [{"country": "DE", "documents": ["IDCARD", "PASSPORT"]}],
            "images": ["IDFRONTSIDE", "IDBACKSIDE"]
        }
    })"));
    ident->setPhotoIdentification(photos);

    std::printf("Screens at 375 x 667 points, scale 2 (750 x 1334 pixels); medians of %d runs, ms.\n\n", runs);
    std::printf("| screen | views | constraints | first layout | full relayout | draw | label relayout | label redraw |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& screen : screens()) {
        if (!only.empty() && std::string(screen.name).find(only) == std::string::npos)
            continue;
        auto figures = measure(screen, runs);
        std::printf("| %s | %zu | %zu |", screen.name, figures.views, figures.constraints);
        for (const auto* column : {&figures.firstLayout, &figures.fullRelayout, &figures.draw, &figures.labelRelayout, &figures.labelRedraw})
            printFigure(*column);
        std::printf("\n");
        std::fflush(stdout);
    }

    ident->setPhotoIdentification(nullptr);
    ident->setVideoIdentification(nullptr);
    KVNIdentification::resetSharedIdentification();
    std::remove((scratch + "-defaults.json").c_str());
    return 0;
}
