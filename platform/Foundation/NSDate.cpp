#include "Foundation/NSDate.h"

#include <chrono>

NSDate NSDate::date()
{
    auto since = std::chrono::system_clock::now().time_since_epoch();
    return dateWithTimeIntervalSince1970(std::chrono::duration<double>(since).count());
}
