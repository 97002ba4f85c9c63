#pragma once
// A temporary main bundle for tests. It holds a copy of the library's
// KavoniSDKLocalization.bundle (string tables) and of the images the build drew for the
// library, and optionally the host app's own string tables and images. Constructing one points NSBundle's
// main bundle at it; destroying it deletes the folder and forgets the main bundle again.
//
// The library bundle chooses its language from NSLocale's preferred languages: tests that
// read texts set those (NSLocale::setPreferredLanguages) rather than rely on the machine.
// A fixture that resets the main bundle in its SetUp (ManualClockFixture does) makes its
// KvnTestBundle after that, or calls activate() again. Main thread only, one at a time.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "Foundation/NSData.h"

#ifdef KVN_SOURCE_DIR
#define KVN_TEST_BUNDLE_RESOURCES_DIR KVN_SOURCE_DIR "/SDK/Resources"
#else
#define KVN_TEST_BUNDLE_RESOURCES_DIR ""
#endif
#ifdef KVN_BINARY_DIR
#define KVN_TEST_BUNDLE_IMAGES_DIR KVN_BINARY_DIR "/SDK/Resources/Images"
#else
#define KVN_TEST_BUNDLE_IMAGES_DIR ""
#endif

class KvnTestBundle {
public:
    // `resourcesDir` is the library's resource folder in the source tree; the default suits
    // every test executable (empty: $KVN_SOURCE_DIR/SDK/Resources). `imagesDir` holds the
    // library's drawn images (empty or missing: none are copied).
    explicit KvnTestBundle(const std::string& resourcesDir = KVN_TEST_BUNDLE_RESOURCES_DIR,
                           const std::string& imagesDir = KVN_TEST_BUNDLE_IMAGES_DIR);
    ~KvnTestBundle();
    KvnTestBundle(const KvnTestBundle&) = delete;
    KvnTestBundle& operator=(const KvnTestBundle&) = delete;

    // The main bundle's folder, and the library bundle's folder inside it.
    const std::string& path() const { return m_path; }
    std::string libraryBundlePath() const { return m_path + "/KavoniSDKLocalization.bundle"; }

    // The host app's Localizable.strings: in the bundle root, or in "<language>.lproj".
    void setHostStrings(const std::map<std::string, std::string>& strings,
                        const std::optional<std::string>& language = std::nullopt);
    // Writes any file below the main bundle (folders are created).
    void writeFile(const std::string& relativePath, const std::string& contents);
    // A PNG image "<name>.png" in the main bundle's root, in place of the library's image of
    // that name at every scale.
    void addImage(const std::string& name, int width, int height, uint32_t rgba = 0xFF0000FF);
    // Removes the image "<name>" at every scale (the library's drawn ones included).
    void removeImage(const std::string& name);
    // Removes a file or folder below the main bundle ("KavoniSDKLocalization.bundle", or
    // "KavoniSDKLocalization.bundle/de.lproj").
    void remove(const std::string& relativePath);

    // Points NSBundle's main bundle at this folder (again), dropping its cached tables.
    void activate();

    // An uncompressed PNG of one colour (0xRRGGBBAA).
    static NSData solidPNG(int width, int height, uint32_t rgba);

private:
    std::string m_path;
};
