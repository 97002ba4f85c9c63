#pragma once
// Writes an image as a PNG under the build tree (test-output/<folder>/<name>.png), for people
// to look at after a run; the test fails when it cannot. Header-only, since only the test
// executables that draw link UIKit. Main thread only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "UIKit/UIGraphics.h"
#include "UIKit/UIImage.h"
#include "UIKit/UIWindow.h"

namespace kvn::test {

inline void writeTestPicture(const std::string& folderName, const std::string& name, const std::shared_ptr<UIImage>& image)
{
    auto png = UIImagePNGRepresentation(image);
    ASSERT_TRUE(png);
    const auto folder = std::filesystem::path(KVN_BINARY_DIR) / "test-output" / folderName;
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / (name + ".png"), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    ASSERT_TRUE(out.good());
}

// The window as the user sees it, drawn at scale 1.
inline void writeWindowPicture(const std::string& folderName, const std::string& name, const std::shared_ptr<UIWindow>& window)
{
    const auto bounds = window->bounds();
    UIGraphicsBeginImageContextWithOptions(bounds.size, true, 1);
    const bool drawn = window->drawViewHierarchyInRect_afterScreenUpdates(bounds, true);
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_TRUE(drawn);
    writeTestPicture(folderName, name, image);
}

} // namespace kvn::test
