#include "Private/Helper/KVNLog.h"

#include <cerrno>
#include <unistd.h>

namespace KVNLogDetail {

void writeToStandardError(const std::string& bytes)
{
    const char* data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return; // Nowhere left to report a failing standard error.
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
}

std::string locatedLine(const char* file, int line, const std::string& text)
{
    const std::string fileName = file ? NSString::lastPathComponent(file) : std::string();
    return "\nKavoni (" + fileName + ":" + std::to_string(line) + "):\n" + text;
}

std::string formatEndingWithNewline(const std::string& format)
{
    if (NSString::hasSuffix(format, "\n"))
        return format;
    return format + "\n";
}

} // namespace KVNLogDetail
