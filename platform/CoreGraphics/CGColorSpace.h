#pragma once
// A colour space. Only device RGB exists here: colours are sRGB-like 0..1 components and
// bitmaps hold 8-bit red, green and blue. Immutable, shared, usable from any thread.
#include <memory>

enum CGColorSpaceModel : int {
    kCGColorSpaceModelRGB = 1,
};

class CGColorSpace {
public:
    CGColorSpaceModel model() const { return kCGColorSpaceModelRGB; }
    size_t numberOfComponents() const { return 3; }
};

using CGColorSpaceRef = std::shared_ptr<CGColorSpace>;

// One process-wide device RGB space; every call answers the same object.
CGColorSpaceRef CGColorSpaceCreateDeviceRGB();
inline CGColorSpaceModel CGColorSpaceGetModel(const CGColorSpaceRef& space) { return kCGColorSpaceModelRGB; }
inline size_t CGColorSpaceGetNumberOfComponents(const CGColorSpaceRef& space) { return 3; }
