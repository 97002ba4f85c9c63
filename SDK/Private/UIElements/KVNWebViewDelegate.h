#pragma once
// What a KVNWebView asks and tells its owner: whether a request may load (after the client
// secret has been added where it belongs), a failed load and a finished load. All three are
// required; each load ends in exactly one of the two reports. Main thread.
#include <memory>

#include "Foundation/NSError.h"
#include "Network/NSURLRequest.h"

class KVNWebView;

class KVNWebViewDelegate {
public:
    virtual ~KVNWebViewDelegate() = default;

    virtual bool webView_shouldStartLoadWithRequest(const std::shared_ptr<KVNWebView>& webView,
                                                    const std::shared_ptr<NSURLRequest>& request) = 0;
    virtual void webView_didFailLoadWithError(const std::shared_ptr<KVNWebView>& webView, const std::shared_ptr<NSError>& error) = 0;
    virtual void webViewDidFinishLoad(const std::shared_ptr<KVNWebView>& webView) = 0;
};
