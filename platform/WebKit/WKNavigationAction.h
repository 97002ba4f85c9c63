#pragma once
// A navigation the page or the owner asked for, as it is put to the navigation delegate: the
// request (URL, method, header fields), what started it and the frame it targets (none when it
// asks for a new window). Main thread only.
#include <memory>

#include "Network/NSURLRequest.h"
#include "WebKit/WKFrameInfo.h"
#include "WebKit/WKNavigationType.h"

class WKNavigationAction {
public:
    WKNavigationAction(std::shared_ptr<NSURLRequest> request, WKNavigationType type, std::shared_ptr<WKFrameInfo> targetFrame)
        : m_request(std::move(request)), m_navigationType(type), m_targetFrame(std::move(targetFrame))
    {
    }

    const std::shared_ptr<NSURLRequest>& request() const { return m_request; }
    WKNavigationType navigationType() const { return m_navigationType; }
    const std::shared_ptr<WKFrameInfo>& targetFrame() const { return m_targetFrame; }

private:
    std::shared_ptr<NSURLRequest> m_request;
    WKNavigationType m_navigationType;
    std::shared_ptr<WKFrameInfo> m_targetFrame;
};
