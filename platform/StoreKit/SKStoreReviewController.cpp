#include "StoreKit/SKStoreReviewController.h"

#include <atomic>

#include "Foundation/NSLog.h"

namespace {

std::atomic<long> g_requestCount{0};

} // namespace

void SKStoreReviewController::requestReview()
{
    ++g_requestCount;
    NSLog("StoreKit: review requested (no store on this machine; no prompt is shown)");
}

long SKStoreReviewController::requestCountForTesting()
{
    return g_requestCount.load();
}

void SKStoreReviewController::resetForTesting()
{
    g_requestCount = 0;
}
