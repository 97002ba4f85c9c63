#include "Private/Helper/KVNImageProvider.h"

#include "UIKit/UIImage.h"

std::shared_ptr<UIImage> KVNImageProvider::imageNamed(const std::string& name)
{
    if (auto custom = UIImage::imageNamed(name + "-custom"))
        return custom;
    return UIImage::imageNamed(name);
}
