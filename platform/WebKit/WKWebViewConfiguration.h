#pragma once
// How a web view is set up. Every web view of the process shares one engine context (its
// cache, its TLS exceptions and its processes), so the configuration holds only what may
// differ per view. Main thread only.
#include <memory>

class WKWebViewConfiguration {
public:
    static std::shared_ptr<WKWebViewConfiguration> make() { return std::make_shared<WKWebViewConfiguration>(); }

    // Scripts of the page run (on by default).
    bool javaScriptEnabled() const { return m_javaScriptEnabled; }
    void setJavaScriptEnabled(bool enabled) { m_javaScriptEnabled = enabled; }

private:
    bool m_javaScriptEnabled = true;
};
