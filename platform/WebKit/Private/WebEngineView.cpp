#include "WebKit/Private/WebEngineView.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <libsoup/soup.h>

#include "Foundation/BindToMainQueue.h"
#include "Foundation/Dispatch.h"
#include "Network/HTTPErrorKeys.h"
#include "Network/NSURLError.h"
#include "WebKit/Private/WebEngine.h"
#include "WebKit/WKNavigationAction.h"
#include "WebKit/WKNavigationDelegate.h"
#include "WebKit/WKWebView.h"

namespace kvn {

namespace {

// Cancelled navigations remembered until the engine reports their end; a page that keeps
// cancelling cannot grow this.
constexpr size_t kMaxCancelledRemembered = 16;
// Loads of one navigation made again after the engine's own failures (a certificate just
// trusted, a cancel no one asked for); past this the failure is reported.
constexpr int kMaxRetries = 2;
constexpr guint kRetryDelayMilliseconds = 500;
// A PDF is drawn by the engine's own viewer some time after the load finishes.
constexpr double kSnapshotDelays[] = {0.3, 1.0, 2.5};
constexpr int kMinimumSide = 1;

bool tracing()
{
    static const bool on = [] {
        const char* value = std::getenv("KVN_WEBKIT_TRACE");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return on;
}

void trace(const char* format, const std::string& a, const std::string& b = {})
{
    if (tracing())
        std::fprintf(stderr, format, a.c_str(), b.c_str());
}

std::string text(const char* value) { return value ? std::string(value) : std::string(); }

const char* loadEventName(WebKitLoadEvent event)
{
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        return "started";
    case WEBKIT_LOAD_REDIRECTED:
        return "redirected";
    case WEBKIT_LOAD_COMMITTED:
        return "committed";
    case WEBKIT_LOAD_FINISHED:
        return "finished";
    }
    return "?";
}

WKNavigationType navigationTypeOf(WebKitNavigationType type)
{
    switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
        return WKNavigationTypeLinkActivated;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
        return WKNavigationTypeFormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
        return WKNavigationTypeBackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
        return WKNavigationTypeReload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
        return WKNavigationTypeFormResubmitted;
    case WEBKIT_NAVIGATION_TYPE_OTHER:
        break;
    }
    return WKNavigationTypeOther;
}

std::shared_ptr<NSURLRequest> requestOf(WebKitURIRequest* request)
{
    auto ours = std::make_shared<NSURLRequest>(text(webkit_uri_request_get_uri(request)));
    if (const char* method = webkit_uri_request_get_http_method(request))
        ours->setHTTPMethod(method);
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request)) {
        soup_message_headers_foreach(
            headers,
            [](const char* name, const char* value, gpointer target) {
                static_cast<NSURLRequest*>(target)->setValue_forHTTPHeaderField(text(value), text(name));
            },
            ours.get());
    }
    return ours;
}

gobject::Owned<WebKitURIRequest> engineRequestOf(const NSURLRequest& request)
{
    gobject::Owned<WebKitURIRequest> made(webkit_uri_request_new(request.URL().c_str()));
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(made.get())) {
        for (const auto& [name, value] : request.allHTTPHeaderFields())
            soup_message_headers_replace(headers, name.c_str(), value.c_str());
    }
    return made;
}

gobject::Owned<WebKitURIRequest> copyOf(WebKitURIRequest* request)
{
    gobject::Owned<WebKitURIRequest> made(webkit_uri_request_new(webkit_uri_request_get_uri(request)));
    SoupMessageHeaders* from = webkit_uri_request_get_http_headers(request);
    SoupMessageHeaders* to = webkit_uri_request_get_http_headers(made.get());
    if (from && to) {
        soup_message_headers_foreach(
            from,
            [](const char* name, const char* value, gpointer target) {
                soup_message_headers_replace(static_cast<SoupMessageHeaders*>(target), name, value);
            },
            to);
    }
    return made;
}

std::string hostOf(const std::string& uri)
{
    GUri* parsed = g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr);
    if (!parsed)
        return {};
    std::string host = text(g_uri_get_host(parsed));
    g_uri_unref(parsed);
    return host;
}

long networkCodeOf(const GError* error)
{
    if (error->domain == WEBKIT_NETWORK_ERROR) {
        switch (error->code) {
        case WEBKIT_NETWORK_ERROR_CANCELLED:
            return NSURLErrorCancelled;
        case WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST:
            return -1100; // NSURLErrorFileDoesNotExist
        case WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL:
            return NSURLErrorUnsupportedURL;
        case WEBKIT_NETWORK_ERROR_TRANSPORT:
            return NSURLErrorCannotConnectToHost;
        default:
            return NSURLErrorUnknown;
        }
    }
    if (error->domain == G_TLS_ERROR)
        return NSURLErrorSecureConnectionFailed;
    if (error->domain == G_RESOLVER_ERROR)
        return NSURLErrorCannotFindHost;
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_CANCELLED:
            return NSURLErrorCancelled;
        case G_IO_ERROR_CONNECTION_REFUSED:
            return NSURLErrorCannotConnectToHost;
        case G_IO_ERROR_TIMED_OUT:
            return NSURLErrorTimedOut;
        case G_IO_ERROR_HOST_NOT_FOUND:
            return NSURLErrorCannotFindHost;
        case G_IO_ERROR_CONNECTION_CLOSED:
            return NSURLErrorNetworkConnectionLost;
        default:
            return NSURLErrorUnknown;
        }
    }
    return NSURLErrorUnknown;
}

} // namespace

struct WebEngineView::PendingDecision {
    gobject::Owned<WebKitPolicyDecision> decision;
    gobject::Owned<WebKitURIRequest> request;
    std::weak_ptr<bool> alive;
    WebEngineView* engine;
    bool answered = false;

    void answer(WKNavigationActionPolicy policy)
    {
        if (answered)
            return;
        answered = true;
        auto living = alive.lock();
        if (!living || !*living)
            return;
        std::string uri = text(webkit_uri_request_get_uri(request.get()));
        if (policy == WKNavigationActionPolicyAllow) {
            trace("webkit: allow %s%s\n", uri);
            engine->m_lastAllowedRequest = gobject::retained(request.get());
            engine->m_stopRequested = false;
            webkit_policy_decision_use(decision.get());
        } else {
            trace("webkit: cancel %s%s\n", uri);
            engine->rememberCancelled(uri);
            webkit_policy_decision_ignore(decision.get());
        }
    }
    ~PendingDecision() { answer(WKNavigationActionPolicyCancel); }
};

struct WebEngineView::SnapshotCall {
    std::weak_ptr<WKWebView> owner;
    std::function<void(const CGImageRef&)> completion;
};

struct WebEngineView::ScriptCall {
    std::function<void(const std::optional<std::string>&, const std::shared_ptr<NSError>&)> completion;
};

WebEngineView::WebEngineView(const std::weak_ptr<WKWebView>& owner, WebKitWebContext* context, const WKWebViewConfiguration& configuration)
    : m_owner(owner), m_context(context)
{
    m_window.reset(gtk_offscreen_window_new());
    m_view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, nullptr));
    webkit_settings_set_enable_javascript(webkit_web_view_get_settings(m_view), configuration.javaScriptEnabled());
    gtk_container_add(GTK_CONTAINER(m_window.get()), GTK_WIDGET(m_view));
    resize(320, 480);
    gtk_widget_show_all(m_window.get());
    m_cancellable.reset(g_cancellable_new());
    g_signal_connect(m_view, "decide-policy", G_CALLBACK(onDecidePolicy), this);
    g_signal_connect(m_view, "load-changed", G_CALLBACK(onLoadChanged), this);
    g_signal_connect(m_view, "load-failed", G_CALLBACK(onLoadFailed), this);
    g_signal_connect(m_view, "load-failed-with-tls-errors", G_CALLBACK(onLoadFailedWithTLSErrors), this);
}

WebEngineView::~WebEngineView()
{
    *m_alive = false;
    m_delayedRetry.reset();
    g_cancellable_cancel(m_cancellable.get());
    g_signal_handlers_disconnect_by_data(m_view, this);
    webkit_web_view_stop_loading(m_view);
}

std::shared_ptr<WKNavigation> WebEngineView::expectLoad()
{
    m_expected = std::make_shared<WKNavigation>(m_nextNavigation++);
    m_retryURI.reset();
    m_stopRequested = false;
    return m_expected;
}

std::shared_ptr<WKNavigation> WebEngineView::loadRequest(const NSURLRequest& request)
{
    auto navigation = expectLoad();
    auto made = engineRequestOf(request);
    webkit_web_view_load_request(m_view, made.get());
    return navigation;
}

std::shared_ptr<WKNavigation> WebEngineView::loadFile(const std::string& URL, const std::string& readAccessURL)
{
    // The engine reads what its web process may read; the read-access URL is honoured by the
    // file URL's own folder rules.
    (void)readAccessURL;
    auto navigation = expectLoad();
    webkit_web_view_load_uri(m_view, URL.c_str());
    return navigation;
}

std::shared_ptr<WKNavigation> WebEngineView::loadHTML(const std::string& html, const std::optional<std::string>& baseURL)
{
    auto navigation = expectLoad();
    webkit_web_view_load_html(m_view, html.c_str(), baseURL ? baseURL->c_str() : nullptr);
    return navigation;
}

std::shared_ptr<WKNavigation> WebEngineView::reload()
{
    if (!webkit_web_view_get_uri(m_view))
        return nullptr;
    auto navigation = expectLoad();
    webkit_web_view_reload(m_view);
    return navigation;
}

void WebEngineView::stopLoading()
{
    m_stopRequested = true;
    webkit_web_view_stop_loading(m_view);
}

std::optional<std::string> WebEngineView::URL() const
{
    const char* uri = webkit_web_view_get_uri(m_view);
    if (!uri || !*uri)
        return std::nullopt;
    return std::string(uri);
}

std::optional<long> WebEngineView::mainDocumentStatusCode() const
{
    WebKitWebResource* resource = webkit_web_view_get_main_resource(m_view);
    WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr;
    // 0: no answer yet, or a page that did not come over HTTP.
    const guint status = response ? webkit_uri_response_get_status_code(response) : 0;
    if (!status)
        return std::nullopt;
    return static_cast<long>(status);
}

std::optional<std::string> WebEngineView::title() const
{
    const char* title = webkit_web_view_get_title(m_view);
    if (!title)
        return std::nullopt;
    return std::string(title);
}

bool WebEngineView::isLoading() const { return webkit_web_view_is_loading(m_view); }

double WebEngineView::estimatedProgress() const { return webkit_web_view_get_estimated_load_progress(m_view); }

void WebEngineView::resize(int width, int height)
{
    width = width < kMinimumSide ? kMinimumSide : width;
    height = height < kMinimumSide ? kMinimumSide : height;
    gtk_widget_set_size_request(GTK_WIDGET(m_view), width, height);
    gtk_window_resize(GTK_WINDOW(m_window.get()), width, height);
}

void WebEngineView::setBackgroundColor(double red, double green, double blue, double alpha)
{
    GdkRGBA color{red, green, blue, alpha};
    webkit_web_view_set_background_color(m_view, &color);
}

void WebEngineView::rememberCancelled(const std::string& uri)
{
    m_cancelledURIs.push_back(uri);
    while (m_cancelledURIs.size() > kMaxCancelledRemembered)
        m_cancelledURIs.pop_front();
}

bool WebEngineView::takeCancelled(const std::string& uri)
{
    for (auto it = m_cancelledURIs.begin(); it != m_cancelledURIs.end(); ++it) {
        if (*it == uri) {
            m_cancelledURIs.erase(it);
            return true;
        }
    }
    return false;
}

gboolean WebEngineView::onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer self)
{
    auto* engine = static_cast<WebEngineView*>(self);
    switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
        engine->decideNavigation(WEBKIT_NAVIGATION_POLICY_DECISION(decision), false);
        return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
        engine->decideNavigation(WEBKIT_NAVIGATION_POLICY_DECISION(decision), true);
        return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
        break;
    }
    return FALSE; // the engine's own answer: show what it can show
}

void WebEngineView::decideNavigation(WebKitNavigationPolicyDecision* decision, bool newWindow)
{
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(decision);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    std::string uri = text(webkit_uri_request_get_uri(request));
    trace("webkit: decide %s%s\n", uri, newWindow ? " (new window)" : "");
    if (m_retryURI && *m_retryURI == uri) {
        // The delegate allowed this very request a moment ago; only the certificate changed.
        webkit_policy_decision_use(WEBKIT_POLICY_DECISION(decision));
        return;
    }
    auto pending = std::make_shared<PendingDecision>();
    pending->decision = gobject::retained(WEBKIT_POLICY_DECISION(decision));
    pending->request = gobject::retained(request);
    pending->alive = m_alive;
    pending->engine = this;

    // No call tells the main frame apart in this engine; a named target is a subframe's.
    const char* frameName = webkit_navigation_action_get_frame_name(action);
    auto target = newWindow ? nullptr : std::make_shared<WKFrameInfo>(!frameName || !*frameName);
    auto navigationAction = std::make_shared<WKNavigationAction>(
        requestOf(request), navigationTypeOf(webkit_navigation_action_get_navigation_type(action)), std::move(target));
    kvn::postToMainQueue(m_owner, [navigationAction, pending](WKWebView& view) {
        auto handler = [pending](WKNavigationActionPolicy policy) { pending->answer(policy); };
        auto delegate = view.navigationDelegate();
        if (!delegate) {
            handler(WKNavigationActionPolicyAllow);
            return;
        }
        auto shared = std::static_pointer_cast<WKWebView>(view.shared_from_this());
        delegate->webView_decidePolicyForNavigationAction_decisionHandler(shared, navigationAction, handler);
    });
}

void WebEngineView::onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self)
{
    auto* engine = static_cast<WebEngineView*>(self);
    trace("webkit: load %s %s\n", loadEventName(event), text(webkit_web_view_get_uri(engine->m_view)));
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        engine->startNavigation();
        break;
    case WEBKIT_LOAD_REDIRECTED:
        break;
    case WEBKIT_LOAD_COMMITTED:
        engine->m_committed = true;
        break;
    case WEBKIT_LOAD_FINISHED:
        engine->finishNavigation();
        break;
    }
}

void WebEngineView::startNavigation()
{
    if (m_retryURI && m_current) {
        m_retryURI.reset();
        m_committed = false;
        return;
    }
    m_swallowFinished = false;
    m_retriesLeft = kMaxRetries;
    m_certificateTrusted = false;
    m_current = m_expected ? m_expected : std::make_shared<WKNavigation>(m_nextNavigation++);
    m_expected = nullptr;
    m_committed = false;
    kvn::postToMainQueue(m_owner, [navigation = m_current](WKWebView& view) {
        if (auto delegate = view.navigationDelegate())
            delegate->webView_didStartProvisionalNavigation(std::static_pointer_cast<WKWebView>(view.shared_from_this()), navigation);
    });
}

void WebEngineView::finishNavigation()
{
    if (m_swallowFinished) {
        m_swallowFinished = false;
        return;
    }
    scheduleSnapshots();
    auto navigation = std::move(m_current);
    m_current = nullptr;
    if (!navigation)
        return;
    kvn::postToMainQueue(m_owner, [navigation](WKWebView& view) {
        if (auto delegate = view.navigationDelegate())
            delegate->webView_didFinishNavigation(std::static_pointer_cast<WKWebView>(view.shared_from_this()), navigation);
    });
}

void WebEngineView::failNavigation(const std::shared_ptr<NSError>& error)
{
    auto navigation = std::move(m_current);
    m_current = nullptr;
    if (!navigation)
        navigation = std::make_shared<WKNavigation>(m_nextNavigation++);
    bool provisional = !m_committed;
    kvn::postToMainQueue(m_owner, [navigation, error, provisional](WKWebView& view) {
        auto delegate = view.navigationDelegate();
        if (!delegate)
            return;
        auto shared = std::static_pointer_cast<WKWebView>(view.shared_from_this());
        if (provisional)
            delegate->webView_didFailProvisionalNavigation_withError(shared, navigation, error);
        else
            delegate->webView_didFailNavigation_withError(shared, navigation, error);
    });
}

gboolean WebEngineView::onLoadFailed(WebKitWebView*, WebKitLoadEvent event, gchar* uri, GError* error, gpointer self)
{
    auto* engine = static_cast<WebEngineView*>(self);
    std::string failing = text(uri);
    trace("webkit: failed %s: %s\n", failing, error ? text(error->message) : std::string());
    if (error && error->domain == WEBKIT_POLICY_ERROR && error->code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE &&
        engine->takeCancelled(failing)) {
        // The delegate cancelled this navigation itself; the platform reports nothing of it.
        if (engine->m_current && !engine->m_expected)
            engine->m_current = nullptr;
        engine->m_swallowFinished = true;
        return TRUE;
    }
    (void)event;
    auto mapped = errorFromEngine(error, failing);
    // Now and then the engine drops a load whose TLS handshake is under way with "Operation was
    // cancelled" instead of reporting the certificate; loaded again a moment later, it reports
    // it. The platform would report nothing of such a cancel, so the load is made again. A
    // cancel that stopLoading or a newer load caused is reported.
    bool unrequestedCancel = mapped->domain() == "NSURLErrorDomain" && mapped->code() == NSURLErrorCancelled && !engine->m_stopRequested &&
        !engine->m_expected && engine->m_current;
    if (unrequestedCancel && engine->m_retriesLeft > 0) {
        trace("webkit: loading %s again%s\n", failing);
        engine->m_swallowFinished = true;
        engine->m_retryURI = failing;
        engine->m_delayedRetry.reset(g_timeout_source_new(kRetryDelayMilliseconds));
        g_source_set_callback(
            engine->m_delayedRetry.get(),
            [](gpointer self) -> gboolean {
                auto* retrying = static_cast<WebEngineView*>(self);
                if (retrying->m_retryURI)
                    retrying->retry(*retrying->m_retryURI);
                return G_SOURCE_REMOVE;
            },
            engine, nullptr);
        g_source_attach(engine->m_delayedRetry.get(), g_main_context_default());
        return TRUE;
    }
    engine->m_swallowFinished = false;
    engine->failNavigation(mapped);
    return TRUE; // no error page of the engine's own: the owner shows its own
}

void WebEngineView::retry(const std::string& failing)
{
    --m_retriesLeft;
    m_retryURI = failing;
    m_swallowFinished = true;
    auto request = m_lastAllowedRequest && text(webkit_uri_request_get_uri(m_lastAllowedRequest.get())) == failing
        ? copyOf(m_lastAllowedRequest.get())
        : gobject::Owned<WebKitURIRequest>(webkit_uri_request_new(failing.c_str()));
    webkit_web_view_load_request(m_view, request.get());
}

gboolean WebEngineView::onLoadFailedWithTLSErrors(WebKitWebView*, gchar* uri, GTlsCertificate* certificate, GTlsCertificateFlags,
                                                  gpointer self)
{
    auto* engine = static_cast<WebEngineView*>(self);
    std::string failing = text(uri);
    std::string host = hostOf(failing);
    // Once a navigation: a certificate trusted a moment ago that fails again is not trusted.
    bool retried = engine->m_certificateTrusted;
    trace("webkit: TLS errors %s%s\n", failing, retried ? " (again)" : "");
    if (!retried && engine->m_retriesLeft > 0 && WebEngine::chainIsTrustedByExtraAuthorities(certificate, host)) {
        webkit_web_context_allow_tls_certificate_for_host(engine->m_context, certificate, host.c_str());
        engine->m_certificateTrusted = true;
        engine->retry(failing);
        return TRUE;
    }
    engine->m_retryURI.reset();
    engine->m_swallowFinished = true;
    auto error =
        NSError::errorWithDomain_code_userInfo("NSURLErrorDomain", NSURLErrorServerCertificateUntrusted,
                                               {{NSLocalizedDescriptionKey, std::string("The certificate for this server is invalid.")},
                                                {NSURLErrorFailingURLStringErrorKey, failing}});
    engine->failNavigation(error);
    return TRUE;
}

std::shared_ptr<NSError> WebEngineView::errorFromEngine(const GError* error, const std::string& failingURL)
{
    std::string message = error && error->message ? error->message : "The page could not be loaded.";
    NSDictionary info{{NSLocalizedDescriptionKey, message}, {NSURLErrorFailingURLStringErrorKey, failingURL}};
    if (error && error->domain == WEBKIT_POLICY_ERROR)
        return NSError::errorWithDomain_code_userInfo(WebKitErrorDomain, error->code, std::move(info));
    return NSError::errorWithDomain_code_userInfo("NSURLErrorDomain", error ? networkCodeOf(error) : NSURLErrorUnknown, std::move(info));
}

void WebEngineView::scheduleSnapshots()
{
    takeSnapshot(nullptr);
    for (double delay : kSnapshotDelays) {
        dispatch_after(dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(delay * 1e9)), dispatch_get_main_queue(),
                       kvn::bindToMainQueue(m_owner, [](WKWebView& view) { view.takeSnapshot(nullptr); }));
    }
}

void WebEngineView::takeSnapshot(std::function<void(const CGImageRef&)> completion)
{
    auto* call = new SnapshotCall{m_owner, std::move(completion)};
    webkit_web_view_get_snapshot(m_view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, m_cancellable.get(), onSnapshot,
                                 call);
}

void WebEngineView::onSnapshot(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<SnapshotCall> call(static_cast<SnapshotCall*>(data));
    GError* raw = nullptr;
    gobject::OwnedSurface surface(webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &raw));
    gobject::OwnedError error(raw);
    auto owner = call->owner.lock();
    if (!owner)
        return; // cancelled with its view
    CGImageRef image;
    if (surface && !error) {
        int width = 0;
        int height = 0;
        double x1, y1, x2, y2;
        cairo_t* measure = cairo_create(surface.get());
        cairo_clip_extents(measure, &x1, &y1, &x2, &y2);
        cairo_destroy(measure);
        width = static_cast<int>(x2 - x1);
        height = static_cast<int>(y2 - y1);
        if (width > 0 && height > 0) {
            gobject::OwnedSurface copy(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
            cairo_t* cr = cairo_create(copy.get());
            cairo_set_source_surface(cr, surface.get(), -x1, -y1);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_flush(copy.get());
            int stride = cairo_image_surface_get_stride(copy.get());
            const unsigned char* bytes = cairo_image_surface_get_data(copy.get());
            std::vector<uint8_t> pixels(bytes, bytes + static_cast<size_t>(stride) * static_cast<size_t>(height));
            image = std::make_shared<CGImage>(width, height, stride, true, std::move(pixels));
        }
    }
    if (image)
        owner->setSnapshot({}, image);
    if (call->completion)
        call->completion(image);
}

void WebEngineView::evaluateJavaScript(const std::string& script,
                                       std::function<void(const std::optional<std::string>&, const std::shared_ptr<NSError>&)> completion)
{
    auto* call = new ScriptCall{std::move(completion)};
    webkit_web_view_evaluate_javascript(m_view, script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr, m_cancellable.get(),
                                        onScript, call);
}

void WebEngineView::onScript(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<ScriptCall> call(static_cast<ScriptCall*>(data));
    GError* raw = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &raw);
    gobject::OwnedError error(raw);
    gobject::Owned<JSCValue> owned(value);
    if (error && error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED)
        return; // its view went away
    if (!call->completion)
        return;
    if (error || !value) {
        call->completion(
            std::nullopt,
            NSError::errorWithDomain_code_userInfo(WKErrorDomain, WKErrorJavaScriptExceptionOccurred,
                                                   {{NSLocalizedDescriptionKey, error ? text(error->message) : std::string("no result")}}));
        return;
    }
    gobject::OwnedChars answer(jsc_value_is_string(value) ? jsc_value_to_string(value) : jsc_value_to_json(value, 0));
    call->completion(answer ? std::optional<std::string>(answer.get()) : std::nullopt, nullptr);
}

} // namespace kvn
