#pragma once
// The process's one web engine: GTK set up on the main thread, one shared engine context for
// every web view (one cache, one set of TLS exceptions), and the GLib loop turned by the main
// run loop. Made on first use by a web view; without a display it stays unavailable and says
// why once. Main thread only. Included by the layer's sources only (toolkit headers).
#include <string>

#include <webkit2/webkit2.h>

namespace kvn {

class WebEngine {
public:
    // nullptr when web views cannot work in this process.
    static WebEngine* shared();

    WebKitWebContext* context() const { return m_context; }

    // Whether the server certificate chain of `host` leads to an authority the process trusts
    // besides the system's (HTTPTrust: added files and KVN_EXTRA_CA_FILE), names the host and
    // meets the host's public-key pins.
    static bool chainIsTrustedByExtraAuthorities(GTlsCertificate* certificate, const std::string& host);

private:
    WebEngine() = default;
    bool setUp(std::string& whyNot);

    WebKitWebContext* m_context = nullptr; // lives as long as the process
};

} // namespace kvn
