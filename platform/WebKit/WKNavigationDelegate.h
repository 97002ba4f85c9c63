#pragma once
// What a web view tells its owner about its loads, and where it asks whether a navigation may
// load. Every operation has a default: a navigation is allowed, the reports do nothing. A web
// view holds its delegate weakly. Called on the main thread.
//
// One load is reported as: a policy decision (again for every redirect and every re-issued
// request), didStartProvisionalNavigation, then exactly one of didFinishNavigation,
// didFailProvisionalNavigation (before the page's first bytes: connection, TLS, HTTP layer) or
// didFailNavigation (after them). A navigation the delegate cancelled reports nothing more.
#include <functional>
#include <memory>

#include "Foundation/NSError.h"
#include "WebKit/WKNavigation.h"
#include "WebKit/WKNavigationAction.h"
#include "WebKit/WKNavigationActionPolicy.h"

class WKWebView;

class WKNavigationDelegate {
public:
    virtual ~WKNavigationDelegate() = default;

    // Call `decisionHandler` once, now or later on the main thread. A handler dropped without
    // an answer cancels the navigation.
    virtual void webView_decidePolicyForNavigationAction_decisionHandler(const std::shared_ptr<WKWebView>& webView,
                                                                         const std::shared_ptr<WKNavigationAction>& navigationAction,
                                                                         std::function<void(WKNavigationActionPolicy)> decisionHandler)
    {
        decisionHandler(WKNavigationActionPolicyAllow);
    }
    virtual void webView_didStartProvisionalNavigation(const std::shared_ptr<WKWebView>& webView,
                                                       const std::shared_ptr<WKNavigation>& navigation)
    {
    }
    virtual void webView_didFinishNavigation(const std::shared_ptr<WKWebView>& webView, const std::shared_ptr<WKNavigation>& navigation) {}
    virtual void webView_didFailNavigation_withError(const std::shared_ptr<WKWebView>& webView,
                                                     const std::shared_ptr<WKNavigation>& navigation, const std::shared_ptr<NSError>& error)
    {
    }
    virtual void webView_didFailProvisionalNavigation_withError(const std::shared_ptr<WKWebView>& webView,
                                                                const std::shared_ptr<WKNavigation>& navigation,
                                                                const std::shared_ptr<NSError>& error)
    {
    }
};
