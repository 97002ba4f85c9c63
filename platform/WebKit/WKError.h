#pragma once
// The error domains and codes web views report besides NSURLErrorDomain's: the view's own
// (WKErrorDomain) and the engine's policy errors (WebKitErrorDomain).
// Network failures of a load are in NSURLErrorDomain with its codes (a cancel is
// NSURLErrorCancelled, an untrusted certificate NSURLErrorServerCertificateUntrusted).
inline constexpr const char* WKErrorDomain = "WKErrorDomain";
enum : long {
    WKErrorUnknown = 1,
    WKErrorWebViewUnavailable = 2,
    WKErrorJavaScriptExceptionOccurred = 4,
};
inline constexpr const char* WebKitErrorDomain = "WebKitErrorDomain";
enum : long {
    WebKitErrorFrameLoadInterruptedByPolicyChange = 102,
};
