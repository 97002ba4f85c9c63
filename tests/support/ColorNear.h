#pragma once
// Compares colours of pictures that went through lossy steps (JPEG, I420): each of red, green
// and blue (the low 24 bits, 0xRRGGBB; an alpha byte above them is ignored) within a tolerance.
#include <cstdint>
#include <cstdlib>

namespace kvn::test {

inline bool colorNear(uint32_t actual, uint32_t expected, int tolerance = 24)
{
    for (int shift : {0, 8, 16}) {
        if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > tolerance)
            return false;
    }
    return true;
}

} // namespace kvn::test
