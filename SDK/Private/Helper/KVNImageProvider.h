#pragma once
// Finds the library's named images in the app's main bundle and lets the host app replace
// any of them: an image named as the library's with "-custom" appended wins over it
// ("kvn-icon-chat-custom" over "kvn-icon-chat"). Main queue.
#include <memory>
#include <string>

class UIImage;

class KVNImageProvider {
public:
    // The host's "<name>-custom" image, else the image of the name itself; nullptr when
    // neither exists.
    static std::shared_ptr<UIImage> imageNamed(const std::string& name);
};
