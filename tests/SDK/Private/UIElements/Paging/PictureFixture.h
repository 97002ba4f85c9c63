#pragma once
// The themed UIKit fixture plus pictures: a view drawn to a PNG in the build tree
// (pictures/Paging-<name>.png), to be looked at by a person, its pixels handed back.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "../../../../platform/UIKit/Snapshot.h"
#include "../Controls/ThemedUIKitTest.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"

class PictureTest : public ThemedUIKitTest {
protected:
    std::shared_ptr<UIImage> picture(const std::shared_ptr<UIView>& view, const std::string& name)
    {
        view->layoutIfNeeded();
        auto image = fixtures::snapshot(view);
        auto png = UIImagePNGRepresentation(image);
        const std::filesystem::path folder = std::filesystem::path(KVN_BINARY_DIR) / "pictures";
        std::filesystem::create_directories(folder);
        const auto path = folder / ("Paging-" + name + ".png");
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
        std::cout << "picture: " << path.string() << std::endl;
        return image;
    }
};
