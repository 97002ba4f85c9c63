#pragma once
// What the tests that run a session against the sim share: whether the request manager is idle
// (a test waits for it before it tears the shared session down, or a late answer lands in the
// next test) and a transaction token of the test's own (the sim keeps identifications by token).
// Main thread.
#include <atomic>
#include <string>

#include <unistd.h>

#include "Private/Helper/KVNRequestManager.h"

namespace kvn::test {

inline bool requestManagerIdle()
{
    auto manager = KVNRequestManager::sharedManager();
    return manager->managerJSONJSON()->tasks().empty() && manager->managerJSONHTTP()->tasks().empty() &&
        manager->managerHTTPHTTP()->tasks().empty();
}

// "DEV" (the development environment) + the keyword that picks the sim's road + a serial.
inline std::string uniqueToken(const std::string& keyword)
{
    static std::atomic<int> serial{0};
    return "DEV" + keyword + "-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
}

} // namespace kvn::test
