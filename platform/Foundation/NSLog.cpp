#include "Foundation/NSLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

#include <errno.h> // program_invocation_short_name

#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::mutex& observerMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<void(const std::string&)>& observerStorage()
{
    static std::function<void(const std::string&)> observer;
    return observer;
}

} // namespace

void NSLogSetObserverForTesting(std::function<void(const std::string& message)> observer)
{
    std::lock_guard lock(observerMutex());
    observerStorage() = std::move(observer);
}

void NSLogMessage(const std::string& message)
{
    // Called outside the lock, so that logging threads are not serialised behind an observer.
    std::function<void(const std::string&)> observer;
    {
        std::lock_guard lock(observerMutex());
        observer = observerStorage();
    }
    if (observer)
        observer(message);
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::string line = NSString::stringWithFormat("%s.%03ld %s[%d:%ld] ", stamp, static_cast<long>(millis), program_invocation_short_name,
                                                  static_cast<int>(::getpid()), static_cast<long>(::syscall(SYS_gettid)));
    line += message;
    if (line.empty() || line.back() != '\n')
        line += '\n';
    // One write, so that lines from several threads never interleave.
    size_t written = 0;
    while (written < line.size()) {
        ssize_t n = ::write(STDERR_FILENO, line.data() + written, line.size() - written);
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
}
