#pragma once
// One HTTP(S) request made with libcurl on the calling thread, for tests that talk to a server
// directly: the sim's control calls, and the tests of the sim itself. It needs no run loop
// and no worker thread, so a test may call it between run-loop spins or from std::async.
// Proxies are never used: every server a test talks to is on loopback.
#include <atomic>
#include <string>
#include <vector>

#include <curl/curl.h>

struct FetchRequest {
    std::string method = "GET";
    std::string url = {};
    std::string body = {}; // sent with POST only
    std::string contentType = "application/json";
    std::vector<std::string> headers = {}; // more header lines, "Name: value"
    std::string caFile = {}; // the authority to trust; empty: the system's
    long timeoutSeconds = 30;
    // When given, the transfer is cancelled (CURLE_ABORTED_BY_CALLBACK) once it turns true.
    const std::atomic<bool>* abort = nullptr;
};

struct FetchReply {
    CURLcode result = CURLE_OK;
    long status = 0; // 0 when no answer came
    std::string body;
    std::string contentType;
};

FetchReply blockingFetch(const FetchRequest& request);
