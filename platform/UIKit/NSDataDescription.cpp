#include "UIKit/NSDataDescription.h"

std::string NSDataDescription(const NSData& data)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "<";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            text += ' ';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0f];
    }
    text += '>';
    return text;
}
