#pragma once
// Opens a URL outside the app (browser, mail, phone, system settings) the way the running
// system version expects. Class operations only; main thread.
#include <string>

class KVNHelper {
public:
    static void openUrlCompat(const std::string& url);
};
