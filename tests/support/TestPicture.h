#pragma once
// Writes an image as a PNG under the build tree (test-output/<folder>/<name>.png), for people
// to look at after a run; the test fails when it cannot. Header-only, since only the test
// executables that draw link UIKit. Main thread only.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "UIKit/UIImage.h"

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

} // namespace kvn::test
