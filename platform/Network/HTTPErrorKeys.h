#pragma once
// User-info keys of the errors the HTTP client reports. The error of a failed answer carries
// the answer's body (NSData) under HTTPFailingResponseDataErrorKey, so that callers can read
// the service's error details from it. Every error of a request carries the request's URL
// (text) under NSURLErrorFailingURLStringErrorKey.
#include <string>

extern const std::string HTTPFailingResponseDataErrorKey;
extern const std::string NSURLErrorFailingURLStringErrorKey;
