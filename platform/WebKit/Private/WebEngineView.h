#pragma once
// The engine side of one WKWebView: the engine's view in an off-screen window of the view's
// size, its signals turned into the navigation delegate's reports (posted to the main queue,
// so that a delegate never runs inside the engine's signal emission), the engine's errors
// mapped to the platform's, the TLS exception for servers of the process's extra authorities,
// and the snapshots the view draws. Owned by its WKWebView; main thread only.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <webkit2/webkit2.h>

#include "CoreGraphics/CGImage.h"
#include "Foundation/NSError.h"
#include "Network/NSURLRequest.h"
#include "WebKit/Private/GObjectHandles.h"
#include "WebKit/WKNavigation.h"
#include "WebKit/WKWebViewConfiguration.h"

class WKWebView;

namespace kvn {

class WebEngineView {
public:
    WebEngineView(const std::weak_ptr<WKWebView>& owner, WebKitWebContext* context, const WKWebViewConfiguration& configuration);
    ~WebEngineView();
    WebEngineView(const WebEngineView&) = delete;
    WebEngineView& operator=(const WebEngineView&) = delete;

    std::shared_ptr<WKNavigation> loadRequest(const NSURLRequest& request);
    std::shared_ptr<WKNavigation> loadFile(const std::string& URL, const std::string& readAccessURL);
    std::shared_ptr<WKNavigation> loadHTML(const std::string& html, const std::optional<std::string>& baseURL);
    std::shared_ptr<WKNavigation> reload();
    void stopLoading();

    std::optional<std::string> URL() const;
    std::optional<long> mainDocumentStatusCode() const;
    std::optional<std::string> title() const;
    bool isLoading() const;
    double estimatedProgress() const;

    void resize(int width, int height);
    void setBackgroundColor(double red, double green, double blue, double alpha);
    void evaluateJavaScript(const std::string& script,
                            std::function<void(const std::optional<std::string>&, const std::shared_ptr<NSError>&)> completion);
    void takeSnapshot(std::function<void(const CGImageRef&)> completion);

    // The engine's error as the platform reports it (NSURLErrorDomain for network failures,
    // WebKitErrorDomain for policy ones), the failing URL in its user info.
    static std::shared_ptr<NSError> errorFromEngine(const GError* error, const std::string& failingURL);

private:
    struct SnapshotCall;
    struct ScriptCall;
    struct PendingDecision;

    static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType, gpointer self);
    static void onLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer self);
    static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError*, gpointer self);
    static gboolean onLoadFailedWithTLSErrors(WebKitWebView*, gchar* uri, GTlsCertificate*, GTlsCertificateFlags, gpointer self);
    static void onSnapshot(GObject*, GAsyncResult*, gpointer call);
    static void onScript(GObject*, GAsyncResult*, gpointer call);

    void decideNavigation(WebKitNavigationPolicyDecision* decision, bool newWindow);
    void startNavigation();
    void finishNavigation();
    void failNavigation(const std::shared_ptr<NSError>& error);
    std::shared_ptr<WKNavigation> expectLoad();
    void retry(const std::string& failing);
    void rememberCancelled(const std::string& uri);
    bool takeCancelled(const std::string& uri);
    void scheduleSnapshots();

    std::weak_ptr<WKWebView> m_owner;
    WebKitWebContext* m_context;
    gobject::OwnedWindow m_window; // holds the engine's view
    WebKitWebView* m_view = nullptr; // the window's child
    gobject::Owned<GCancellable> m_cancellable;
    // Lets a decision answered after this object went away find out.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    uint64_t m_nextNavigation = 1;
    std::shared_ptr<WKNavigation> m_expected; // asked for by a load call, not started yet
    std::shared_ptr<WKNavigation> m_current; // started, its end not reported yet
    bool m_committed = false;
    // The same request is loading again after the engine's own failure (a certificate just
    // trusted, an unrequested cancel): the load goes on as the same navigation, and its policy
    // decision is not asked twice.
    std::optional<std::string> m_retryURI;
    int m_retriesLeft = 0;
    bool m_certificateTrusted = false;
    gobject::OwnedSource m_delayedRetry;
    // Set by stopLoading until the next load is asked for or allowed: the engine may report the
    // stopped load's start after the stop.
    bool m_stopRequested = false;
    bool m_swallowFinished = false; // the end of a load whose outcome was handled already
    gobject::Owned<WebKitURIRequest> m_lastAllowedRequest;
    std::deque<std::string> m_cancelledURIs; // navigations the delegate cancelled
};

} // namespace kvn
