#pragma once
// The app store's request for a rating of the app. Whether a prompt shows is the store's
// decision and the caller never learns it; a headless machine has no store, so each request
// is logged and counted, and tests read the count. Thread-safe.

class SKStoreReviewController {
public:
    static void requestReview();

    // Test controls ----------------------------------------------------------------------
    // Requests made since the start (or the last reset).
    static long requestCountForTesting();
    static void resetForTesting();
};
