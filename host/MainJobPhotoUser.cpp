#include "MainJobPhotoUser.h"

#include "Foundation/NSLog.h"
#include "Private/Helper/KVNLocalizer.h"
#include "Private/Tasks/VideoIdent/Identification/KVNResultViewController.h"
#include "Private/UIElements/KVNBlurredView.h"
#include "Private/UIElements/KVNDocumentSelectionCell.h"
#include "Private/UIElements/KVNLabel.h"
#include "Private/UIElements/KVNRoundedButton.h"
#include "UIKit/Automation/Driver.h"
#include "UIKit/Automation/ViewFinder.h"
#include "UIKit/UIAlertController.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIPickerView.h"
#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"
#include "models/KVNCountry.h"
#include "models/KVNPhoto.h"
#include "photo-ident/KVNCountrySelectionViewController.h"
#include "photo-ident/KVNDocumentSelectionViewController.h"
#include "photo-ident/KVNPhotoCheckViewController.h"
#include "photo-ident/KVNPhotoViewController.h"
#include "photo-ident/KVNTodoTableViewController.h"
#include "photo-ident/KVNTodoViewController.h"
#include "photo-ident/KVNUploadProgressViewController.h"

namespace kvn {

namespace {

// The screen a person sees: a navigation controller's top screen, else the controller itself.
std::shared_ptr<UIViewController> shownScreen(const std::shared_ptr<UIViewController>& top)
{
    if (auto navigation = std::dynamic_pointer_cast<UINavigationController>(top); navigation && navigation->topViewController())
        return navigation->topViewController();
    return top;
}

bool isVisible(const std::shared_ptr<UIView>& view) { return view && !CGRectIsEmpty(Automation::ViewFinder::visibleRect(view)); }

std::string text(const char* key) { return KVNLocalizer::localizedStringForKey(key); }

std::string pictureName(const UIViewController& screen)
{
    if (dynamic_cast<const KVNCountrySelectionViewController*>(&screen))
        return "photo-country";
    if (dynamic_cast<const KVNDocumentSelectionViewController*>(&screen))
        return "photo-document";
    if (dynamic_cast<const KVNTodoViewController*>(&screen))
        return "photo-list";
    if (dynamic_cast<const KVNPhotoViewController*>(&screen))
        return "photo-camera";
    if (dynamic_cast<const KVNUploadProgressViewController*>(&screen))
        return "photo-upload";
    if (dynamic_cast<const KVNResultViewController*>(&screen))
        return "photo-result";
    return "photo-screen";
}

} // namespace

MainJobPhotoUser::MainJobPhotoUser(PictureWriter writePicture) : m_writePicture(std::move(writePicture)) {}

bool MainJobPhotoUser::isPhotoRoad(const std::shared_ptr<UIViewController>& top)
{
    return top && std::dynamic_pointer_cast<KVNCountrySelectionViewController>(shownScreen(top)) != nullptr;
}

std::optional<MainJobPhotoUser::Outcome> MainJobPhotoUser::look(const std::shared_ptr<UIWindow>& window,
                                                                const std::shared_ptr<UIViewController>& top)
{
    if (m_settle > 0) {
        --m_settle;
        return std::nullopt;
    }
    auto shown = shownScreen(top);
    if (shown && shown.get() != m_lastShown) {
        m_lastShown = shown.get();
        m_writePicture(pictureName(*shown));
    }
    return act(window, top);
}

void MainJobPhotoUser::moved(const std::string& what)
{
    NSLog("main job: photo user: %@", what);
    m_settle = kSettleTicks;
}

bool MainJobPhotoUser::tapText(const std::shared_ptr<UIWindow>& window, const std::string& shownText)
{
    auto view = Automation::ViewFinder::viewWithText(window, shownText);
    if (!view)
        return false;
    auto tapped = Automation::Driver::tap(view);
    if (!tapped) {
        NSLog("main job: photo user: cannot tap \"%@\": %@", shownText, tapped.message());
        return false;
    }
    moved("tapped \"" + shownText + "\"");
    return true;
}

std::optional<MainJobPhotoUser::Outcome> MainJobPhotoUser::act(const std::shared_ptr<UIWindow>& window,
                                                               const std::shared_ptr<UIViewController>& top)
{
    auto shown = shownScreen(top);

    if (auto alert = std::dynamic_pointer_cast<UIAlertController>(top)) {
        const std::string message = alert->message().value_or("");
        const bool uploadFailed = message == text("PHOTO_UPLOAD_FAILED_ALERT_MESSAGE");
        if (uploadFailed && m_uploadFailures < kUploadRetries && tapText(window, text("RETRY"))) {
            ++m_uploadFailures;
            moved("the photos could not be sent; retrying (" + std::to_string(m_uploadFailures) + ")");
            return std::nullopt;
        }
        return Outcome{false, "the photo road stopped at an alert \"" + alert->title().value_or("") + "\": " + message};
    }

    if (m_closedResult) {
        if (std::dynamic_pointer_cast<KVNResultViewController>(shown))
            return std::nullopt;
        return Outcome{true, "the photo identification ended in success: the result screen was closed and the library's screens are gone"};
    }

    if (auto country = std::dynamic_pointer_cast<KVNCountrySelectionViewController>(shown)) {
        const bool pickerShown = isVisible(country->countryPicker());
        if (!country->selectedCountry()) {
            if (country->sortedCountries().empty())
                return Outcome{false, "the country screen offers no country"};
            if (!pickerShown) {
                if (Automation::Driver::tap(country->countryLabel()))
                    moved("opened the country picker");
                return std::nullopt;
            }
            tapText(window, country->sortedCountries().front()->localeDisplayName());
            return std::nullopt;
        }
        if (pickerShown) {
            tapText(window, "Done");
            return std::nullopt;
        }
        if (Automation::Driver::tap(country->nextButton()))
            moved("chose " + country->selectedCountry()->localeDisplayName() + " and went on");
        return std::nullopt;
    }

    if (auto documents = std::dynamic_pointer_cast<KVNDocumentSelectionViewController>(shown)) {
        if (documents->loadingView() && documents->loadingView()->alpha() > 0.01)
            return std::nullopt;
        auto cells = Automation::ViewFinder::visibleViews(
            window, [](const UIView& view) { return dynamic_cast<const KVNDocumentSelectionCell*>(&view); });
        if (cells.empty())
            return Outcome{false, "the document screen offers no document"};
        // visibleViews lists the front-most first; the topmost row is the one with the smallest y.
        auto first = cells.front();
        for (const auto& cell : cells)
            if (Automation::ViewFinder::visibleRect(cell).origin.y < Automation::ViewFinder::visibleRect(first).origin.y)
                first = cell;
        // The row's first text is the document's name.
        auto texts = Automation::ViewFinder::visibleViews(window, [&](const UIView& view) {
            auto shownText = Automation::ViewFinder::visibleText(view);
            return view.isDescendantOfView(first) && shownText && !shownText->empty();
        });
        const std::string name = texts.empty() ? std::string() : Automation::ViewFinder::visibleText(*texts.back()).value_or("");
        if (Automation::Driver::tap(first))
            moved("chose the document \"" + name + "\"");
        return std::nullopt;
    }

    if (auto list = std::dynamic_pointer_cast<KVNTodoViewController>(shown)) {
        if (isVisible(list->transferView()) && tapText(window, text("PHOTO_TODO_TRANSFER_BUTTON_TITLE")))
            return std::nullopt;
        for (const auto& slot : list->tableViewController()->photos()) {
            if (slot->thumbnail())
                continue;
            if (tapText(window, slot->localizedTitle()))
                ++m_slot;
            return std::nullopt;
        }
        return std::nullopt;
    }

    if (auto camera = std::dynamic_pointer_cast<KVNPhotoViewController>(shown)) {
        const std::string slot = "slot" + std::to_string(m_slot);
        if (camera->checkViewController()->view()->alpha() > 0.99) {
            m_writePicture("photo-" + slot + "-review");
            tapText(window, text("SAVE"));
            return std::nullopt;
        }
        if (!camera->helpCollapsed()) {
            // The help's own take-photo button folds the help away.
            tapText(window, text("PHOTO_TAKE_PICTURE_BUTTON_TITLE"));
            return std::nullopt;
        }
        if (camera->takePhotoButton()->isEnabled() && isVisible(camera->takePhotoButton())) {
            m_writePicture("photo-" + slot + "-camera");
            if (Automation::Driver::tap(camera->takePhotoButton()))
                moved("took the photo of " + slot);
        }
        return std::nullopt;
    }

    if (auto result = std::dynamic_pointer_cast<KVNResultViewController>(shown)) {
        if (!result->success())
            return Outcome{false, "the result screen reports a failure"};
        auto done = Automation::ViewFinder::viewWithAccessibilityLabel(window, text("RESULT_SUCCESS_DONE_BUTTON_TITLE"));
        if (done && Automation::Driver::tap(done)) {
            m_closedResult = true;
            moved("closed the result screen");
        }
        return std::nullopt;
    }
    // Anything else (the upload running, a screen on its way): wait.
    return std::nullopt;
}

} // namespace kvn
