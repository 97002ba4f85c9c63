#pragma once
// The host's screen for one identification: presented by KavoniAdapter with the script's
// transaction token, it makes the identification's settings and KavoniController when its view
// loads and initialises the identification at once. On success it starts the identification
// from itself, and the library's screens come up over it; an initialisation error shows an
// "Error" alert over it.
//
// Its own view shows only a spinner while the service answers the initialisation (a person
// sees that something is under way), so it never stays on screen once there is nothing left
// to show: it
// leaves (its presenter dismisses it, without animation) when the identification ends, however
// it ends, and when the user closes the "Error" alert.
// Main thread only; the library calls the completion blocks there.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "UIKit/UIViewController.h"

class KavoniController;
class KavoniSettings;
class NSError;
class UIActivityIndicatorView;
class UIAlertController;

class KavoniViewController : public UIViewController {
public:
    // Builds the settings and the controller, then startVideoIdent.
    void viewDidLoad() override;
    // Shows an "Error" alert that came while the view was not yet on screen.
    void viewDidAppear(bool animated) override;
    // Keeps the spinner in the middle.
    void viewDidLayoutSubviews() override;

    // Fills the settings with the token and the company, and initialises the identification.
    virtual void startVideoIdent();

    const std::optional<std::string>& kavoniKey() const { return m_kavoniKey; }
    void setKavoniKey(std::optional<std::string> kavoniKey) { m_kavoniKey = std::move(kavoniKey); }
    const std::shared_ptr<KavoniSettings>& settings() const { return m_settings; }
    void setSettings(std::shared_ptr<KavoniSettings> settings) { m_settings = std::move(settings); }
    const std::shared_ptr<KavoniController>& kavoniController() const { return m_kavoniController; }
    void setKavoniController(std::shared_ptr<KavoniController> kavoniController) { m_kavoniController = std::move(kavoniController); }

    // Told how the identification ended, as the library reported it, before this screen leaves.
    using EndObserver = std::function<void(bool success, const std::shared_ptr<NSError>& error, bool canceledByUser)>;
    void setEndObserver(EndObserver observer) { m_endObserver = std::move(observer); }
    const EndObserver& endObserver() const { return m_endObserver; }

    // Turns while the initialisation runs; stopped (and hidden) once it has answered.
    const std::shared_ptr<UIActivityIndicatorView>& activityIndicator() const { return m_activityIndicator; }

private:
    void showInitializationError(const std::shared_ptr<NSError>& error);
    // The way back to the script's screens.
    void leave();

    std::optional<std::string> m_kavoniKey;
    std::shared_ptr<KavoniSettings> m_settings;
    std::shared_ptr<KavoniController> m_kavoniController;
    std::shared_ptr<UIAlertController> m_pendingAlert;
    EndObserver m_endObserver;
    std::shared_ptr<UIActivityIndicatorView> m_activityIndicator;
};
